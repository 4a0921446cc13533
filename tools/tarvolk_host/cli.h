#pragma once

// What the verbs of tarvolk-host share: where the module is, the options
// every verb takes, one description per verb (its usage and help, defined in
// the verb's own file in this directory), and the conventions every verb
// keeps:
//   - errors go to stderr, one line each, as "tarvolk-host VERB: message";
//   - the exit status is 0 when everything went well, 1 when the effect
//     failed (a command's error, anything it did not give back, a frame not
//     written), 2 for a bad command line or a bad scene file, 130 when the
//     user cancelled (Ctrl-C, as a shell counts a process Ctrl-C ended);
//   - `VERB --help` prints the verb's usage, what it does and these
//     statuses on stdout and exits 0.
// main.cpp turns what a verb throws into these: a UsageError into its
// message and the verb's usage (2), a scene file's error into its message
// (2), any other exception into its message (1).

#include <stdexcept>
#include <string>
#include <vector>

namespace simhost {
class SimHost;
}

namespace cli {

enum Status : int { status_ok = 0, status_failed = 1, status_usage = 2, status_cancelled = 130 };

// The closing lines of every --help.
constexpr const char* exit_status_help =
    "Exit status: 0 done; 1 the effect failed (an error of a command, something\n"
    "it did not give back, a file not written); 2 a bad command line or scene;\n"
    "130 cancelled by Ctrl-C.\n";

// The plug-in module next to the tool's own build, else where the build put it.
std::string default_module_path();

// The options every verb takes, and the rest of its arguments.
struct Options {
  std::string verb;
  std::string module_path;
  std::vector<std::string> args;
};

// A mistake in the command line.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// "tarvolk-host VERB: " and the formatted message, as one line on stderr.
[[gnu::format(printf, 2, 3)]] void print_error(const std::string& verb, const char* format, ...);

// What a verb ends with: the host's accounting. Anything the effect did not
// give back is printed as an error of the verb and makes the status 1.
int with_balance_check(simhost::SimHost& host, const std::string& verb, int status);

struct Verb {
  const char* name;
  const char* synopsis;  // the arguments after the verb's name
  const char* help;      // what the verb does and what its options mean
  int (*run)(const Options& options);
};

// tarvolk-host info: the registration data, capability words and parameter count.
extern const Verb info_verb;
// tarvolk-host params [--json]: the parameter list after params setup, one row a slot.
extern const Verb params_verb;
// tarvolk-host about: the About box's text.
extern const Verb about_verb;
// tarvolk-host panel [SCENE] ...: the Effect Controls panel as the user sees
// it after the user's changes, the two custom controls drawn as the host
// shows them, and the wheel edited step by step.
extern const Verb panel_verb;
// tarvolk-host outlines SCENE [--json]: the outlines the effect gathers from a scene.
extern const Verb outlines_verb;
// tarvolk-host render [SCENE] ...: frames of a scene (the default scene
// without one) rendered through the module and written as PNG files.
extern const Verb render_verb;

}  // namespace cli
