#pragma once

// Params setup's pieces that stand on their own: the names made at run time
// and how a name goes into a parameter record.

#include <cstdint>
#include <string>
#include <string_view>

#include "host_api/ae_effect.h"

// "Win 11 " from build 22000, "Win 10 " from 19041, else "Win 8.1 ", each
// followed by the build number.
std::string windows_version_name(std::uint32_t build);

// The Windows build number from ntdll's RtlGetVersion; 0 when the module or
// the function is missing or the call fails.
std::uint32_t windows_build_number();

// " v1.0.0": the effect's major, minor and patch numbers.
std::string effect_version_text();

// "AE " and the host's effect-API version, "AE 13.28".
std::string host_version_name(PF_SpecVersion version);

// The OpenGL renderer's name, or "NULL" when there is none or it is empty.
std::string renderer_name(const char* gl_renderer);

// At most PF_MAX_EFFECT_PARAM_NAME_LEN (31) characters and a terminating zero.
void set_param_name(PF_ParamDef& def, std::string_view name);
