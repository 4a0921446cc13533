#pragma once

// A plug-in module loaded with dlopen: its two exports and its registration.

#include <string>

#include "host/sim_host.h"
#include "host_api/ae_effect.h"

namespace simhost {

// What the module gave the registration callback.
struct Registration {
  int calls = 0;
  std::string name;
  std::string match_name;
  std::string category;
  std::string entry_point;
  A_long kind = 0;
  A_long api_version_major = 0;
  A_long api_version_minor = 0;
  A_long reserved_info = 0;
  std::string support_url;
};

class PluginModule {
 public:
  // Throws std::runtime_error when the module cannot be loaded or lacks an
  // export.
  explicit PluginModule(const std::string& path);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Calls PluginDataEntryFunction2 with the host's registration callback.
  PF_Err register_plugin(SimHost& host, Registration* registration);

  PF_EffectMainPtr entry() const { return effect_main_; }
  PF_Err effect_main(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                     PF_LayerDef* output, void* extra);

 private:
  void* library_ = nullptr;
  PF_EffectMainPtr effect_main_ = nullptr;
  PF_PluginDataEntryFunction2Ptr plugin_data_entry_ = nullptr;
};

}  // namespace simhost
