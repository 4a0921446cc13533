// tarvolk-host render [SCENE] [-o OUT.png] [--time T | --frames A..B]
//                     [--bit-depth 8|32] [--downsample N|X,Y] [--background R,G,B]
// renders frames of a scene (the default scene without one) through the
// module as the host does: global setup, params setup, sequence setup, the
// scene's parameter values, update params UI, then for each frame smart
// pre-render and smart render, and at the end sequence setdown and global
// setdown. Each frame's output, placed in the layer's area at its
// downsampling, is written as a PNG (float frames as a viewer shows them);
// a frame range (at most 100000 frames) writes numbered files, one progress
// line each. An error of the effect is printed with its message and ends the
// run with status 1, as does Ctrl-C, which cancels the frame in flight; a
// bad scene or time ends it with status 2.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/frame/frame.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/png.h"
#include "host/scene/default_scene.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"
#include "tools/tarvolk_host/interrupt.h"

namespace cli {

namespace {

constexpr const char* render_usage =
    "usage: tarvolk-host render [SCENE] [-o OUT.png] [--time T | --frames A..B]\n"
    "                           [--bit-depth 8|32] [--downsample N|X,Y] [--background R,G,B]\n"
    "                           [--module PATH]\n";

// The most frames one run renders.
constexpr long most_frames = 100000;

class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct RenderOptions {
  std::string scene_path;  // empty: the default scene
  std::string output;      // empty: named after the scene
  std::optional<double> time;
  std::optional<std::array<long, 2>> frames;
  A_short bitdepth = 8;
  std::optional<simhost::scene::Downsample> downsample;  // none: the scene's
  std::optional<std::array<int, 3>> background;
};

double number_of(const std::string& option, const std::string& text) {
  size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || !std::isfinite(value)) {
    throw UsageError(option + " expects a number, not \"" + text + "\"");
  }
  return value;
}

long whole_number_of(const std::string& option, const std::string& text) {
  const double value = number_of(option, text);
  if (value != std::floor(value) || std::abs(value) > 1e9) {
    throw UsageError(option + " expects a whole number, not \"" + text + "\"");
  }
  return static_cast<long>(value);
}

RenderOptions parse_options(const std::vector<std::string>& args) {
  RenderOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-o") {
      o.output = value();
    } else if (arg == "--time") {
      o.time = number_of(arg, value());
    } else if (arg == "--frames") {
      const std::string range = value();
      const size_t dots = range.find("..");
      if (dots == std::string::npos)
        throw UsageError("--frames expects A..B, not \"" + range + "\"");
      o.frames = {whole_number_of(arg, range.substr(0, dots)),
                  whole_number_of(arg, range.substr(dots + 2))};
      if ((*o.frames)[1] < (*o.frames)[0]) throw UsageError("--frames: B is before A");
      if ((*o.frames)[1] - (*o.frames)[0] >= most_frames) {
        throw UsageError("--frames: at most " + std::to_string(most_frames) + " frames a run");
      }
    } else if (arg == "--bit-depth") {
      const long depth = whole_number_of(arg, value());
      if (depth != 8 && depth != 32) throw UsageError("--bit-depth is 8 or 32");
      o.bitdepth = static_cast<A_short>(depth);
    } else if (arg == "--downsample") {
      // N for both directions, or X,Y across and down.
      const std::string factors = value();
      const size_t comma = factors.find(',');
      const auto factor = [&](const std::string& text) {
        const long n = whole_number_of(arg, text);
        if (n < 1 || n > 64)
          throw UsageError("--downsample factors are whole numbers from 1 to 64");
        return static_cast<int>(n);
      };
      const int x = factor(factors.substr(0, comma));
      o.downsample = {x, comma == std::string::npos ? x : factor(factors.substr(comma + 1))};
    } else if (arg == "--background") {
      const std::string rgb = value();
      std::array<int, 3> c{};
      size_t start = 0;
      for (int k = 0; k < 3; ++k) {
        const size_t end = k < 2 ? rgb.find(',', start) : rgb.size();
        if (end == std::string::npos) throw UsageError("--background expects R,G,B");
        const long v = whole_number_of(arg, rgb.substr(start, end - start));
        if (v < 0 || v > 255) throw UsageError("--background channels are 0 to 255");
        c[k] = static_cast<int>(v);
        start = end + 1;
      }
      o.background = c;
    } else if (o.scene_path.empty() && !arg.empty() && arg[0] != '-') {
      o.scene_path = arg;
    } else {
      throw UsageError("unknown argument \"" + arg + "\"");
    }
  }
  if (o.time && o.frames) throw UsageError("--time and --frames exclude each other");
  return o;
}

// "out.png" for frame 7 of a range: "out_0007.png".
std::string numbered_path(const std::string& path, long frame) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  char number[24];
  std::snprintf(number, sizeof number, "_%04ld", frame);
  return (p.parent_path() / (p.stem().string() + number + p.extension().string())).string();
}

// The picture over an opaque colour, as it would show on it.
simhost::RgbaImage over_background(const simhost::RgbaImage& picture,
                                   const std::array<int, 3>& background) {
  simhost::RgbaImage out = picture;
  for (size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
    const double a = out.rgba[i + 3] / 255.0;
    for (int k = 0; k < 3; ++k) {
      out.rgba[i + k] =
          static_cast<uint8_t>(std::lround(out.rgba[i + k] * a + background[k] * (1.0 - a)));
    }
    out.rgba[i + 3] = 255;
  }
  return out;
}

// The effect's layer time of a composition time, in the instance's time scale.
A_long instance_time(const simhost::scene::Scene& scene, const simhost::EffectInstance& instance,
                     double comp_seconds) {
  const simhost::scene::Layer& layer = *scene.composition->layer_by_id(scene.effect_layer);
  return static_cast<A_long>(
      std::llround(layer.layer_time(comp_seconds) * static_cast<double>(instance.time_scale)));
}

bool run_setup_command(simhost::EffectInstance& instance, simhost::PluginModule& module,
                       PF_Cmd cmd) {
  const PF_Err err = instance.run(module, cmd);
  if (err == PF_Err_NONE) return true;
  const char* message = instance.last_out_data().return_msg;
  std::fprintf(stderr, "tarvolk-host: %s failed with error %d%s%s\n",
               simhost::command_name(cmd).c_str(), err, message[0] != '\0' ? ": " : "", message);
  return false;
}

// Where a run is, for the message when memory runs out.
struct Progress {
  double seconds = 0.0;
  const char* step = "preparing the frames";
};

// Renders every frame; false after the first that fails.
bool render_each_frame(const RenderOptions& o, simhost::scene::Scene& scene,
                       simhost::EffectInstance& instance, simhost::PluginModule& module,
                       const std::string& output, Progress& at) {
  std::vector<double> times;  // composition seconds
  std::vector<long> numbers;
  if (o.frames) {
    for (long f = (*o.frames)[0]; f <= (*o.frames)[1]; ++f) {
      times.push_back(static_cast<double>(f) / scene.composition->frame_rate());
      numbers.push_back(f);
    }
  } else {
    times.push_back(o.time.value_or(scene.time));
  }
  for (size_t i = 0; i < times.size(); ++i) {
    at = {times[i], "rendering it"};
    instance.current_time = instance_time(scene, instance, times[i]);
    simhost::Frame frame(instance, {.bitdepth = o.bitdepth});
    const PF_Err err = instance.host().abort_requested() ? PF_Interrupt_CANCEL : frame.run(module);
    if (err == PF_Interrupt_CANCEL) {
      std::fprintf(stderr, "tarvolk-host: cancelled; the frame at %g s was not rendered\n",
                   times[i]);
      return false;
    }
    if (err != PF_Err_NONE) {
      const char* message = frame.out_data().return_msg;
      std::fprintf(stderr, "tarvolk-host: the frame at %g s failed with error %d%s%s\n", times[i],
                   err, message[0] != '\0' ? ": " : "", message);
      return false;
    }
    at.step = "making its picture";
    simhost::RgbaImage picture = simhost::rgba_image_of(*frame.picture().get());
    if (o.background) picture = over_background(picture, *o.background);
    const std::string path = o.frames ? numbered_path(output, numbers[i]) : output;
    std::string why;
    at.step = "writing its PNG file";
    if (!simhost::write_png(picture, path, &why)) {
      std::fprintf(stderr, "tarvolk-host: %s cannot be written: %s\n", path.c_str(), why.c_str());
      return false;
    }
    if (o.frames) {
      std::printf("frame %ld (%zu of %zu, %.3f s): %s\n", numbers[i], i + 1, times.size(), times[i],
                  path.c_str());
    } else {
      std::printf("%s\n", path.c_str());
    }
    std::fflush(stdout);
  }
  return true;
}

// Out of memory is a message naming the frame and the step, not an
// exception's text.
bool render_frames(const RenderOptions& o, simhost::scene::Scene& scene,
                   simhost::EffectInstance& instance, simhost::PluginModule& module,
                   const std::string& output) {
  Progress at;
  try {
    return render_each_frame(o, scene, instance, module, output, at);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tarvolk-host render: out of memory in the frame at %g s while %s\n",
                 at.seconds, at.step);
    return false;
  }
}

}  // namespace

int render(const Options& options) {
  RenderOptions o;
  try {
    o = parse_options(options.args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tarvolk-host render: %s\n%s", e.what(), render_usage);
    return 2;
  }
  const std::string output = !o.output.empty() ? o.output
                             : o.scene_path.empty()
                                 ? std::string("tarvolk.png")
                                 : std::filesystem::path(o.scene_path).stem().string() + ".png";

  simhost::SimHost host;
  const CancelOnInterrupt cancel_on_interrupt;
  simhost::scene::Scene scene;
  try {
    scene = o.scene_path.empty() ? simhost::default_scene()
                                 : simhost::scene::read_scene_file(o.scene_path);
  } catch (const simhost::scene::SceneError& e) {
    std::fprintf(stderr, "tarvolk-host: %s\n", e.what());
    return 2;
  }
  if (o.downsample) scene.downsample = *o.downsample;
  // The times asked for, as the host can count them.
  const double frame_rate = scene.composition->frame_rate();
  const double longest = simhost::scene::longest_scene_time(frame_rate);
  for (const double t :
       {o.frames ? static_cast<double>((*o.frames)[0]) / frame_rate : o.time.value_or(0.0),
        o.frames ? static_cast<double>((*o.frames)[1]) / frame_rate : 0.0}) {
    if (!(std::abs(t) <= longest)) {
      std::fprintf(stderr, "tarvolk-host render: %g s is beyond the host's time range (%.10g s)\n",
                   t, longest);
      return 2;
    }
  }
  simhost::PluginModule module(options.module_path);
  simhost::Registration registration;
  if (const PF_Err err = module.register_plugin(host, &registration)) {
    std::fprintf(stderr, "tarvolk-host: registration failed with error %d\n", err);
    return 1;
  }

  int status = 0;
  bool bad_scene = false;
  {
    simhost::EffectInstance instance(host);
    simhost::scene::place_effect(scene, instance);
    bool ok = run_setup_command(instance, module, PF_Cmd_GLOBAL_SETUP) &&
              run_setup_command(instance, module, PF_Cmd_PARAMS_SETUP) &&
              run_setup_command(instance, module, PF_Cmd_SEQUENCE_SETUP);
    if (ok) {
      try {
        simhost::scene::set_scene_parameters(scene, instance);
      } catch (const simhost::scene::SceneError& e) {
        std::fprintf(stderr, "tarvolk-host: %s\n", e.what());
        ok = false;
        bad_scene = true;
      }
    }
    ok = ok && run_setup_command(instance, module, PF_Cmd_UPDATE_PARAMS_UI) &&
         render_frames(o, scene, instance, module, output);
    if (instance.sequence_data != nullptr) {
      ok = run_setup_command(instance, module, PF_Cmd_SEQUENCE_SETDOWN) && ok;
    }
    ok = run_setup_command(instance, module, PF_Cmd_GLOBAL_SETDOWN) && ok;
    if (!ok) status = bad_scene ? 2 : 1;
  }
  scene.composition.reset();
  return with_balance_check(host, status, "tarvolk-host: the effect did not give back:");
}

}  // namespace cli
