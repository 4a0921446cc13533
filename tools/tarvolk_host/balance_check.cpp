#include <cstdio>
#include <string>

#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"

namespace cli {

int with_balance_check(simhost::SimHost& host, int status, const char* heading) {
  const std::string report = host.balance_report();
  if (report.empty()) return status;
  std::fprintf(stderr, "%s\n%s", heading, report.c_str());
  return 1;
}

}  // namespace cli
