// tarvolk-host outlines SCENE [--json]: the outlines the effect gathers from
// the layer it sits on in a scene, as smart pre-render reads them: the kind
// of outlines, their paths and vertex counts, and with --json every vertex.
//
// The module is driven through its entry point for global and params setup;
// the outlines are gathered by the effect's own code linked into this tool,
// since the module exports nothing but its entry points.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "effect/layer_outlines.h"
#include "effect/param_checkouts.h"
#include "effect/param_slots.h"
#include "host/host_call.h"
#include "host/instance/effect_instance.h"
#include "host/plugin_module.h"
#include "host/quoted.h"
#include "host/scene/scene_effect.h"
#include "host/scene/scene_file.h"
#include "host/sim_host.h"
#include "tools/tarvolk_host/cli.h"

namespace cli {

namespace {

using nlohmann::json;

// A coordinate as JSON; one that is not a finite number (which JSON cannot
// hold) as the string "NaN", "Infinity" or "-Infinity".
json coordinate(double c) {
  if (std::isnan(c)) return "NaN";
  if (std::isinf(c)) return c > 0 ? "Infinity" : "-Infinity";
  return c;
}

json vertices_json(const BezierPath& path) {
  json vertices = json::array();
  for (const BezierVertex& v : path) {
    json vertex = json::array();
    for (double c : {v.x, v.y, v.in_x, v.in_y, v.out_x, v.out_y}) vertex.push_back(coordinate(c));
    vertices.push_back(std::move(vertex));
  }
  return vertices;
}

json items_json(const ShapeItems& items) {
  json list = json::array();
  for (const ShapeItem& item : items) {
    if (const auto* path = std::get_if<BezierPath>(&item.value)) {
      list.push_back({{"path", vertices_json(*path)}});
    } else if (const auto* fill = std::get_if<ShapeFill>(&item.value)) {
      list.push_back({{"fill", fill->rule}});
    } else if (const auto* merge = std::get_if<ShapeMerge>(&item.value)) {
      list.push_back({{"merge", merge->type}});
    } else if (const auto* group = std::get_if<ShapeGroup>(&item.value)) {
      list.push_back({{"group", items_json(group->items)}});
    }
  }
  return list;
}

json geometry_json(const SourceGeometry& geometry) {
  if (const auto* text = std::get_if<TextOutlines>(&geometry.value)) {
    json outlines = json::array();
    for (const BezierPath& path : *text) outlines.push_back(vertices_json(path));
    return {{"text outlines", outlines}};
  }
  if (const auto* masks = std::get_if<MaskPaths>(&geometry.value)) {
    json list = json::array();
    for (const MaskPath& mask : *masks) {
      list.push_back({{"mode", mask.mode},
                      {"inverted", mask.inverted != 0},
                      {"vertices", vertices_json(mask.path)}});
    }
    return {{"masks", list}};
  }
  return {{"shape items", items_json(std::get<ShapeItems>(geometry.value))}};
}

// Indented JSON with each vertex on one line.
void write_json(std::string& out, const json& value, int depth) {
  const auto all_numbers = [](const json& v) {
    return std::all_of(v.begin(), v.end(),
                       [](const json& e) { return e.is_number() || e.is_string(); });
  };
  if (!value.is_structured() || value.empty() || (value.is_array() && all_numbers(value))) {
    out += value.dump();
    return;
  }
  const std::string inner(2 * static_cast<size_t>(depth + 1), ' ');
  out += value.is_array() ? "[\n" : "{\n";
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    out += first ? "" : ",\n";
    first = false;
    out += inner;
    if (value.is_object()) out += json(it.key()).dump() + ": ";
    write_json(out, *it, depth + 1);
  }
  out += "\n" + std::string(2 * static_cast<size_t>(depth), ' ') + (value.is_array() ? "]" : "}");
}

void print_items(const ShapeItems& items, int depth) {
  const std::string indent(2 * static_cast<size_t>(depth), ' ');
  for (const ShapeItem& item : items) {
    if (const auto* path = std::get_if<BezierPath>(&item.value)) {
      std::printf("%spath: %zu vertices\n", indent.c_str(), path->size());
    } else if (const auto* fill = std::get_if<ShapeFill>(&item.value)) {
      std::printf("%sfill: rule %d\n", indent.c_str(), fill->rule);
    } else if (const auto* merge = std::get_if<ShapeMerge>(&item.value)) {
      std::printf("%smerge: type %d\n", indent.c_str(), merge->type);
    } else if (const auto* group = std::get_if<ShapeGroup>(&item.value)) {
      std::printf("%sgroup: %zu items\n", indent.c_str(), group->items.size());
      print_items(group->items, depth + 1);
    }
  }
}

void print_geometry(const SourceGeometry& geometry) {
  if (const auto* text = std::get_if<TextOutlines>(&geometry.value)) {
    std::printf("text outlines: %zu\n", text->size());
    for (size_t i = 0; i < text->size(); ++i) {
      std::printf("  outline %zu: %zu vertices\n", i, (*text)[i].size());
    }
  } else if (const auto* masks = std::get_if<MaskPaths>(&geometry.value)) {
    std::printf("masks: %zu\n", masks->size());
    for (size_t i = 0; i < masks->size(); ++i) {
      const MaskPath& mask = (*masks)[i];
      std::printf("  mask %zu: %s%s, %zu vertices\n", i, simhost::scene::mask_mode_name(mask.mode),
                  mask.inverted ? ", inverted" : "", mask.path.size());
    }
  } else {
    const ShapeItems& items = std::get<ShapeItems>(geometry.value);
    std::printf("shape items: %zu\n", items.size());
    print_items(items, 1);
  }
}

int outlines(const Options& options) {
  std::string scene_path;
  bool as_json = false;
  for (const std::string& arg : options.args) {
    if (arg == "--json") {
      as_json = true;
    } else if (scene_path.empty() && arg.rfind("--", 0) != 0) {
      scene_path = arg;
    } else {
      throw UsageError("unknown argument " + simhost::in_quotes(arg));
    }
  }
  if (scene_path.empty()) throw UsageError("a scene file is needed");

  simhost::SimHost host;
  simhost::scene::Scene scene = simhost::scene::read_scene_file(scene_path);
  simhost::PluginModule module(options.module_path);
  int status = 0;
  {
    simhost::EffectInstance instance(host);
    simhost::scene::place_effect(scene, instance);
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP}) {
      if (const PF_Err err = instance.run(module, cmd)) {
        print_error(options.verb, "%s failed with error %d", simhost::command_name(cmd).c_str(),
                    err);
        return status_failed;
      }
    }
    simhost::scene::set_scene_parameters(scene, instance);

    // As smart pre-render does: the parameters checked out at the frame's
    // time into copies (all but the wheel's stops and the parent layer,
    // which its outlines do not need), then the outlines read with them.
    PF_InData in_data = instance.make_in_data();
    SourceGeometry geometry;
    HostErrors errors;
    {
      simhost::CommandScope command(PF_Cmd_SMART_PRE_RENDER);
      const ParamCheckouts params(&in_data, errors, {slot::gradient_wheel, slot::parent_layer});
      errors.run([&] { return gather_source_geometry(&in_data, params.data(), geometry); });
    }
    const PF_Err err = errors.code();
    if (err) {
      print_error(options.verb, "the outlines could not be read: error %d", err);
      status = status_failed;
    }
    const simhost::scene::Layer& layer = *scene.composition->layer_by_id(scene.effect_layer);
    if (as_json) {
      json out = geometry_json(geometry);
      out["layer"] = layer.name;
      out["kind"] = simhost::scene::layer_kind_name(layer.kind);
      out["time"] = scene.time;
      const simhost::scene::Downsample ds = scene.downsample;
      out["downsample"] = ds.x == ds.y ? json(ds.x) : json::array({ds.x, ds.y});
      std::string text;
      write_json(text, out, 0);
      std::printf("%s\n", text.c_str());
    } else {
      std::printf("scene:      %s\n", scene_path.c_str());
      std::printf("layer:      %s (%s)\n", layer.name.c_str(),
                  simhost::scene::layer_kind_name(layer.kind));
      std::printf("time:       %g s, downsample %d", scene.time, scene.downsample.x);
      if (scene.downsample.y != scene.downsample.x) std::printf(",%d", scene.downsample.y);
      std::printf("\n");
      print_geometry(geometry);
    }
  }
  scene.composition.reset();
  return with_balance_check(host, options.verb, status);
}

}  // namespace

const Verb outlines_verb{
    "outlines", "SCENE [--json] [--module PATH]",
    "Prints the outlines the effect gathers from the layer it sits on in a scene\n"
    "file (examples/*.json), as smart pre-render reads them: their kind, paths\n"
    "and vertex counts; --json prints every vertex.\n",
    outlines};

}  // namespace cli
