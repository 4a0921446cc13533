// Writes the PiPL property list next to the module, where Windows would
// carry it as a resource.

#include <cstdio>
#include <fstream>

#include "effect/registration.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> pipl = build_pipl();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(pipl.data()), static_cast<std::streamsize>(pipl.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
