// tarvolk-host: runs the plug-in module in the simulated host.
//
//   tarvolk-host info [--module PATH]
//     loads the module and prints its registration data, its capability
//     flags and, once it declares parameters, their count.
//   tarvolk-host params [--json] [--module PATH]
//     prints the parameter list as the host holds it after params setup.
//   tarvolk-host about [--module PATH]
//     prints the text of the About box.
//   tarvolk-host panel [SCENE] [--set NAME=VALUE ...] [--press BUTTON ...] [--all]
//                      [--module PATH] [--png FILE] [--gesture STEPS]
//     the Effect Controls panel as the user sees it after the changes and
//     presses, in order (--all marks the hidden parameters too), then the
//     undo history, the layers the effect made and the pages it opened.
//     The info panel and the "Gradient Wheel" as the host shows them are
//     written to FILE; STEPS ("click X,Y; drag X,Y; double-click X,Y",
//     points in the wheel's 350 x 150 frame) edit the wheel, its stops
//     printed after each.
//   tarvolk-host outlines SCENE [--json] [--module PATH]
//     prints the outlines the effect gathers from the layer it sits on in a
//     scene file (examples/*.json), with --json every vertex.
//   tarvolk-host render [SCENE] [-o OUT.png] [--time T | --frames A..B]
//                       [--bit-depth 8|32] [--downsample N|X,Y] [--background R,G,B]
//     renders frames of a scene (the default scene without one) to PNG files
//     and prints their paths.

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "host/scene/scene_file.h"
#include "tools/tarvolk_host/cli.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: tarvolk-host info [--module PATH]\n"
               "       tarvolk-host params [--json] [--module PATH]\n"
               "       tarvolk-host about [--module PATH]\n"
               "       tarvolk-host panel [SCENE] [--set NAME=VALUE ...] [--press BUTTON ...]\n"
               "                          [--all] [--module PATH] [--png FILE] [--gesture STEPS]\n"
               "       tarvolk-host outlines SCENE [--json] [--module PATH]\n"
               "       tarvolk-host render [SCENE] [-o OUT.png] [--time T | --frames A..B]\n"
               "                           [--bit-depth 8|32] [--downsample N|X,Y]\n"
               "                           [--background R,G,B] [--module PATH]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  cli::Options options;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
      options.module_path = argv[++i];
    } else {
      options.args.push_back(argv[i]);
    }
  }
  if (options.module_path.empty()) options.module_path = cli::default_module_path();
  try {
    if (command == "info" && options.args.empty()) return cli::info(options);
    if (command == "params" &&
        (options.args.empty() || (options.args.size() == 1 && options.args[0] == "--json"))) {
      return cli::params(options);
    }
    if (command == "about" && options.args.empty()) return cli::about(options);
    if (command == "panel") return cli::panel(options);
    if (command == "outlines") return cli::outlines(options);
    if (command == "render") return cli::render(options);
  } catch (const simhost::scene::SceneError& e) {
    std::fprintf(stderr, "tarvolk-host: %s\n", e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tarvolk-host %s: out of memory\n", command.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvolk-host: %s\n", e.what());
    return 1;
  }
  return usage();
}
