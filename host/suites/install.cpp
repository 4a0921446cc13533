#include "host/suites/suites.h"

namespace simhost {

void install_suites(SimHost& host) {
  install_handle_suite(host);
  install_iterate_suites(host);
  install_param_utils_suite(host);
  install_drawbot_suites(host);
  install_custom_ui_suite(host);
  install_app_suite(host);
  install_ansi_suite(host);
  install_pf_interface_suite(host);
  install_layer_suite(host);
  install_text_layer_suite(host);
  install_path_query_suite(host);
  install_path_data_suite(host);
  install_dynamic_stream_suite(host);
  install_stream_suite(host);
  install_mask_outline_suite(host);
  install_effect_suite(host);
  install_utility_suite(host);
  install_comp_suite(host);
  install_color_param_suite(host);
  install_world_transform_suite(host);
}

}  // namespace simhost
