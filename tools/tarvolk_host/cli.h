#pragma once

// What the subcommands of tarvolk-host share: where the module is, and one
// declaration per subcommand (each in a file of its own in this directory).

#include <string>
#include <vector>

namespace simhost {
class SimHost;
}

namespace cli {

// The plug-in module next to the tool's own build, else where the build put it.
std::string default_module_path();

// The options every subcommand takes, and the rest of its arguments.
struct Options {
  std::string module_path;
  std::vector<std::string> args;
};

// What a subcommand ends with: the host's accounting. Anything the effect did
// not give back is printed under `heading` and makes the status 1.
constexpr const char* not_given_back = "the effect did not give back everything:";
int with_balance_check(simhost::SimHost& host, int status, const char* heading = not_given_back);

// tarvolk-host info: the registration data, capability words and parameter count.
int info(const Options& options);
// tarvolk-host params [--json]: the parameter list after params setup, one row a slot.
int params(const Options& options);
// tarvolk-host about: the About box's text.
int about(const Options& options);

// tarvolk-host panel [SCENE] [--set NAME=VALUE ...] [--press BUTTON ...] [--all]
// [--png FILE] [--gesture STEPS]: the Effect Controls panel as the user sees it
// after the user's changes, the two custom controls drawn as the host shows
// them, and the wheel edited step by step.
int panel(const Options& options);

// tarvolk-host outlines SCENE [--json]: the outlines the effect gathers from a scene.
int outlines(const Options& options);

// tarvolk-host render [SCENE] [-o OUT.png] [--time T | --frames A..B] [--bit-depth 8|32]
// [--downsample N|X,Y] [--background R,G,B]: frames of a scene (the default scene without one)
// rendered through the module and written as PNG files.
int render(const Options& options);

}  // namespace cli
