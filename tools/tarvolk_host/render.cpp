// tarvolk-host render: frames of a scene (the default scene without one)
// rendered through the module as the host does: global setup, params setup,
// sequence setup, the scene's parameter values, update params UI, then for
// each frame smart pre-render and smart render, and at the end sequence
// setdown and global setdown. Each frame is written as a PNG file: the
// composition as the host's viewer shows it (composition_frame.h), or with
// --layer-only the effect's output in the layer's area. A frame range is
// shared among processes of this tool (render_jobs.h); each writes its files
// on worker threads (png_queue.h). A range holds at most 100000 frames. An
// error of the effect ends the run with status 1; Ctrl-C cancels the frame in
// flight and ends it with status 130; a bad scene or time ends it with
// status 2.

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "host/frame/frame.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/png.h"
#include "host/quoted.h"
#include "host/scene/composition_frame.h"
#include "host/scene/default_scene.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"
#include "tools/tarvolk_host/interrupt.h"
#include "tools/tarvolk_host/png_queue.h"
#include "tools/tarvolk_host/render_jobs.h"

namespace cli {

namespace {

constexpr const char* verb_name = "render";

// Threads that encode and write the files of one process.
constexpr int png_threads = 2;

// The most frames one run renders.
constexpr long most_frames = 100000;

struct RenderOptions {
  std::string scene_path;  // empty: the default scene
  std::string output;      // empty: named after the scene
  std::optional<double> time;
  std::optional<std::array<long, 2>> frames;
  A_short bitdepth = 8;
  std::optional<simhost::scene::Downsample> downsample;  // none: the scene's
  std::optional<std::array<int, 3>> background;
  bool transparent = false;
  bool layer_only = false;
  int jobs = 0;  // 0: as many as the machine holds
  std::optional<FrameShare> share;
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
    throw UsageError(option + " expects a number, not " + simhost::in_quotes(text));
  }
  return value;
}

long whole_number_of(const std::string& option, const std::string& text) {
  const double value = number_of(option, text);
  if (value != std::floor(value) || std::abs(value) > 1e9) {
    throw UsageError(option + " expects a whole number, not " + simhost::in_quotes(text));
  }
  return static_cast<long>(value);
}

// "A<separator>B" as two whole numbers.
std::array<long, 2> pair_of(const std::string& option, const std::string& text,
                            const std::string& separator, const char* form) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) {
    throw UsageError(option + " expects " + form + ", not " + simhost::in_quotes(text));
  }
  return {whole_number_of(option, text.substr(0, at)),
          whole_number_of(option, text.substr(at + separator.size()))};
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
      if (o.output.empty()) throw UsageError("-o needs a file name, not an empty one");
    } else if (arg == "--time") {
      o.time = number_of(arg, value());
    } else if (arg == "--frames") {
      o.frames = pair_of(arg, value(), "..", "A..B");
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
    } else if (arg == "--transparent") {
      o.transparent = true;
    } else if (arg == "--layer-only") {
      o.layer_only = true;
    } else if (arg == "--jobs") {
      const long n = whole_number_of(arg, value());
      if (n < 1 || n > max_jobs) {
        throw UsageError("--jobs is a whole number from 1 to " + std::to_string(max_jobs));
      }
      o.jobs = static_cast<int>(n);
    } else if (arg == "--share") {
      const std::array<long, 2> share = pair_of(arg, value(), "/", "K/N");
      if (share[1] < 1 || share[1] > max_jobs || share[0] < 0 || share[0] >= share[1]) {
        throw UsageError("--share K/N needs 0 <= K < N <= " + std::to_string(max_jobs));
      }
      o.share = FrameShare{static_cast<int>(share[0]), static_cast<int>(share[1])};
    } else if (o.scene_path.empty() && !arg.empty() && arg[0] != '-') {
      o.scene_path = arg;
    } else {
      throw UsageError("unknown argument " + simhost::in_quotes(arg));
    }
  }
  if (o.time && o.frames) throw UsageError("--time and --frames exclude each other");
  if (o.transparent && o.background) {
    throw UsageError("--transparent and --background exclude each other");
  }
  if ((o.share || o.jobs != 0) && !o.frames) {
    throw UsageError(std::string(o.share ? "--share" : "--jobs") + " needs --frames");
  }
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
  print_error(verb_name, "%s failed with error %d%s%s", simhost::command_name(cmd).c_str(), err,
              message[0] != '\0' ? ": " : "", message);
  return false;
}

// A frame's picture in a world of its own.
std::unique_ptr<simhost::World> copy_of(simhost::World& picture) {
  const PF_EffectWorld& from = *picture.get();
  auto copy = std::make_unique<simhost::World>(from.width, from.height, picture.format());
  PF_EffectWorld& to = *copy->get();
  for (A_long y = 0; y < from.height; ++y) {
    const auto* row = static_cast<const unsigned char*>(from.data) +
                      static_cast<size_t>(y) * static_cast<size_t>(from.rowbytes);
    std::copy(row, row + to.rowbytes,
              static_cast<unsigned char*>(to.data) +
                  static_cast<size_t>(y) * static_cast<size_t>(to.rowbytes));
  }
  return copy;
}

// What this process renders: one composition frame, or its frames of a range.
struct FrameList {
  std::vector<long> numbers;  // empty for a single time
  std::vector<double> times;  // composition seconds
};

FrameList frame_list(const RenderOptions& o, const simhost::scene::Scene& scene) {
  FrameList list;
  if (!o.frames) {
    list.times.push_back(o.time.value_or(scene.time));
    return list;
  }
  const FrameShare share = o.share.value_or(FrameShare{0, 1});
  for (long f = (*o.frames)[0] + share.index; f <= (*o.frames)[1]; f += share.count) {
    list.numbers.push_back(f);
    list.times.push_back(static_cast<double>(f) / scene.composition->frame_rate());
  }
  return list;
}

// Where a run is, for the message when memory runs out.
struct Progress {
  double seconds = 0.0;
  const char* step = "preparing the frames";
};

// Renders every frame and hands each to the writers; false after the first
// that fails, is cancelled or cannot be written.
bool render_each_frame(const RenderOptions& o, simhost::scene::Scene& scene,
                       simhost::EffectInstance& instance, simhost::PluginModule& module,
                       const std::string& output, Progress& at) {
  const FrameList list = frame_list(o, scene);
  simhost::SimHost& host = instance.host();
  simhost::scene::CompositionFrameSettings settings{
      .downsample_x = instance.layer.downsample_x,
      .downsample_y = instance.layer.downsample_y,
      .format = o.bitdepth == 32 ? simhost::PixelFormat::argb_float : simhost::PixelFormat::argb8,
      .cancelled = [&host] { return host.abort_requested(); }};
  if (!o.transparent) {
    settings.background = scene.composition->background();
    if (o.background) {
      settings.background = simhost::scene::Color{
          1.0, (*o.background)[0] / 255.0, (*o.background)[1] / 255.0, (*o.background)[2] / 255.0};
    }
  }
  std::atomic<bool> write_failed{false};
  size_t written = 0;
  PngQueue queue(png_threads);
  for (size_t i = 0; i < list.times.size() && !write_failed; ++i) {
    at = {list.times[i], "rendering it"};
    instance.current_time = instance_time(scene, instance, list.times[i]);
    std::unique_ptr<simhost::World> shown;
    {
      // The composition's frame asks for what its view shows of the layer,
      // walls beyond the layer included; the layer alone for its own area.
      std::optional<PF_LRect> request;
      if (!o.layer_only) {
        request = simhost::scene::composition_request(*scene.composition, list.times[i],
                                                      scene.effect_layer, settings);
      }
      simhost::Frame frame(instance, {.request = request, .bitdepth = o.bitdepth});
      const PF_Err err =
          instance.host().abort_requested() ? PF_Interrupt_CANCEL : frame.run(module);
      // A share is cancelled by the process that shares the range out,
      // which speaks for all of them.
      const auto cancelled = [&] {
        if (!o.share) {
          print_error(verb_name, "cancelled; the frame at %g s was not rendered", list.times[i]);
        }
        queue.finish();
        return false;
      };
      if (err == PF_Interrupt_CANCEL) return cancelled();
      if (err != PF_Err_NONE) {
        const char* message = frame.out_data().return_msg;
        print_error(verb_name, "the frame at %g s failed with error %d%s%s", list.times[i], err,
                    message[0] != '\0' ? ": " : "", message);
        return false;
      }
      at.step = "making its picture";
      shown = o.layer_only
                  ? copy_of(frame.picture())
                  : simhost::scene::composition_frame(*scene.composition, list.times[i],
                                                      scene.effect_layer, frame.output(), settings);
      if (shown == nullptr) return cancelled();
    }
    const bool numbered = !list.numbers.empty();
    const long number = numbered ? list.numbers[i] : 0;
    const std::string path = numbered ? numbered_path(output, number) : output;
    at.step = "writing its PNG file";
    queue.add(std::move(shown), o.layer_only ? o.background : std::nullopt, path,
              [&, number, numbered, path, time = list.times[i]](const std::string& error) {
                if (!error.empty()) {
                  print_error(verb_name, "%s", error.c_str());
                  write_failed = true;
                  return;
                }
                if (o.share) {
                  print_share_progress(number, path);
                } else if (numbered) {
                  print_frame_progress(number, ++written, list.times.size(), time, path.c_str());
                } else {
                  std::printf("%s\n", path.c_str());
                }
                std::fflush(stdout);
              });
  }
  queue.finish();
  return !write_failed;
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
    print_error(verb_name, "out of memory in the frame at %g s while %s", at.seconds, at.step);
    return false;
  }
}

int render(const Options& options) {
  const RenderOptions o = parse_options(options.args);
  const std::string output = !o.output.empty() ? o.output
                             : o.scene_path.empty()
                                 ? std::string("tarvolk.png")
                                 : std::filesystem::path(o.scene_path).stem().string() + ".png";
  simhost::scene::Scene scene = o.scene_path.empty()
                                    ? simhost::default_scene()
                                    : simhost::scene::read_scene_file(o.scene_path);
  if (o.downsample) scene.downsample = *o.downsample;
  // The times asked for, as the host can count them.
  const double frame_rate = scene.composition->frame_rate();
  const double longest = simhost::scene::longest_scene_time(frame_rate);
  for (const double t :
       {o.frames ? static_cast<double>((*o.frames)[0]) / frame_rate : o.time.value_or(0.0),
        o.frames ? static_cast<double>((*o.frames)[1]) / frame_rate : 0.0}) {
    if (!(std::abs(t) <= longest)) {
      print_error(verb_name, "%g s is beyond the host's time range (%.10g s)", t, longest);
      return status_usage;
    }
  }
  // The first Ctrl-C cancels the frame in flight (with --jobs, this process
  // passes it on to every process of the range); a second one, or SIGTERM,
  // ends the run at once (interrupt.h).
  const CancelOnInterrupt cancel_on_interrupt;
  if (o.share) {
    // A share's process ends with the process that shares the range out.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() == 1) return status_failed;
  } else if (o.frames) {
    const long count = (*o.frames)[1] - (*o.frames)[0] + 1;
    const int jobs = o.jobs != 0 ? o.jobs : default_jobs(*scene.composition, o.bitdepth);
    if (std::min<long>(jobs, count) > 1) {
      return render_in_processes(options, {(*o.frames)[0], (*o.frames)[1]},
                                 static_cast<int>(std::min<long>(jobs, count)),
                                 scene.composition->frame_rate());
    }
  }

  simhost::SimHost host;
  simhost::PluginModule module(options.module_path);
  simhost::Registration registration;
  if (const PF_Err err = module.register_plugin(host, &registration)) {
    print_error(verb_name, "registration failed with error %d", err);
    return status_failed;
  }

  int status = status_ok;
  {
    simhost::EffectInstance instance(host);
    simhost::scene::place_effect(scene, instance);
    bool ok = run_setup_command(instance, module, PF_Cmd_GLOBAL_SETUP) &&
              run_setup_command(instance, module, PF_Cmd_PARAMS_SETUP) &&
              run_setup_command(instance, module, PF_Cmd_SEQUENCE_SETUP);
    if (!ok) status = status_failed;
    if (ok) {
      try {
        simhost::scene::set_scene_parameters(scene, instance);
      } catch (const simhost::scene::SceneError& e) {
        print_error(verb_name, "%s", e.what());
        ok = false;
        status = status_usage;
      }
    }
    ok = ok && run_setup_command(instance, module, PF_Cmd_UPDATE_PARAMS_UI) &&
         render_frames(o, scene, instance, module, output);
    if (instance.sequence_data != nullptr) {
      ok = run_setup_command(instance, module, PF_Cmd_SEQUENCE_SETDOWN) && ok;
    }
    ok = run_setup_command(instance, module, PF_Cmd_GLOBAL_SETDOWN) && ok;
    if (!ok && status == status_ok) status = interrupted() ? status_cancelled : status_failed;
  }
  scene.composition.reset();
  return with_balance_check(host, verb_name, status);
}

}  // namespace

const Verb render_verb{
    "render",
    "[SCENE] [-o OUT.png] [--time T | --frames A..B [--jobs N]]\n"
    "                           [--bit-depth 8|32] [--downsample N|X,Y] [--layer-only]\n"
    "                           [--background R,G,B | --transparent] [--module PATH]",
    "Renders frames of a scene file (examples/*.json; without one the default\n"
    "scene) through the module as the host does, and writes each as an 8-bit\n"
    "PNG file (float frames clamped, as a viewer shows them). A frame is the\n"
    "composition as the host's viewer shows it: the effect's output placed by\n"
    "its layer's transform over the composition's other layers and its\n"
    "background colour (the scene's \"composition\": {\"background\": [R, G, B]},\n"
    "black unless set).\n"
    "  -o OUT.png        the file (default: named after the scene); it is\n"
    "                    replaced only once the new one is complete (a device\n"
    "                    or a named pipe is written to as it is)\n"
    "  --time T          the frame at T seconds of composition time (default:\n"
    "                    the scene's time); its path is printed\n"
    "  --frames A..B     composition frames A to B, into numbered files\n"
    "                    (OUT_0007.png), one progress line each\n"
    "  --jobs N          renders a range in N processes, each its share of the\n"
    "                    frames (default: one a core, as many as memory holds)\n"
    "  --bit-depth 8|32  the depth the effect renders in (default 8)\n"
    "  --downsample N    renders at 1/N resolution (default: the scene's); X,Y\n"
    "                    gives the factors across and down apart\n"
    "  --layer-only      writes the effect's output in its layer's area alone,\n"
    "                    transparent where it draws nothing\n"
    "  --background R,G,B  the colour behind, 0 to 255 each, in place of the\n"
    "                    composition's (with --layer-only: under the layer)\n"
    "  --transparent     no background: the frame keeps its alpha\n"
    "  --share K/N       (used by --jobs) only frames A+K, A+K+N, ...\n"
    "An error of the effect is printed with its code and message.\n",
    render};

}  // namespace cli
