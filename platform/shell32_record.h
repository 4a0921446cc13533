#pragma once

// The record of what ShellExecuteA was asked to open. The call lives in a shared library
// of its own (tarvolk_shell32), as it lives in shell32.dll on Windows, so that
// the plug-in module and the host that loaded it see one record per process.

#include <string>
#include <vector>

namespace shell32_record {

struct ShellExecution {
  bool window = false;    // a window was given
  std::string operation;  // "open"; empty when none was given
  std::string file;       // the document or address
  std::string parameters;
  std::string directory;
  int show_command = 0;
};

// Every call since the process started or the last reset, in order.
std::vector<ShellExecution> executions();
void reset();

}  // namespace shell32_record
