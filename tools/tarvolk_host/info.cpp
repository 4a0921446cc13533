// tarvolk-host info: who the module is.

#include <cstdio>
#include <string>

#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/quoted.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"

namespace cli {

namespace {

std::string four_cc(A_long v) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xff);
  return s;
}

int info(const Options& options) {
  if (!options.args.empty())
    throw UsageError("unknown argument " + simhost::in_quotes(options.args[0]));
  const std::string& module_path = options.module_path;
  simhost::SimHost host;
  simhost::PluginModule module(module_path);

  simhost::Registration reg;
  const PF_Err reg_err = module.register_plugin(host, &reg);
  if (reg_err != PF_Err_NONE || reg.calls != 1) {
    print_error(options.verb, "registration failed: error %d, %d callback call(s)", reg_err,
                reg.calls);
    return status_failed;
  }
  std::printf("module:         %s\n", module_path.c_str());
  std::printf("name:           %s\n", reg.name.c_str());
  std::printf("match name:     %s\n", reg.match_name.c_str());
  std::printf("category:       %s\n", reg.category.c_str());
  std::printf("entry point:    %s\n", reg.entry_point.c_str());
  std::printf("kind:           '%s' (0x%08x)\n", four_cc(reg.kind).c_str(),
              static_cast<unsigned>(reg.kind));
  std::printf("API version:    %d.%d\n", reg.api_version_major, reg.api_version_minor);
  std::printf("reserved info:  %d\n", reg.reserved_info);
  std::printf("support URL:    %s\n", reg.support_url.c_str());

  int status = 0;
  {
    simhost::EffectInstance instance(host);
    const PF_Err setup_err = instance.run(module, PF_Cmd_GLOBAL_SETUP);
    if (setup_err != PF_Err_NONE) {
      print_error(options.verb, "global setup failed: error %d", setup_err);
      return status_failed;
    }
    // The host's packing: major, minor, bug fix, stage, build.
    const A_u_long v = instance.my_version;
    static const char* const stages[] = {"development", "alpha", "beta", "release"};
    std::printf("version:        0x%x (%u.%u.%u, %s, build %u)\n", v, (v >> 19) & 0xf,
                (v >> 15) & 0xf, (v >> 11) & 0xf, stages[(v >> 9) & 0x3], v & 0x1ff);
    std::printf("out_flags:      0x%08x\n", static_cast<unsigned>(instance.out_flags));
    std::printf("out_flags2:     0x%08x\n", static_cast<unsigned>(instance.out_flags2));

    const PF_Err params_err = instance.run(module, PF_Cmd_PARAMS_SETUP);
    if (params_err != PF_Err_NONE) {
      print_error(options.verb, "params setup failed: error %d", params_err);
      status = status_failed;
    } else if (instance.num_params() > 1) {
      std::printf("parameters:     %d\n", instance.num_params());
    }
    instance.run(module, PF_Cmd_GLOBAL_SETDOWN);
  }
  return with_balance_check(host, options.verb, status);
}

}  // namespace

const Verb info_verb{"info", "[--module PATH]",
                     "Loads the module and prints its registration data, then, after global\n"
                     "setup, its version and capability flags and, once it declares\n"
                     "parameters, their count.\n",
                     info};

}  // namespace cli
