#pragma once

// Who the effect is: the registration data given to the host at load, the
// version and capability words of global setup, and the PiPL property list
// that carries the same data as a resource.

#include <cstdint>
#include <vector>

#include "host_api/ae_effect.h"

inline constexpr const char* effect_name = "Tarvolk";
inline constexpr const char* effect_match_name = "QVRNTARVOLK";
inline constexpr const char* effect_category = "Brindlecast";
inline constexpr const char* effect_entry_point = "EffectMain";
inline constexpr const char* effect_support_url = "https://brindlecast.example/tarvolk/support";
inline constexpr A_long effect_api_version_major = 13;
inline constexpr A_long effect_api_version_minor = 28;
inline constexpr A_long effect_reserved_info = 8;

// Version 1.0, development stage, build 1.
inline constexpr A_u_long effect_version = 0x80001;

inline constexpr PF_OutFlags effect_out_flags =
    PF_OutFlag_CUSTOM_UI | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr PF_OutFlags2 effect_out_flags2 =
    PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS | PF_OutFlag2_I_USE_3D_CAMERA |
    PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG | PF_OutFlag2_SUPPORTS_SMART_RENDER |
    PF_OutFlag2_FLOAT_COLOR_AWARE | PF_OutFlag2_DEPENDS_ON_UNREFERENCED_MASKS |
    PF_OutFlag2_I_MIX_GUID_DEPENDENCIES | PF_OutFlag2_SUPPORTS_THREADED_RENDERING;
static_assert(effect_out_flags == 0x4008000);
static_assert(effect_out_flags2 == 0x828140B);

// The PiPL resource: type 'PIPL', id 16000, US English.
inline constexpr const char* pipl_resource_type = "PIPL";
inline constexpr int pipl_resource_id = 16000;
inline constexpr int pipl_language = 1033;

// The property list's bytes, as the resource holds them.
std::vector<std::uint8_t> build_pipl();
