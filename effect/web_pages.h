#pragma once

// The pages the three buttons of "About & Support" open.

#include "effect/registration.h"

inline constexpr const char* product_page_url = "https://brindlecast.example/tarvolk";
inline constexpr const char* free_plugins_page_url = "https://brindlecast.example/free-plugins";
inline constexpr const char* support_page_url = effect_support_url;
