#pragma once

// The simulated host's suites, one file per family in this directory. Each
// family registers its tables with the host; SimHost's constructor installs
// them all.

#include <cstdarg>
#include <cstdint>
#include <type_traits>

#include "host/sim_host.h"

namespace simhost {

// Every suite family below.
void install_suites(SimHost& host);

// A suite served in several versions has one table per version, so that
// records tell which version was called: `table_of(v)` gives the table of
// version `decltype(v)::value`, registered under it.
//   register_versions<4, 7>(host, name, [](auto v) { return &tables<decltype(v)::value>; });
template <int32_t... Versions, class TableOf>
void register_versions(SimHost& host, const char* name, TableOf table_of) {
  (host.register_suite(name, Versions, table_of(std::integral_constant<int32_t, Versions>{})), ...);
}

// The in-data utility callbacks: fill, the handle callbacks, ansi sprintf and
// strcpy.
void install_utility_callbacks(PF_UtilCallbacks& utils);

// "PF Handle Suite" v2.
void install_handle_suite(SimHost& host);
// "PF Iterate8 Suite" v1 and "PF iterateFloat Suite" v1.
void install_iterate_suites(SimHost& host);
// "PF Param Utils Suite" v3.
void install_param_utils_suite(SimHost& host);
// The Drawbot suites: Draw v1, Supplier v1, Surface v1 and v2, Path v1.
void install_drawbot_suites(SimHost& host);
// "PF Effect Custom UI Suite" v1.
void install_custom_ui_suite(SimHost& host);
// "PF AE App Suite" v6.
void install_app_suite(SimHost& host);
// "PF ANSI Suite" v1.
void install_ansi_suite(SimHost& host);

// The suites that serve the composition (host/scene/): "AEGP PF Interface
// Suite" v1, "AEGP Layer Suite" v5, v11 and v13, "AEGP Text Layer Suite" v1,
// "PF Path Query Suite" v1, "PF Path Data Suite" v1, "AEGP Dynamic Stream
// Suite" v2 and v5, "AEGP Stream Suite" v4, v7 and v9, "AEGP Mask Outline
// Suite" v5, "AEGP Effect Suite" v1, v2 and v3.
void install_pf_interface_suite(SimHost& host);
void install_layer_suite(SimHost& host);
void install_text_layer_suite(SimHost& host);
void install_path_query_suite(SimHost& host);
void install_path_data_suite(SimHost& host);
void install_dynamic_stream_suite(SimHost& host);
void install_stream_suite(SimHost& host);
void install_mask_outline_suite(SimHost& host);
void install_effect_suite(SimHost& host);
// "AEGP Utility Suite" v7 and v11 (undo groups) and "AEGP Comp Suite" v11
// (new null layers).
void install_utility_suite(SimHost& host);
void install_comp_suite(SimHost& host);
// "PF ColorParamSuite" v1.
void install_color_param_suite(SimHost& host);
// "PF World Transform Suite" v1.
void install_world_transform_suite(SimHost& host);

// The handle functions the handle suite and the utility callbacks share,
// served and recorded under `suite` and `version`.
PF_Handle serve_new_handle(const char* suite, int32_t version, A_HandleSize size);
void* serve_lock_handle(const char* suite, int32_t version, PF_Handle handle);
void serve_unlock_handle(const char* suite, int32_t version, PF_Handle handle);
void serve_dispose_handle(const char* suite, int32_t version, PF_Handle handle);
A_HandleSize serve_get_handle_size(const char* suite, int32_t version, PF_Handle handle);
PF_Err serve_resize_handle(const char* suite, int32_t version, A_HandleSize size,
                           PF_Handle* handle);

// sprintf and strcpy, shared by the utility callbacks and the ANSI suite.
A_long serve_vsprintf(const char* suite, int32_t version, A_char* buffer, const A_char* format,
                      va_list args);
A_char* serve_strcpy(const char* suite, int32_t version, A_char* dest, const A_char* src);

}  // namespace simhost
