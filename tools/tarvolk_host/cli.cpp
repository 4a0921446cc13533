// The conventions of cli.h every verb shares: its errors and its ending.

#include "tools/tarvolk_host/cli.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "host/sim_host.h"

namespace cli {

void print_error(const std::string& verb, const char* format, ...) {
  std::string line = "tarvolk-host " + verb + ": ";
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length > 0) {
    std::string message(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(message.data(), message.size(), format, args);
    message.resize(static_cast<size_t>(length));
    line += message;
  }
  va_end(args);
  line += '\n';
  // One write, so that lines of processes sharing stderr do not interleave.
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

int with_balance_check(simhost::SimHost& host, const std::string& verb, int status) {
  std::string report = host.balance_report();
  if (report.empty()) return status;
  if (report.back() == '\n') report.pop_back();
  print_error(verb, "the effect did not give back everything:\n%s", report.c_str());
  return status_failed;
}

}  // namespace cli
