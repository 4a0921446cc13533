#include <filesystem>
#include <string>

#include "tools/tarvolk_host/cli.h"

namespace cli {

namespace fs = std::filesystem;

std::string default_module_path() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path sibling = exe.parent_path().parent_path() / "effect" / "Tarvolk.aex";
    if (fs::exists(sibling, ec)) return sibling.string();
  }
#ifdef TARVOLK_DEFAULT_MODULE
  return TARVOLK_DEFAULT_MODULE;
#else
  return "Tarvolk.aex";
#endif
}

}  // namespace cli
