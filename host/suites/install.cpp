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
}

}  // namespace simhost
