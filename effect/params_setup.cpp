// The parameter list declared to the host, the two custom-UI registrations
// and the names made at run time.

#include "effect/params_setup.h"

#include <algorithm>
#include <cstring>

#include "effect/command_handlers.h"
#include "effect/param_slots.h"
#include "effect/param_table.h"
#include "effect/registration.h"
#include "gradient_wheel/gradient_handle.h"
#include "gradient_wheel/gradient_value.h"
#include "host_support/aegp_suite_handler.h"
#include "host_support/fixed_point.h"
#include "platform/win32.h"
#include "renderer/render_layer.h"

std::string windows_version_name(std::uint32_t build) {
  const char* name = build >= 22000 ? "Win 11 " : build >= 19041 ? "Win 10 " : "Win 8.1 ";
  return name + std::to_string(build);
}

std::uint32_t windows_build_number() {
  HMODULE ntdll = GetModuleHandleW(u"ntdll.dll");
  if (ntdll == nullptr) return 0;
  auto get_version =
      reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion"));
  if (get_version == nullptr) return 0;
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (get_version(&info) != STATUS_SUCCESS) return 0;
  return info.dwBuildNumber;
}

std::string effect_version_text() {
  // The host's packing of the version word: major, minor and bug-fix numbers
  // in bits 19, 15 and 11 upwards.
  const A_u_long v = effect_version;
  return " v" + std::to_string((v >> 19) & 0xf) + "." + std::to_string((v >> 15) & 0xf) + "." +
         std::to_string((v >> 11) & 0xf);
}

std::string host_version_name(PF_SpecVersion version) {
  return "AE " + std::to_string(version.major) + "." + std::to_string(version.minor);
}

std::string renderer_name(const char* gl_renderer) {
  if (gl_renderer == nullptr || gl_renderer[0] == '\0') return "NULL";
  return gl_renderer;
}

void set_param_name(PF_ParamDef& def, std::string_view name) {
  const std::size_t n = std::min<std::size_t>(name.size(), PF_MAX_EFFECT_PARAM_NAME_LEN);
  std::memcpy(def.name, name.data(), n);
  def.name[n] = '\0';
}

namespace {

struct RuntimeNames {
  std::string version_text;
  std::string host_version;
  std::string windows_version;
  std::string renderer;

  std::string_view operator[](RuntimeName which) const {
    switch (which) {
      case RuntimeName::version_text:
        return version_text;
      case RuntimeName::host_version:
        return host_version;
      case RuntimeName::windows_version:
        return windows_version;
      case RuntimeName::renderer:
        return renderer;
      case RuntimeName::none:
        break;
    }
    return {};
  }
};

// The renderer's name is read on this thread's params-setup context; a thread
// whose context could not be made goes without it.
RuntimeNames make_runtime_names(const PF_InData& in_data) {
  return {effect_version_text(), host_version_name(in_data.version),
          "OS " + windows_version_name(windows_build_number()), renderer_name(gl_renderer_name())};
}

// The record of one add, cleared and filled from its row.
PF_ParamDef param_def(const ParamRow& row, const RuntimeNames& names) {
  PF_ParamDef def{};
  def.uu.id = row.id;
  def.ui_flags = row.ui_flags;
  def.ui_width = row.ui_width;
  def.ui_height = row.ui_height;
  def.param_type = row.type;
  set_param_name(def, row.runtime_name != RuntimeName::none ? names[row.runtime_name] : row.name);
  def.flags = row.flags;
  PF_ParamDefUnion& u = def.u;
  switch (row.type) {
    case PF_Param_CHECKBOX:
      u.bd.value = u.bd.dephault = static_cast<PF_ParamValue>(row.value);
      u.bd.u.nameptr = row.text;
      break;
    case PF_Param_POPUP:
      u.pd.value = static_cast<PF_ParamValue>(row.value);
      u.pd.dephault = static_cast<A_short>(row.value);
      u.pd.num_choices = row.num_choices;
      u.pd.u.namesptr = row.text;
      break;
    case PF_Param_BUTTON:
      u.button_d.value = 0;
      u.button_d.u.namesptr = row.text;
      break;
    case PF_Param_FLOAT_SLIDER:
      u.fs_d.value = row.value;
      u.fs_d.dephault = static_cast<PF_FpShort>(row.value);
      u.fs_d.valid_min = row.valid_min;
      u.fs_d.valid_max = row.valid_max;
      u.fs_d.slider_min = row.slider_min;
      u.fs_d.slider_max = row.slider_max;
      u.fs_d.precision = row.precision;
      u.fs_d.display_flags = row.display_flags;
      u.fs_d.fs_flags = PF_FSliderFlag_NONE;
      u.fs_d.curve_tolerance = 0.05f;
      break;
    case PF_Param_SLIDER:
      u.sd.value = u.sd.dephault = static_cast<PF_ParamValue>(row.value);
      u.sd.valid_min = static_cast<PF_ParamValue>(row.valid_min);
      u.sd.valid_max = static_cast<PF_ParamValue>(row.valid_max);
      u.sd.slider_min = static_cast<PF_ParamValue>(row.slider_min);
      u.sd.slider_max = static_cast<PF_ParamValue>(row.slider_max);
      break;
    case PF_Param_ANGLE:
      u.ad.value = u.ad.dephault = fixed_from_double(row.value);
      break;
    case PF_Param_POINT:
      u.td.x_value = u.td.x_dephault = fixed_from_double(row.x_percent);
      u.td.y_value = u.td.y_dephault = fixed_from_double(row.y_percent);
      u.td.restrict_bounds = 0;
      break;
    case PF_Param_COLOR:
      u.cd.value = u.cd.dephault = row.color;
      break;
    case PF_Param_LAYER:
      u.ld.dephault = PF_LayerDefault_NONE;
      break;
    case PF_Param_PATH:
      u.path_d.dephault = 0;
      break;
    case PF_Param_ARBITRARY_DATA:
      // The default value is made just before the add.
      u.arb_d.id = gradient_arb_id;
      u.arb_d.pad = 0;
      u.arb_d.refconPV = reinterpret_cast<void*>(static_cast<std::uintptr_t>(gradient_refcon));
      break;
    default:
      // Groups and the info panel carry nothing more.
      break;
  }
  return def;
}

PF_Err register_custom_ui(PF_InData* in_data, PF_CustomEventFlags events) {
  PF_CustomUIInfo info{};
  info.events = events;
  return in_data->inter.register_ui(in_data->effect_ref, &info);
}

}  // namespace

PF_Err params_setup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  AEGP_SuiteHandler suites(in_data->pica_basicP);
  const RuntimeNames names = make_runtime_names(*in_data);

  PF_Err registration_err = PF_Err_NONE;
  for (const ParamRow& row : param_rows()) {
    PF_ParamDef def = param_def(row, names);
    if (row.slot == slot::gradient_wheel) {
      if (registration_err == PF_Err_NONE) {
        registration_err = register_custom_ui(in_data, second_ui_events);
      }
      // A default that could not be written whole is no value to save with
      // a project: the command fails with the write's error.
      if (const PF_Err err = gradient_points_to_handle(suites.HandleSuite1(), &def.u.arb_d.dephault,
                                                       default_gradient_points.size(),
                                                       default_gradient_points.data())) {
        if (def.u.arb_d.dephault != nullptr) {
          suites.HandleSuite1()->host_dispose_handle(def.u.arb_d.dephault);
        }
        return err;
      }
    }
    if (PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def)) {
      // A default the host did not take is still ours.
      if (row.type == PF_Param_ARBITRARY_DATA && def.u.arb_d.dephault != nullptr) {
        suites.HandleSuite1()->host_dispose_handle(def.u.arb_d.dephault);
      }
      return err;
    }
    if (row.slot == slot::info_panel)
      registration_err = register_custom_ui(in_data, first_ui_events);
  }
  out_data->num_params = slot::count;
  return registration_err;
}
