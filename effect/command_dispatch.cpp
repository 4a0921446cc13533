#include "effect/command_dispatch.h"

#include <cstring>
#include <new>

#include "effect/command_handlers.h"
#include "effect/param_slots.h"
#include "effect/registration.h"
#include "gradient_wheel/gradient_arb_callbacks.h"
#include "host_api/ae_effect_suites.h"
#include "host_support/host_handles.h"
#include "host_support/suite_scope.h"

std::recursive_mutex command_mutex;

const EffectHooks& default_effect_hooks() {
  static const EffectHooks handlers{
      about_command,         params_setup,         user_changed_param,
      update_params_ui,      gradient_wheel_event, draw_info_panel,
      gradient_arb_callback, smart_pre_render,     smart_render,
  };
  return handlers;
}

PF_Err global_setup(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  out_data->my_version = effect_version;
  out_data->out_flags = effect_out_flags;
  out_data->out_flags2 = effect_out_flags2;
  if (in_data->appl_id == PF_APPL_ID_PREMIERE) out_data->out_flags = PF_OutFlag_I_AM_OBSOLETE;
  return PF_Err_NONE;
}

PF_Err sequence_setup(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  SuiteScope<PF_HandleSuite1> handles(in_data, out_data, kPFHandleSuite, kPFHandleSuiteVersion1);
  // Disposed of on any way out until the host has it.
  ScopedHandle record(handles.get(), sequence_record_size);
  if (!record) return PF_Err_OUT_OF_MEMORY;
  {
    const LockedHandle bytes(handles.get(), record.get());
    if (!bytes) return PF_Err_OUT_OF_MEMORY;
    std::memset(bytes.data(), 0, sequence_record_size);
  }
  out_data->sequence_data = record.release();
  return PF_Err_NONE;
}

PF_Err sequence_setdown(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (in_data->sequence_data == nullptr) return PF_Err_NONE;
  if (in_data->utils == nullptr || in_data->utils->host_dispose_handle == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  in_data->utils->host_dispose_handle(in_data->sequence_data);
  if (out_data != nullptr) out_data->sequence_data = nullptr;
  in_data->sequence_data = nullptr;
  return PF_Err_NONE;
}

PF_Err query_dynamic_flags(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  // A failed checkout leaves the value 0, which clears the bit.
  PF_ParamDef mode{};
  if (in_data->inter.checkout_param != nullptr) {
    in_data->inter.checkout_param(in_data->effect_ref, slot::mode, in_data->current_time,
                                  in_data->time_step, in_data->time_scale, &mode);
  }
  if (in_data->inter.checkin_param != nullptr) {
    in_data->inter.checkin_param(in_data->effect_ref, &mode);
  }
  if (mode.u.pd.value == mode_camera3d) {
    out_data->out_flags2 |= PF_OutFlag2_I_USE_3D_CAMERA;
  } else {
    out_data->out_flags2 &= ~PF_OutFlag2_I_USE_3D_CAMERA;
  }
  return PF_Err_NONE;
}

namespace {

PF_Err route_event(const EffectHooks& handlers, PF_InData* in_data, PF_OutData* out_data,
                   PF_ParamDef* params[], PF_LayerDef* output, PF_EventExtra* event) {
  if (event == nullptr) return PF_Err_NONE;
  if (event->effect_win.index == slot::gradient_wheel) {
    return handlers.gradient_wheel_event(in_data, out_data, params, event);
  }
  if (event->effect_win.index == slot::info_panel && event->e_type == PF_Event_DRAW) {
    return handlers.draw_info_panel(in_data, out_data, params, output, event);
  }
  return PF_Err_NONE;
}

PF_Err route_arbitrary_callback(const EffectHooks& handlers, PF_InData* in_data,
                                PF_ArbParamsExtra* arb) {
  if (arb == nullptr || arb->id != gradient_arb_id) return PF_Err_NONE;
  return handlers.arbitrary_callback(in_data, arb);
}

PF_Err run_command(const EffectHooks& handlers, PF_Cmd cmd, PF_InData* in_data,
                   PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
      return handlers.about(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETUP:
      return global_setup(in_data, out_data);
    case PF_Cmd_PARAMS_SETUP:
      return handlers.params_setup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP:
      return sequence_setup(in_data, out_data);
    case PF_Cmd_SEQUENCE_SETDOWN:
      return sequence_setdown(in_data, out_data);
    case PF_Cmd_USER_CHANGED_PARAM:
      return handlers.user_changed_param(in_data, out_data, params, output,
                                         static_cast<PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_UPDATE_PARAMS_UI:
      return handlers.update_params_ui(in_data, out_data, params);
    case PF_Cmd_EVENT:
      return route_event(handlers, in_data, out_data, params, output,
                         static_cast<PF_EventExtra*>(extra));
    case PF_Cmd_QUERY_DYNAMIC_FLAGS:
      return query_dynamic_flags(in_data, out_data);
    case PF_Cmd_ARBITRARY_CALLBACK:
      return route_arbitrary_callback(handlers, in_data, static_cast<PF_ArbParamsExtra*>(extra));
    case PF_Cmd_SMART_PRE_RENDER:
      return handlers.smart_pre_render(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: {
      std::lock_guard lock(command_mutex);
      return handlers.smart_render(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
    }
    default:
      // Global setdown, the sequence commands that have nothing to keep, the
      // old render call (the effect renders only through smart render),
      // audio and the rest.
      return PF_Err_NONE;
  }
}

}  // namespace

PF_Err dispatch_command(const EffectHooks& handlers, PF_Cmd cmd, PF_InData* in_data,
                        PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                        void* extra) {
  if (cmd < 0 || cmd >= PF_Cmd_NUM_CMDS) return PF_Err_NONE;
  // Nothing but an error code may reach the host.
  try {
    return run_command(handlers, cmd, in_data, out_data, params, output, extra);
  } catch (PF_Err err) {
    return err;
  } catch (const std::bad_alloc&) {
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}
