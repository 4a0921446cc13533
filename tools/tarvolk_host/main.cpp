// tarvolk-host: runs the plug-in module in the simulated host.
//
//   tarvolk-host VERB [ARGUMENTS] [--module PATH]
//   tarvolk-host VERB --help
//
// The verbs (info, params, about, panel, outlines, render) are described in
// cli.h and in their own files; every verb takes --module PATH (the module
// to load, else the one beside the tool's build) and --help. Statuses and
// error lines follow cli.h.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "host/quoted.h"
#include "host/scene/scene_file.h"
#include "tools/tarvolk_host/cli.h"

namespace {

const cli::Verb* const verbs[] = {&cli::info_verb,  &cli::params_verb,   &cli::about_verb,
                                  &cli::panel_verb, &cli::outlines_verb, &cli::render_verb};

void print_usage(std::FILE* to, const cli::Verb& verb) {
  std::fprintf(to, "usage: tarvolk-host %s %s\n", verb.name, verb.synopsis);
}

int overview(std::FILE* to, int status) {
  std::fprintf(to,
               "usage: tarvolk-host VERB [ARGUMENTS] [--module PATH]\n"
               "       tarvolk-host VERB --help\n\nVerbs:\n");
  for (const cli::Verb* verb : verbs) {
    std::fprintf(to, "  %s %s\n", verb->name, verb->synopsis);
  }
  std::fprintf(to,
               "\n--module PATH loads that module in place of the one beside the tool's build.\n%s",
               cli::exit_status_help);
  return status;
}

int help(const cli::Verb& verb) {
  print_usage(stdout, verb);
  std::printf(
      "\n%s\n--module PATH loads that module in place of the one beside the tool's "
      "build.\n%s",
      verb.help, cli::exit_status_help);
  return cli::status_ok;
}

}  // namespace

int main(int argc, char** argv) {
  // A file that reaches the size limit fails its write, which is reported,
  // rather than ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc < 2) return overview(stderr, cli::status_usage);
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") return overview(stdout, cli::status_ok);
  const cli::Verb* verb = nullptr;
  for (const cli::Verb* v : verbs) {
    if (name == v->name) verb = v;
  }
  if (verb == nullptr) {
    std::fprintf(stderr, "tarvolk-host: unknown verb %s\n", simhost::in_quotes(name).c_str());
    return overview(stderr, cli::status_usage);
  }

  cli::Options options;
  options.verb = name;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return help(*verb);
  }
  try {
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], "--module") == 0) {
        if (i + 1 >= argc) throw cli::UsageError("--module needs a value");
        options.module_path = argv[++i];
      } else {
        options.args.push_back(argv[i]);
      }
    }
    if (options.module_path.empty()) options.module_path = cli::default_module_path();
    return verb->run(options);
  } catch (const cli::UsageError& e) {
    cli::print_error(name, "%s", e.what());
    print_usage(stderr, *verb);
    return cli::status_usage;
  } catch (const simhost::scene::SceneError& e) {
    cli::print_error(name, "%s", e.what());
    return cli::status_usage;
  } catch (const std::bad_alloc&) {
    // Never the exception's own text: say what ran out.
    cli::print_error(name, "out of memory");
    return cli::status_failed;
  } catch (const std::exception& e) {
    cli::print_error(name, "%s", e.what());
    return cli::status_failed;
  }
}
