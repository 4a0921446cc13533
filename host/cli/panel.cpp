// tarvolk-host panel: the effect's two custom controls as the host shows
// them, and the wheel edited with the mouse.
//
// The panel is 350 pixels wide: the info panel (277 x 68) at its top, the
// "Gradient Wheel" (350 x 150) 8 pixels below. Gesture points are in pixels
// of the wheel's frame, whose ring is centred at (169, 75) with radius 63.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/cli.h"
#include "host/effect_instance.h"
#include "host/effect_panel.h"
#include "host/host_call.h"
#include "host/plugin_module.h"
#include "host/sim_host.h"
#include "host/suites/app_suite.h"
#include "host/suites/drawbot_canvas.h"

namespace cli {

namespace {

constexpr A_long kEffectSlots = 83;
constexpr PF_ParamIndex kInfoPanelSlot = 2;
constexpr PF_ParamIndex kWheelSlot = 39;
constexpr PF_ParamIndex kPtSelectSlot = 40;
constexpr int kPanelWidth = 350;
constexpr PF_Rect kInfoFrame{0, 0, 277, 68};
constexpr PF_Rect kWheelFrame{0, 76, 350, 226};

struct GestureStep {
  enum Kind { Click, Drag, DoubleClick } kind;
  PF_Point point;
  std::string text;
};

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// "click X,Y; drag X,Y; double-click X,Y"; false with a message on stderr
// for anything else.
bool parse_gesture(const std::string& text, std::vector<GestureStep>* steps) {
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ';')) {
    item = trim(item);
    if (item.empty()) continue;
    GestureStep step{};
    const std::size_t space = item.find(' ');
    const std::string verb = item.substr(0, space);
    if (verb == "click") {
      step.kind = GestureStep::Click;
    } else if (verb == "drag") {
      step.kind = GestureStep::Drag;
    } else if (verb == "double-click") {
      step.kind = GestureStep::DoubleClick;
    } else {
      std::fprintf(stderr, "unknown gesture step \"%s\"\n", item.c_str());
      return false;
    }
    int x = 0, y = 0;
    char tail = 0;
    if (space == std::string::npos ||
        std::sscanf(item.c_str() + space, " %d , %d %c", &x, &y, &tail) != 2) {
      std::fprintf(stderr, "gesture step \"%s\" needs a point X,Y\n", item.c_str());
      return false;
    }
    step.point = {kWheelFrame.left + x, kWheelFrame.top + y};
    step.text = item;
    steps->push_back(step);
  }
  return true;
}

struct Stop {
  double position;
  float alpha, red, green, blue;
};

// The value's stops as the host keeps them: a 32-bit byte count, then
// 24-byte stops.
std::vector<Stop> stops_of(const std::vector<unsigned char>& bytes) {
  std::vector<Stop> stops;
  if (bytes.size() < 4) return stops;
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  const std::size_t n = std::min<std::size_t>(count / 24, (bytes.size() - 4) / 24);
  for (std::size_t i = 0; i < n; ++i) {
    Stop s{};
    std::memcpy(&s, bytes.data() + 4 + 24 * i, 24);
    stops.push_back(s);
  }
  return stops;
}

void print_stops(simhost::SimHost& host, simhost::EffectInstance& instance) {
  const std::vector<Stop> stops =
      stops_of(host.handle_bytes(instance.definition(kWheelSlot).u.arb_d.value));
  const A_long selected = instance.definition(kPtSelectSlot).u.sd.value;
  std::printf("  %zu stops, selected %d\n", stops.size(), selected);
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const Stop& s = stops[i];
    std::printf("  %c%2zu  %.4f turns  rgb(%.3f, %.3f, %.3f)\n",
                static_cast<A_long>(i) == selected ? '*' : ' ', i, s.position, s.red, s.green,
                s.blue);
  }
}

}  // namespace

int panel(const Options& options) {
  std::string png_path;
  std::string gesture;
  for (std::size_t i = 0; i < options.args.size(); ++i) {
    if (options.args[i] == "--png" && i + 1 < options.args.size()) {
      png_path = options.args[++i];
    } else if (options.args[i] == "--gesture" && i + 1 < options.args.size()) {
      gesture = options.args[++i];
    } else {
      std::fprintf(stderr, "panel: unknown argument \"%s\"\n", options.args[i].c_str());
      return 2;
    }
  }
  std::vector<GestureStep> steps;
  if (!parse_gesture(gesture, &steps)) return 2;

  simhost::SimHost host;
  simhost::PluginModule module(options.module_path);
  int status = 0;
  {
    simhost::EffectInstance instance(host);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
      if (const PF_Err err = instance.run(module, cmd); err != PF_Err_NONE) {
        std::fprintf(stderr, "%s failed: error %d\n", simhost::command_name(cmd).c_str(), err);
        return 1;
      }
    }
    if (instance.num_params() != kEffectSlots) {
      std::fprintf(stderr, "the effect declared %d parameter slots, not %d\n",
                   instance.num_params(), kEffectSlots);
      return 1;
    }

    simhost::DrawbotCanvas canvas(host, kPanelWidth, kWheelFrame.bottom,
                                  simhost::theme_background());
    simhost::EffectPanel panel(instance, module, canvas);
    const simhost::PanelControl wheel{kWheelSlot, kWheelFrame, PF_EA_CONTROL};
    const simhost::PanelControl info{kInfoPanelSlot, kInfoFrame, PF_EA_CONTROL};

    std::printf("Gradient Wheel\n");
    print_stops(host, instance);
    for (std::size_t i = 0; i < steps.size() && status == 0; ++i) {
      const GestureStep& step = steps[i];
      // The mouse goes up after the last drag of a run.
      const bool last_drag = i + 1 == steps.size() || steps[i + 1].kind != GestureStep::Drag;
      PF_Err err = PF_Err_NONE;
      switch (step.kind) {
        case GestureStep::Click:
          err = panel.click(wheel, step.point, 1);
          break;
        case GestureStep::Drag:
          if (!panel.dragging()) std::printf("(no drag: the effect asked for none)\n");
          err = panel.drag(step.point, last_drag);
          break;
        case GestureStep::DoubleClick:
          // As a user's double click arrives: one click, then a second one.
          err = panel.click(wheel, step.point, 1);
          if (err == PF_Err_NONE) err = panel.click(wheel, step.point, 2);
          break;
      }
      std::printf("%s\n", step.text.c_str());
      if (err != PF_Err_NONE) {
        std::fprintf(stderr, "the event failed: error %d\n", err);
        status = 1;
      }
      print_stops(host, instance);
    }

    if (!png_path.empty() && status == 0) {
      for (const simhost::PanelControl& control : {info, wheel}) {
        if (const PF_Err err = panel.draw(control); err != PF_Err_NONE) {
          std::fprintf(stderr, "drawing slot %d failed: error %d\n", control.index, err);
          status = 1;
        }
      }
      if (!canvas.write_png(png_path)) {
        std::fprintf(stderr, "cannot write %s\n", png_path.c_str());
        status = 1;
      }
    }
    instance.run(module, PF_Cmd_SEQUENCE_SETDOWN);
    instance.run(module, PF_Cmd_GLOBAL_SETDOWN);
  }
  const std::string report = host.balance_report();
  if (!report.empty()) {
    std::fprintf(stderr, "the effect did not give back everything:\n%s", report.c_str());
    status = 1;
  }
  return status;
}

}  // namespace cli
