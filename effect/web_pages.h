#pragma once

// The pages the three buttons of "About & Support" open.

#include "effect/registration.h"

inline constexpr const char* kProductPageUrl = "https://brindlecast.example/tarvolk";
inline constexpr const char* kFreePluginsPageUrl = "https://brindlecast.example/free-plugins";
inline constexpr const char* kSupportPageUrl = kEffectSupportUrl;
