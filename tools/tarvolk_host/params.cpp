// tarvolk-host params [--json]: the parameter list as the host holds it
// after params setup, one row a slot.

#include <cstdio>
#include <string>

#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/param_type_traits.h"
#include "host/plugin_module.h"
#include "host/quoted.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"

namespace cli {

namespace {

using json = nlohmann::ordered_json;

json describe(simhost::EffectInstance& instance, PF_ParamIndex slot) {
  const PF_ParamDef def = instance.definition(slot);
  const simhost::ParamTypeTraits& traits = simhost::param_type_traits(def.param_type);
  json row = {{"slot", slot},     {"id", def.uu.id},    {"type", traits.name},
              {"name", def.name}, {"flags", def.flags}, {"ui_flags", def.ui_flags},
              {"value", nullptr}, {"default", nullptr}};
  if (slot != 0) {
    row["value"] = json(instance.value_json(slot));
    row["default"] = json(instance.default_json(slot));
  }
  if (def.ui_width != 0 || def.ui_height != 0) row["ui_size"] = {def.ui_width, def.ui_height};
  if (traits.describe != nullptr) traits.describe(def, row);
  return row;
}

// "value 2 (default 2), valid 0..10000, slider 0..100" and the like.
std::string details(const json& row) {
  std::string s;
  auto add = [&s](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
  if (!row["value"].is_null()) {
    const json& value = row["value"];
    const bool saved_bytes = value.is_object() && value.contains("flat");
    add("value " + (saved_bytes
                        ? std::to_string(value["flat"].get<std::string>().size() / 2) + " bytes"
                        : value.dump()));
    const json& dephault = row["default"];
    if (!dephault.is_null() && dephault != value && !saved_bytes) {
      add("default " + dephault.dump());
    }
  }
  if (row.contains("ranges")) {
    const json& r = row["ranges"];
    add("valid " + r["valid"][0].dump() + ".." + r["valid"][1].dump());
    add("slider " + r["slider"][0].dump() + ".." + r["slider"][1].dump());
    if (r.contains("precision")) add("precision " + r["precision"].dump());
    if (r.value("percent", false)) add("percent");
  }
  if (row.contains("items")) {
    std::string items;
    for (const json& item : row["items"])
      items += (items.empty() ? "" : "|") + item.get<std::string>();
    add("items " + items);
  }
  if (row.contains("label")) add("label \"" + row["label"].get<std::string>() + "\"");
  if (row.contains("ui_size")) {
    add("control " + row["ui_size"][0].dump() + "x" + row["ui_size"][1].dump());
  }
  return s;
}

int params(const Options& options) {
  const bool as_json = !options.args.empty() && options.args[0] == "--json";
  if (options.args.size() > (as_json ? 1u : 0u)) {
    throw UsageError("unknown argument " + simhost::in_quotes(options.args.back()));
  }
  simhost::SimHost host;
  simhost::PluginModule module(options.module_path);
  int status = 0;
  {
    simhost::EffectInstance instance(host);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      if (const PF_Err err = instance.run(module, cmd)) {
        print_error(options.verb, "%s failed: error %d", simhost::command_name(cmd).c_str(), err);
        return status_failed;
      }
    }
    json rows = json::array();
    for (PF_ParamIndex slot = 0; slot < instance.num_params(); ++slot) {
      rows.push_back(describe(instance, slot));
    }
    if (as_json) {
      std::printf("%s\n", rows.dump(2).c_str());
    } else {
      std::printf("slot  id  type            name                             flags  ui_flags\n");
      for (const json& row : rows) {
        std::printf("%4d %3d  %-15s %-32s 0x%03x  0x%03x     %s\n", row["slot"].get<int>(),
                    row["id"].get<int>(), row["type"].get<std::string>().c_str(),
                    ("\"" + row["name"].get<std::string>() + "\"").c_str(), row["flags"].get<int>(),
                    row["ui_flags"].get<int>(), details(row).c_str());
      }
    }
    instance.run(module, PF_Cmd_GLOBAL_SETDOWN);
  }
  return with_balance_check(host, options.verb, status);
}

}  // namespace

const Verb params_verb{
    "params", "[--json] [--module PATH]",
    "Prints the parameter list as the host holds it after params setup, one row\n"
    "a slot: slot, id, type, name, flags, ui_flags, value, default, ranges,\n"
    "popup items, labels. --json prints the rows as a JSON array.\n",
    params};

}  // namespace cli
