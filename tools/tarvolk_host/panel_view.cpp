#include "tools/tarvolk_host/panel_view.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "host/instance/gradient_bytes.h"
#include "host/instance/param_values.h"
#include "host/instance/undo_history.h"
#include "host_api/aegp_suites.h"
#include "platform/shell32_record.h"

namespace cli {

namespace {

using simhost::scene::Composition;
using simhost::scene::Layer;

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

std::string hex_color(int r, int g, int b) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
  return text;
}

// The chosen item's text, or its number when there is no such item.
std::string popup_item(const PF_ParamDef& def) {
  const std::vector<std::string> items =
      simhost::popup_items(def.u.pd.u.namesptr != nullptr ? def.u.pd.u.namesptr : "");
  const PF_ParamValue chosen = def.u.pd.value;
  if (chosen < 1 || static_cast<std::size_t>(chosen) > items.size()) return std::to_string(chosen);
  return items[static_cast<std::size_t>(chosen) - 1];
}

// The stops of a "Gradient Wheel" value.
std::string gradient_text(const std::vector<unsigned char>& bytes) {
  const std::optional<std::vector<simhost::GradientStop>> stops = simhost::gradient_stops(bytes);
  if (!stops) return "(no value)";
  const std::size_t n = stops->size();
  std::string text = std::to_string(n) + (n == 1 ? " stop" : " stops");
  for (std::size_t i = 0; i < n; ++i) {
    const simhost::GradientStop& stop = (*stops)[i];
    auto byte = [](float c) {
      return static_cast<int>(std::lround(std::fmin(std::fmax(c, 0), 1) * 255));
    };
    text += (i == 0 ? ": " : ", ") + format("%.3f ", stop.position) +
            hex_color(byte(stop.red), byte(stop.green), byte(stop.blue));
  }
  return text;
}

std::string layer_text(Composition& comp, AEGP_LayerIDVal id) {
  if (id == 0) return "None";
  const Layer* layer = comp.layer_by_id(id);
  if (layer == nullptr) return "layer " + std::to_string(id) + " (missing)";
  return "layer " + std::to_string(id) + " \"" + layer->name + "\"";
}

// What the panel shows to the right of a parameter's name.
std::string value_text(simhost::SimHost& host, simhost::EffectInstance& instance, Composition& comp,
                       PF_ParamIndex slot, const PF_ParamDef& def) {
  const PF_ParamDefUnion& u = def.u;
  switch (def.param_type) {
    case PF_Param_SLIDER:
      return std::to_string(u.sd.value);
    case PF_Param_FIX_SLIDER:
      return format("%g", u.fd.value / 65536.0);
    case PF_Param_FLOAT_SLIDER: {
      char number[64];
      std::snprintf(number, sizeof number, "%.*f", static_cast<int>(u.fs_d.precision),
                    u.fs_d.value);
      return number + std::string(u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT ? "%" : "");
    }
    case PF_Param_ANGLE:
      return format("%g°", u.ad.value / 65536.0);
    case PF_Param_CHECKBOX:
      return u.bd.value != 0 ? "on" : "off";
    case PF_Param_COLOR: {
      const PF_Pixel& c = u.cd.value;
      std::string text = hex_color(c.red, c.green, c.blue);
      if (c.alpha != 255) text += " alpha " + std::to_string(c.alpha);
      return text;
    }
    case PF_Param_POINT:
      return format("%g, %g", u.td.x_value / 65536.0, u.td.y_value / 65536.0);
    case PF_Param_POPUP:
      return popup_item(def);
    case PF_Param_LAYER:
      return layer_text(comp, instance.layer_id(slot, instance.current_time, instance.time_scale));
    case PF_Param_PATH:
      return u.path_d.path_id == 0 ? "None" : "mask " + std::to_string(u.path_d.path_id);
    case PF_Param_ARBITRARY_DATA:
      return gradient_text(host.handle_bytes(u.arb_d.value));
    default:
      return "";
  }
}

bool has_twirl(PF_ParamType type) {
  switch (type) {
    case PF_Param_GROUP_START:
    case PF_Param_SLIDER:
    case PF_Param_FIX_SLIDER:
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_ARBITRARY_DATA:
      return true;
    default:
      return false;
  }
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
  switch (def.param_type) {
    case PF_Param_GROUP_START:
      break;
    case PF_Param_BUTTON: {
      const char* label = def.u.button_d.u.namesptr != nullptr ? def.u.button_d.u.namesptr : "";
      line += (line.empty() ? "[" : "  [") + std::string(label) + "]";
      break;
    }
    case PF_Param_NO_DATA:
      line += (line.empty() ? "" : "  ") + std::string("[custom control ") +
              std::to_string(def.ui_width) + " x " + std::to_string(def.ui_height) + "]";
      break;
    default:
      line += ": " + value_text(host, instance, comp, slot, def);
  }
  if (has_twirl(def.param_type)) {
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
