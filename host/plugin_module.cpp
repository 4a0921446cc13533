#include "host/plugin_module.h"

#include <dlfcn.h>

#include <stdexcept>

#include "host/quoted.h"

namespace simhost {

namespace {

std::string text(const A_u_char* s) {
  return s != nullptr ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

PF_Err registration_callback(PF_PluginDataPtr in_ptr, const A_u_char* name,
                             const A_u_char* match_name, const A_u_char* category,
                             const A_u_char* entry_point_name, A_long kind,
                             A_long api_version_major, A_long api_version_minor,
                             A_long reserved_info, const A_u_char* support_url) {
  auto* registration = static_cast<Registration*>(in_ptr);
  if (registration == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  ++registration->calls;
  registration->name = text(name);
  registration->match_name = text(match_name);
  registration->category = text(category);
  registration->entry_point = text(entry_point_name);
  registration->kind = kind;
  registration->api_version_major = api_version_major;
  registration->api_version_minor = api_version_minor;
  registration->reserved_info = reserved_info;
  registration->support_url = text(support_url);
  return PF_Err_NONE;
}

}  // namespace

PluginModule::PluginModule(const std::string& path) {
  // The module stays mapped after dlclose, as a host keeps its plug-ins until
  // it quits: what the module's libraries set up at load (and threads'
  // exit handlers the module registers) must not point into unmapped code.
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library_ == nullptr) {
    // dlerror's text begins with the path, which the message shows once.
    const char* error = dlerror();
    std::string why = error != nullptr ? error : "unknown error";
    if (why.rfind(path + ": ", 0) == 0) why.erase(0, path.size() + 2);
    throw std::runtime_error("cannot load " + shortened_middle(path) + ": " + shortened(why, 160));
  }
  effect_main_ = reinterpret_cast<PF_EffectMainPtr>(dlsym(library_, "EffectMain"));
  plugin_data_entry_ =
      reinterpret_cast<PF_PluginDataEntryFunction2Ptr>(dlsym(library_, "PluginDataEntryFunction2"));
  if (effect_main_ == nullptr || plugin_data_entry_ == nullptr) {
    dlclose(library_);
    throw std::runtime_error(shortened_middle(path) +
                             " does not export EffectMain and PluginDataEntryFunction2");
  }
}

PluginModule::~PluginModule() {
  dlclose(library_);
}

PF_Err PluginModule::register_plugin(SimHost& host, Registration* registration) {
  return plugin_data_entry_(registration, registration_callback, host.basic_suite(),
                            "Simulated Host", "13.28");
}

PF_Err PluginModule::effect_main(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  return effect_main_(cmd, in_data, out_data, params, output, extra);
}

}  // namespace simhost
