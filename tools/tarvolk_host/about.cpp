// tarvolk-host about: the text of the host's About box.

#include <cstdio>
#include <string>

#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/quoted.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"

namespace cli {

namespace {

int about(const Options& options) {
  if (!options.args.empty())
    throw UsageError("unknown argument " + simhost::in_quotes(options.args[0]));
  simhost::SimHost host;
  simhost::PluginModule module(options.module_path);
  {
    simhost::EffectInstance instance(host);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETDOWN}) {
      if (const PF_Err err = instance.run(module, cmd)) {
        print_error(options.verb, "%s failed: error %d", simhost::command_name(cmd).c_str(), err);
        return status_failed;
      }
      if (cmd == PF_Cmd_ABOUT) std::fputs(instance.last_out_data().return_msg, stdout);
    }
  }
  return with_balance_check(host, options.verb, status_ok);
}

}  // namespace

const Verb about_verb{"about", "[--module PATH]", "Prints the text of the About box.\n", about};

}  // namespace cli
