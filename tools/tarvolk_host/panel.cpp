// tarvolk-host panel [SCENE] [--set NAME=VALUE ...] [--press BUTTON ...] [--all]
//                    [--png FILE] [--gesture STEPS]
//
// The Effect Controls panel as the user sees it. The effect is put on the
// scene's layer (a text layer in a 1280 x 720 composition without SCENE) and
// the panel is opened as the host opens it: global setup, params setup, the
// scene's values, sequence setup and an update of the panel. Each --set and
// --press, in the order given, is a change the user makes: the value is set
// (a supervised parameter, and every button, then reaches the effect as a
// user change), then the panel is updated. The panel is printed, groups
// indented, with each parameter's value, twirl state and disabled state,
// then the undo history, the layers the effect made and the pages opened.
//
// The wheel's custom controls: the info panel (277 x 68) at the top of a
// 350-pixel-wide canvas, the "Gradient Wheel" (350 x 150) 8 pixels below.
// Gesture points are in pixels of the wheel's frame, whose ring is centred
// at (169, 75) with radius 63; the stops are printed after each step.

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/instance/effect_panel.h"
#include "host/instance/gradient_bytes.h"
#include "host/instance/param_values.h"
#include "host/plugin_module.h"
#include "host/quoted.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"
#include "platform/shell32_record.h"
#include "tools/tarvolk_host/cli.h"
#include "tools/tarvolk_host/panel_view.h"

namespace cli {

namespace {

constexpr const char* verb_name = "panel";
constexpr int panel_width = 350;
constexpr PF_Rect info_frame{0, 0, 277, 68};
constexpr PF_Rect wheel_frame{0, 76, 350, 226};

struct GestureStep {
  enum Kind { click, drag, double_click } kind;
  PF_Point point;
  std::string text;
};

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// "click X,Y; drag X,Y; double-click X,Y"; a UsageError for anything else.
std::vector<GestureStep> parse_gesture(const std::string& text) {
  std::vector<GestureStep> steps;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ';')) {
    item = trim(item);
    if (item.empty()) continue;
    GestureStep step{};
    const std::size_t space = item.find(' ');
    const std::string verb = item.substr(0, space);
    if (verb == "click") {
      step.kind = GestureStep::click;
    } else if (verb == "drag") {
      step.kind = GestureStep::drag;
    } else if (verb == "double-click") {
      step.kind = GestureStep::double_click;
    } else {
      throw UsageError("unknown gesture step " + simhost::in_quotes(item));
    }
    int x = 0, y = 0;
    char tail = 0;
    if (space == std::string::npos ||
        std::sscanf(item.c_str() + space, " %d , %d %c", &x, &y, &tail) != 2) {
      throw UsageError("gesture step " + simhost::in_quotes(item) + " needs a point X,Y");
    }
    step.point = {wheel_frame.left + x, wheel_frame.top + y};
    step.text = item;
    steps.push_back(step);
  }
  return steps;
}

// The slots of the panel's controls that editing the wheel works with,
// found in the instance's parameter list as the user knows them: the wheel
// and its selected stop by name, the info panel as the custom control
// without a value. ParamValueError when the effect has no such parameter.
struct PanelControlSlots {
  PF_ParamIndex wheel = 0;
  PF_ParamIndex pt_select = 0;
  PF_ParamIndex info_panel = 0;
};

PanelControlSlots panel_control_slots(simhost::EffectInstance& instance) {
  PanelControlSlots slots;
  slots.wheel = instance.find_param("Gradient Wheel");
  slots.pt_select = instance.find_param("Gradient Pt Select");
  for (PF_ParamIndex slot = 1; slot < instance.num_params() && slots.info_panel == 0; ++slot) {
    const PF_ParamDef def = instance.definition(slot);
    if (def.param_type == PF_Param_NO_DATA && (def.ui_flags & PF_PUI_CONTROL) != 0) {
      slots.info_panel = slot;
    }
  }
  if (slots.info_panel == 0) throw simhost::ParamValueError("the effect has no info panel");
  return slots;
}

void print_stops(simhost::SimHost& host, simhost::EffectInstance& instance,
                 const PanelControlSlots& slots) {
  // A keyframed value at the panel's time.
  const std::vector<unsigned char> bytes =
      instance.is_keyframed(slots.wheel)
          ? instance.flatten_value(slots.wheel)
          : host.handle_bytes(instance.definition(slots.wheel).u.arb_d.value);
  const std::vector<simhost::GradientStop> stops =
      simhost::gradient_stops(bytes).value_or(std::vector<simhost::GradientStop>{});
  const A_long selected = instance.definition(slots.pt_select).u.sd.value;
  std::printf("  %zu stops, selected %d\n", stops.size(), selected);
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const simhost::GradientStop& s = stops[i];
    std::printf("  %c%2zu  %.4f turns  rgb(%.3f, %.3f, %.3f)\n",
                static_cast<A_long>(i) == selected ? '*' : ' ', i, s.position, s.red, s.green,
                s.blue);
  }
}

// The scene of a panel opened without a scene file.
constexpr const char* default_scene_text = R"({
  "composition": {"width": 1280, "height": 720, "frame_rate": 24, "name": "Title"},
  "layers": [{"name": "Tarvolk", "kind": "text",
              "text": {"text": "Tarvolk", "bold": true, "size": 200, "origin": [250, 430]}}],
  "effect": {"layer": "Tarvolk"}
})";

struct UserChange {
  enum Kind { set, press } kind;
  std::string text;  // NAME=VALUE, or the button's name or label
};

// False, with a message, when the command fails.
bool run_command(simhost::EffectInstance& instance, simhost::PluginModule& module, PF_Cmd cmd,
                 void* extra = nullptr) {
  const PF_Err err = instance.run(module, cmd, extra);
  if (err == PF_Err_NONE) return true;
  print_error(verb_name, "%s failed: error %d", simhost::command_name(cmd).c_str(), err);
  return false;
}

// What the host sends after the user changed a parameter: the change itself
// when the effect supervises it, then the panel's update.
bool after_change(simhost::EffectInstance& instance, simhost::PluginModule& module,
                  PF_ParamIndex slot) {
  if (instance.definition(slot).flags & PF_ParamFlag_SUPERVISE) {
    PF_UserChangedParamExtra extra{slot};
    if (!run_command(instance, module, PF_Cmd_USER_CHANGED_PARAM, &extra)) return false;
  }
  return run_command(instance, module, PF_Cmd_UPDATE_PARAMS_UI);
}

// A button by the text on it, else any parameter by name (ParamValueError
// naming the button when there is none): the buttons of "About & Support"
// are named at run time, and the user knows them by their text.
PF_ParamIndex find_button(simhost::EffectInstance& instance, const std::string& text) {
  for (PF_ParamIndex slot = 1; slot < instance.num_params(); ++slot) {
    const PF_ParamDef def = instance.definition(slot);
    if (def.param_type == PF_Param_BUTTON && def.u.button_d.u.namesptr != nullptr &&
        text == def.u.button_d.u.namesptr) {
      return slot;
    }
  }
  try {
    return instance.find_param(text);
  } catch (const simhost::ParamValueError&) {
    throw simhost::ParamValueError("button " + simhost::in_quotes(text) +
                                   ": there is no such button");
  }
}

// 0 when done, 1 when a command failed, 2 when the host refused the change.
int apply(simhost::EffectInstance& instance, simhost::PluginModule& module,
          const UserChange& change) {
  PF_ParamIndex slot = 0;
  try {
    if (change.kind == UserChange::set) {
      const std::size_t equals = change.text.find('=');
      if (equals == std::string::npos || equals == 0) {
        print_error(verb_name, "--set %s is not NAME=VALUE",
                    simhost::in_quotes(change.text).c_str());
        return status_usage;
      }
      slot = instance.find_param(change.text.substr(0, equals));
      instance.set_value(slot, simhost::json_from_text(change.text.substr(equals + 1)));
    } else {
      slot = find_button(instance, change.text);
      if (instance.definition(slot).param_type != PF_Param_BUTTON) {
        throw simhost::ParamValueError("parameter " + instance.describe(slot) +
                                       ": it is not a button");
      }
      if (hidden_slots(instance)[static_cast<std::size_t>(slot)]) {
        throw simhost::ParamValueError("parameter " + instance.describe(slot) +
                                       ": the panel hides it, so it cannot be pressed");
      }
    }
  } catch (const simhost::ParamValueError& e) {
    print_error(verb_name, "%s", e.what());
    return status_usage;
  }
  return after_change(instance, module, slot) ? 0 : 1;
}

// The wheel edited step by step, its stops printed after each, and the two
// custom controls drawn into `png_path` when one is given.
int edit_wheel(simhost::SimHost& host, simhost::EffectInstance& instance,
               simhost::PluginModule& module, const std::vector<GestureStep>& steps,
               const std::string& png_path) {
  simhost::DrawbotCanvas canvas(host, panel_width, wheel_frame.bottom, simhost::theme_background());
  simhost::EffectPanel panel(instance, module, canvas);
  const PanelControlSlots slots = panel_control_slots(instance);
  const simhost::PanelControl wheel{slots.wheel, wheel_frame, PF_EA_CONTROL};
  const simhost::PanelControl info{slots.info_panel, info_frame, PF_EA_CONTROL};
  int status = 0;
  if (!steps.empty()) {
    std::printf("Gradient Wheel\n");
    print_stops(host, instance, slots);
  }
  for (std::size_t i = 0; i < steps.size() && status == 0; ++i) {
    const GestureStep& step = steps[i];
    // The mouse goes up after the last drag of a run.
    const bool last_drag = i + 1 == steps.size() || steps[i + 1].kind != GestureStep::drag;
    PF_Err err = PF_Err_NONE;
    switch (step.kind) {
      case GestureStep::click:
        err = panel.click(wheel, step.point, 1);
        break;
      case GestureStep::drag:
        if (!panel.dragging()) std::printf("(no drag: the effect asked for none)\n");
        err = panel.drag(step.point, last_drag);
        break;
      case GestureStep::double_click:
        // As a user's double click arrives: one click, then a second one.
        err = panel.click(wheel, step.point, 1);
        if (err == PF_Err_NONE) err = panel.click(wheel, step.point, 2);
        break;
    }
    std::printf("%s\n", step.text.c_str());
    if (err != PF_Err_NONE) {
      print_error(verb_name, "the event failed: error %d", err);
      status = status_failed;
    }
    print_stops(host, instance, slots);
  }
  if (!png_path.empty() && status == 0) {
    for (const simhost::PanelControl& control : {info, wheel}) {
      if (const PF_Err err = panel.draw(control); err != PF_Err_NONE) {
        print_error(verb_name, "drawing slot %d failed: error %d", control.index, err);
        status = status_failed;
      }
    }
    if (!canvas.write_png(png_path)) {
      print_error(verb_name, "%s cannot be written", simhost::shortened_middle(png_path).c_str());
      status = status_failed;
    }
  }
  return status;
}

int panel(const Options& options) {
  std::string scene_path;
  std::string png_path;
  std::string gesture;
  std::vector<UserChange> changes;
  bool show_hidden = false;
  for (std::size_t i = 0; i < options.args.size(); ++i) {
    const std::string& arg = options.args[i];
    // The value an option needs: what it is, when there is none.
    auto value = [&](const char* what) -> const std::string& {
      if (i + 1 >= options.args.size()) throw UsageError(arg + " needs " + what);
      return options.args[++i];
    };
    if (arg == "--png") {
      png_path = value("a file name");
      if (png_path.empty()) throw UsageError("--png needs a file name, not an empty one");
    } else if (arg == "--gesture") {
      gesture = value("steps (\"click X,Y; drag X,Y\")");
    } else if (arg == "--set") {
      changes.push_back({UserChange::set, value("NAME=VALUE")});
    } else if (arg == "--press") {
      changes.push_back({UserChange::press, value("a button's name or the text on it")});
    } else if (arg == "--all") {
      show_hidden = true;
    } else if (arg.rfind("--", 0) != 0 && scene_path.empty()) {
      scene_path = arg;
    } else {
      throw UsageError("unknown argument " + simhost::in_quotes(arg));
    }
  }
  const std::vector<GestureStep> steps = parse_gesture(gesture);

  simhost::SimHost host;
  simhost::scene::Scene scene =
      scene_path.empty() ? simhost::scene::parse_scene(default_scene_text, "default scene")
                         : simhost::scene::read_scene_file(scene_path);
  simhost::scene::Composition& comp = *scene.composition;
  const AEGP_LayerIDVal first_new_layer = static_cast<AEGP_LayerIDVal>(comp.layers().size()) + 1;
  shell32_record::reset();
  simhost::PluginModule module(options.module_path);
  int status = 0;
  {
    simhost::EffectInstance instance(host);
    simhost::scene::place_effect(scene, instance);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      if (!run_command(instance, module, cmd)) return status_failed;
    }
    simhost::scene::set_scene_parameters(scene, instance);
    for (PF_Cmd cmd : {PF_Cmd_SEQUENCE_SETUP, PF_Cmd_UPDATE_PARAMS_UI}) {
      if (!run_command(instance, module, cmd)) return status_failed;
    }
    for (const UserChange& change : changes) {
      status = apply(instance, module, change);
      if (status != 0) break;
    }

    if (!steps.empty() && status == 0) {
      status = edit_wheel(host, instance, module, steps, png_path);
    } else if (!png_path.empty() && status == 0) {
      status = edit_wheel(host, instance, module, {}, png_path);
    }

    if (status != status_usage) {
      const simhost::scene::Layer* layer = comp.layer_by_id(scene.effect_layer);
      std::printf("Effect Controls: Tarvolk on layer %d \"%s\"\n", scene.effect_layer,
                  layer != nullptr ? layer->name.c_str() : "");
      std::printf("%s", panel_text(host, instance, comp, show_hidden).c_str());
      std::printf("Undo history:\n%s", undo_history_text(host).c_str());
      std::printf("New layers:\n%s", new_layers_text(comp, first_new_layer).c_str());
      std::printf("Pages opened:\n%s", pages_opened_text().c_str());
    }
    instance.run(module, PF_Cmd_SEQUENCE_SETDOWN);
    instance.run(module, PF_Cmd_GLOBAL_SETDOWN);
  }
  return with_balance_check(host, verb_name, status);
}

}  // namespace

const Verb panel_verb{
    "panel",
    "[SCENE] [--set NAME=VALUE ...] [--press BUTTON ...] [--all]\n"
    "                          [--png FILE] [--gesture STEPS] [--module PATH]",
    "Opens the Effect Controls panel of the effect on the scene's layer (a text\n"
    "layer in a 1280 x 720 composition without SCENE) as the host opens it, makes\n"
    "the user's changes in the order given, and prints the panel (groups\n"
    "indented, each parameter's value, twirl and disabled state), the undo\n"
    "history, the layers the effect made and the pages it opened.\n"
    "  --set NAME=VALUE  sets a parameter by name (a refused value: status 2)\n"
    "  --press BUTTON    presses a button, by its name or the text on it\n"
    "  --all             lists the hidden parameters too, marked\n"
    "  --png FILE        draws the info panel and the \"Gradient Wheel\" into FILE\n"
    "  --gesture STEPS   edits the wheel: \"click X,Y; drag X,Y; double-click X,Y\",\n"
    "                    points in the wheel's 350 x 150 frame; the stops are\n"
    "                    printed after each step\n",
    panel};

}  // namespace cli
