// ShellExecuteA on Linux: nothing is opened; the call is recorded for the
// host and for tests (platform/shell32_record.h).

#include <cstdint>
#include <mutex>

#include "platform/shell32_record.h"
#include "platform/win32.h"

namespace {

// Results below 33 are errors on Windows; SE_ERR_FNF when there is no file.
constexpr uintptr_t shell_execute_ok = 42;
constexpr uintptr_t file_not_found = 2;

std::mutex mutex;
std::vector<shell32_record::ShellExecution>& record() {
  static std::vector<shell32_record::ShellExecution> executions;
  return executions;
}

std::string text(LPCSTR s) {
  return s != nullptr ? s : "";
}

}  // namespace

extern "C" HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                                   LPCSTR directory, int show_command) {
  if (file == nullptr) return reinterpret_cast<HINSTANCE>(file_not_found);
  std::lock_guard lock(mutex);
  record().push_back(
      {window != nullptr, text(operation), file, text(parameters), text(directory), show_command});
  return reinterpret_cast<HINSTANCE>(shell_execute_ok);
}

namespace shell32_record {

std::vector<ShellExecution> executions() {
  std::lock_guard lock(mutex);
  return record();
}

void reset() {
  std::lock_guard lock(mutex);
  record().clear();
}

}  // namespace shell32_record
