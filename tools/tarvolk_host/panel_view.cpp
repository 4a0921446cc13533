#include "tools/tarvolk_host/panel_view.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/instance/param_type_traits.h"
#include "host/instance/undo_history.h"
#include "host_api/aegp_suites.h"
#include "platform/shell32_record.h"

namespace cli {

namespace {

using simhost::scene::Composition;

std::string format(const char* pattern, double a, double b, double c) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

// The name beside the control: an unnamed checkbox or button goes by its label.
std::string shown_name(const PF_ParamDef& def) {
  const std::string name(def.name, strnlen(def.name, sizeof def.name));
  if (!name.empty()) return name;
  if (def.param_type == PF_Param_CHECKBOX && def.u.bd.u.nameptr != nullptr) {
    return def.u.bd.u.nameptr;
  }
  if (def.param_type == PF_Param_GROUP_START) return "(unnamed group)";
  return "";
}

std::string line_of(simhost::SimHost& host, simhost::EffectInstance& instance, Composition& comp,
                    PF_ParamIndex slot, const PF_ParamDef& def) {
  std::string line = shown_name(def);
  const simhost::ParamTypeTraits& traits = simhost::param_type_traits(def.param_type);
  const std::string text =
      traits.panel_text != nullptr ? traits.panel_text({host, instance, comp, slot, def}) : "";
  if (!traits.shown_as_control) {
    line += ": " + text;
  } else if (!text.empty()) {
    line += (line.empty() ? "" : "  ") + text;
  }
  if (traits.twirl) {
    line += (def.flags & PF_ParamFlag_COLLAPSE_TWIRLY) ? "  [twirl closed]" : "  [twirl open]";
  }
  if (def.ui_flags & PF_PUI_DISABLED) line += "  [disabled]";
  return line;
}

}  // namespace

std::vector<bool> hidden_slots(simhost::EffectInstance& instance) {
  std::vector<bool> hidden(static_cast<std::size_t>(instance.num_params()), false);
  // Whether each open group is hidden, innermost last.
  std::vector<bool> groups;
  for (PF_ParamIndex slot = 1; slot < instance.num_params(); ++slot) {
    const PF_ParamDef def = instance.definition(slot);
    if (def.param_type == PF_Param_GROUP_END) {
      if (!groups.empty()) groups.pop_back();
      continue;
    }
    hidden[slot] = (instance.dynamic_stream_flags(slot) & AEGP_DynStreamFlag_HIDDEN) != 0 ||
                   (def.ui_flags & PF_PUI_INVISIBLE) != 0 || (!groups.empty() && groups.back());
    if (def.param_type == PF_Param_GROUP_START) groups.push_back(hidden[slot]);
  }
  return hidden;
}

std::string panel_text(simhost::SimHost& host, simhost::EffectInstance& instance, Composition& comp,
                       bool show_hidden) {
  const std::vector<bool> hidden = hidden_slots(instance);
  std::string text;
  std::size_t depth = 1;
  for (PF_ParamIndex slot = 1; slot < instance.num_params(); ++slot) {
    const PF_ParamDef def = instance.definition(slot);
    if (def.param_type == PF_Param_GROUP_END) {
      if (depth > 1) --depth;
      continue;
    }
    if (!hidden[slot] || show_hidden) {
      text += std::string(2 * depth, ' ') + (hidden[slot] ? "(hidden) " : "") +
              line_of(host, instance, comp, slot, def) + "\n";
    }
    if (def.param_type == PF_Param_GROUP_START) ++depth;
  }
  return text;
}

std::string undo_history_text(simhost::SimHost& host) {
  std::string text;
  for (const simhost::UndoEntry& entry : simhost::undo_history(host).entries()) {
    text += "  " + simhost::undo_entry_text(entry) + "\n";
  }
  return text.empty() ? "  (none)\n" : text;
}

std::string new_layers_text(Composition& comp, AEGP_LayerIDVal first_new_id) {
  std::string text;
  for (const auto& layer : comp.layers()) {
    if (layer->id < first_new_id) continue;
    const simhost::scene::Vec3 p = layer->transform.position.at(0.0);
    text += "  layer " + std::to_string(layer->id) + " \"" + layer->name +
            "\": " + simhost::scene::layer_kind_name(layer->kind) +
            (layer->three_d ? ", 3D" : ", 2D") + ", position " +
            format("%g, %g, %g", p.x, p.y, p.z) + "\n";
  }
  return text.empty() ? "  (none)\n" : text;
}

std::string pages_opened_text() {
  std::string text;
  for (const shell32_record::ShellExecution& call : shell32_record::executions()) {
    text += "  " + (call.operation.empty() ? std::string("(default)") : call.operation) + " " +
            call.file + "\n";
  }
  return text.empty() ? "  (none)\n" : text;
}

}  // namespace cli
