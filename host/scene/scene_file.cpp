#include "host/scene/scene_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/quoted.h"
#include "host/scene/json_syntax.h"
#include "host/scene/shape_contents.h"

namespace simhost::scene {

namespace {

using json = nlohmann::json;

// Deeper nesting is refused before the text is parsed: no scene comes near
// it, and reading the tree (and the plug-in walking the shape groups made
// of it) recurses once a level.
constexpr int deepest_nesting = 256;

// The most of a place in a file (a JSON pointer) a message shows.
constexpr std::size_t longest_place = 100;

// A scene file's name as messages begin with it.
std::string file_name(const std::string& source) {
  return shortened_middle(source);
}

// What every value of a file is read with: the file's name for messages,
// and the longest time, either way, that the scene's frame rate can count.
struct Reading {
  std::string source;
  double longest_time = std::numeric_limits<double>::infinity();
};

// A member's name as one step of a JSON pointer, shortened for messages.
std::string pointer_step(const std::string& name) {
  std::string step;
  for (char c : shortened(name)) step += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return step;
}

// One value of the file with its place, for reading it and for telling
// where a mistake is.
class Node {
 public:
  Node(const json& value, std::string place, const Reading& reading)
      : value_(value), place_(std::move(place)), reading_(reading) {}

  [[noreturn]] void fail(const std::string& message) const {
    throw SceneError(file_name(reading_.source) + ": " +
                     (place_.empty() ? "/" : shortened_middle(place_, longest_place)) + ": " +
                     message);
  }

  const json& value() const { return value_; }
  const std::string& place() const { return place_; }
  bool is_object() const { return value_.is_object(); }

  // An object of these members (and "comment") only.
  const Node& object(std::initializer_list<const char*> members) const {
    if (!value_.is_object()) fail("expected an object");
    for (const auto& [key, member] : value_.items()) {
      if (key == "comment") continue;
      if (std::none_of(members.begin(), members.end(), [&](const char* m) { return key == m; })) {
        std::string known;
        for (const char* m : members) known += std::string(known.empty() ? "" : ", ") + m;
        Node(member, place_ + "/" + pointer_step(key), reading_)
            .fail("unknown field (known: " + known + ")");
      }
    }
    return *this;
  }
  bool has(const char* key) const { return value_.is_object() && value_.contains(key); }
  Node operator[](const char* key) const {
    if (!has(key)) fail(std::string("missing \"") + key + "\"");
    return Node(value_.at(key), place_ + "/" + key, reading_);
  }
  std::vector<Node> elements() const {
    if (!value_.is_array()) fail("expected an array");
    std::vector<Node> nodes;
    for (size_t i = 0; i < value_.size(); ++i) {
      nodes.emplace_back(value_[i], place_ + "/" + std::to_string(i), reading_);
    }
    return nodes;
  }

  double number() const {
    if (!value_.is_number()) fail("expected a number");
    return value_.get<double>();
  }
  double positive() const {
    const double n = number();
    if (!(n > 0.0)) fail("expected a number greater than 0");
    return n;
  }
  double within(double lowest, double highest, const char* what) const {
    const double n = number();
    if (!(n >= lowest && n <= highest)) {
      fail(std::string("expected ") + what + " from " + number_text(lowest) + " to " +
           number_text(highest));
    }
    return n;
  }
  // Seconds that the host can count in its 32-bit ticks.
  double time() const {
    const double t = number();
    if (!(std::abs(t) <= reading_.longest_time)) {
      fail("expected a time from " + number_text(-reading_.longest_time) + " to " +
           number_text(reading_.longest_time) +
           " s (the host counts time in 32-bit ticks at the frame rate)");
    }
    return t;
  }
  int integer(int lowest, int highest) const {
    const double n = number();
    if (n != std::floor(n) || n < lowest || n > highest) {
      fail("expected a whole number from " + std::to_string(lowest) + " to " +
           std::to_string(highest));
    }
    return static_cast<int>(n);
  }
  bool boolean() const {
    if (!value_.is_boolean()) fail("expected true or false");
    return value_.get<bool>();
  }
  std::string string() const {
    if (!value_.is_string()) fail("expected a string");
    return value_.get<std::string>();
  }
  // A name out of `choices`, or a number when `numbers` allows it.
  double choice(const std::map<std::string, double>& choices, bool numbers) const {
    if (numbers && value_.is_number()) return number();
    if (value_.is_string()) {
      auto it = choices.find(value_.get<std::string>());
      if (it != choices.end()) return it->second;
    }
    std::string known;
    for (const auto& [name, n] : choices) known += (known.empty() ? "\"" : ", \"") + name + "\"";
    fail((value_.is_string() ? "unknown value " + unknown_name_in_quotes(value_.get<std::string>())
                             : std::string("unknown value")) +
         " (known: " + known + (numbers ? ", or a number" : "") + ")");
  }

 private:
  static std::string number_text(double n) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", n);
    return text;
  }

  const json& value_;
  std::string place_;
  const Reading& reading_;
};

Vec2 vec2(const Node& node) {
  const std::vector<Node> n = node.elements();
  if (n.size() != 2) node.fail("expected [x, y]");
  return {n[0].number(), n[1].number()};
}

// [x, y] or [x, y, z].
Vec3 vec3(const Node& node) {
  const std::vector<Node> n = node.elements();
  if (n.size() != 2 && n.size() != 3) node.fail("expected [x, y] or [x, y, z]");
  return {n[0].number(), n[1].number(), n.size() == 3 ? n[2].number() : 0.0};
}

// [r, g, b] or [a, r, g, b], channels from 0 to 255 as parameter values
// take them.
Color color(const Node& node) {
  const std::vector<Node> n = node.elements();
  if (n.size() != 3 && n.size() != 4) node.fail("expected [r, g, b] or [a, r, g, b], 0 to 255");
  double channels[4] = {255.0, 0.0, 0.0, 0.0};
  const size_t first = 4 - n.size();
  for (size_t i = 0; i < n.size(); ++i) {
    const double c = n[i].number();
    if (c < 0.0 || c > 255.0) n[i].fail("expected a channel from 0 to 255");
    channels[first + i] = c / 255.0;
  }
  channels[0] = n.size() == 4 ? channels[0] : 1.0;
  return {channels[0], channels[1], channels[2], channels[3]};
}

// [x, y] with control points on the vertex, or [x, y, in_x, in_y, out_x,
// out_y] with the control points relative to it.
PathShape path_shape(const Node& node) {
  node.object({"closed", "vertices"});
  PathShape shape;
  if (node.has("closed")) shape.closed = node["closed"].boolean();
  const Node vertices = node["vertices"];
  for (const Node& v : vertices.elements()) {
    const std::vector<Node> n = v.elements();
    if (n.size() != 2 && n.size() != 6) {
      v.fail("expected [x, y] or [x, y, in_x, in_y, out_x, out_y]");
    }
    PathPoint p{n[0].number(), n[1].number()};
    if (n.size() == 6) {
      p = {p.x, p.y, n[2].number(), n[3].number(), n[4].number(), n[5].number()};
    }
    shape.vertices.push_back(p);
  }
  if (shape.vertices.empty()) vertices.fail("a path needs at least one vertex");
  return shape;
}

// A keyframe's time and value: {"time": seconds, "value": ...}, or
// [seconds, value] as effect parameters were once written.
std::vector<Node> time_and_value(const Node& key) {
  if (!key.value().is_array()) {
    key.object({"time", "value"});
    return {key["time"], key["value"]};
  }
  std::vector<Node> pair = key.elements();
  if (pair.size() != 2) key.fail("expected a keyframe {\"time\": seconds, \"value\": ...}");
  return pair;
}

template <class T>
Animated<T> animated(const Node& node, const std::function<T(const Node&)>& read) {
  if (!node.is_object() || !node.has("keyframes")) return Animated<T>(read(node));
  node.object({"keyframes"});
  std::vector<Keyframe<T>> keyframes;
  const Node list = node["keyframes"];
  for (const Node& key : list.elements()) {
    const std::vector<Node> pair = time_and_value(key);
    const double time = pair[0].time();
    if (!keyframes.empty() && !(time > keyframes.back().time)) {
      pair[0].fail("keyframe times must increase");
    }
    keyframes.push_back({time, read(pair[1])});
  }
  if (keyframes.empty()) list.fail("expected at least one keyframe");
  return Animated<T>::keyed(std::move(keyframes));
}

Animated<double> animated_number(const Node& node) {
  return animated<double>(node, [](const Node& n) { return n.number(); });
}
Animated<double> animated_positive(const Node& node) {
  return animated<double>(node, [](const Node& n) { return n.positive(); });
}
Animated<double> animated_choice(const Node& node, const std::map<std::string, double>& choices) {
  return animated<double>(node, [&](const Node& n) { return n.choice(choices, true); });
}
Animated<Vec2> animated_vec2(const Node& node) {
  return animated<Vec2>(node, vec2);
}
Animated<Vec3> animated_vec3(const Node& node) {
  return animated<Vec3>(node, vec3);
}
Animated<PathShape> animated_path(const Node& node) {
  return animated<PathShape>(node, path_shape);
}
Animated<Color> animated_color(const Node& node) {
  return animated<Color>(node, color);
}

// A table of names indexed by value, as the choices they name.
template <size_t N>
std::map<std::string, double> choices_of(const char* const (&names)[N]) {
  std::map<std::string, double> choices;
  for (size_t value = 0; value < N; ++value) choices[names[value]] = static_cast<double>(value);
  return choices;
}

const std::map<std::string, double> fill_rules = {{"non-zero", 1}, {"even-odd", 2}};
const std::map<std::string, double> merge_types = {
    {"merge", 1}, {"add", 2}, {"subtract", 3}, {"intersect", 4}, {"exclude", 5}};
const std::map<std::string, double> path_directions = {{"normal", path_direction_normal},
                                                       {"reversed", path_direction_reversed}};
const std::map<std::string, double> mask_modes = choices_of(mask_mode_names);
const std::map<std::string, double> layer_kinds = choices_of(layer_kind_names);

StreamNode content_item(const Node& node);

std::vector<StreamNode> content_items(const Node& node) {
  std::vector<StreamNode> items;
  for (const Node& item : node.elements()) items.push_back(content_item(item));
  return items;
}

GroupTransform group_transform(const Node& node) {
  node.object({"anchor", "position", "scale", "skew", "skew_axis", "rotation", "opacity"});
  GroupTransform t;
  if (node.has("anchor")) t.anchor = animated_vec2(node["anchor"]);
  if (node.has("position")) t.position = animated_vec2(node["position"]);
  if (node.has("scale")) t.scale = animated_vec2(node["scale"]);
  if (node.has("skew")) t.skew = animated_number(node["skew"]);
  if (node.has("skew_axis")) t.skew_axis = animated_number(node["skew_axis"]);
  if (node.has("rotation")) t.rotation = animated_number(node["rotation"]);
  if (node.has("opacity")) t.opacity = animated_number(node["opacity"]);
  return t;
}

StreamNode content_item(const Node& node) {
  if (!node.is_object()) node.fail("expected an object with a \"type\"");
  const Node type_node = node["type"];
  const std::string type = type_node.string();
  if (type == "group") {
    node.object({"type", "items", "transform"});
    return shape_group(
        node.has("items") ? content_items(node["items"]) : std::vector<StreamNode>{},
        node.has("transform") ? group_transform(node["transform"]) : GroupTransform{});
  }
  if (type == "path") {
    node.object({"type", "path", "direction"});
    return shape_path(animated_path(node["path"]),
                      node.has("direction") ? animated_choice(node["direction"], path_directions)
                                            : Animated<double>(path_direction_normal));
  }
  if (type == "fill") {
    node.object({"type", "rule", "color"});
    return shape_fill(
        node.has("rule") ? animated_choice(node["rule"], fill_rules) : Animated<double>(1.0),
        node.has("color") ? animated_color(node["color"]) : Animated<Color>(default_fill_color));
  }
  if (type == "gradient fill") {
    node.object({"type", "rule"});
    return shape_gradient_fill(node.has("rule") ? animated_choice(node["rule"], fill_rules)
                                                : Animated<double>(1.0));
  }
  if (type == "merge") {
    node.object({"type", "merge"});
    return shape_merge(animated_choice(node["merge"], merge_types));
  }
  if (type == "rectangle" || type == "ellipse") {
    node.object({"type", "size", "position"});
    const Animated<Vec2> size = animated_vec2(node["size"]);
    const Animated<Vec2> position =
        node.has("position") ? animated_vec2(node["position"]) : Animated<Vec2>();
    return type == "rectangle" ? shape_rectangle(size, position) : shape_ellipse(size, position);
  }
  if (type == "star") {
    node.object({"type", "points", "outer_radius", "position"});
    return shape_star(animated_number(node["points"]), animated_number(node["outer_radius"]),
                      node.has("position") ? animated_vec2(node["position"]) : Animated<Vec2>());
  }
  if (type == "stroke") {
    node.object({"type", "width"});
    return shape_stroke(node.has("width") ? animated_number(node["width"]) : Animated<double>(1.0));
  }
  type_node.fail("unknown content type " + unknown_name_in_quotes(type) +
                 " (known: group, path, fill, gradient fill, merge, rectangle, ellipse, star, "
                 "stroke)");
}

LayerTransform layer_transform(const Node& node, LayerTransform t) {
  node.object({"anchor", "position", "scale", "rotation", "orientation"});
  if (node.has("anchor")) t.anchor = animated_vec3(node["anchor"]);
  if (node.has("position")) t.position = animated_vec3(node["position"]);
  if (node.has("scale")) t.scale = animated_vec3(node["scale"]);
  if (node.has("rotation")) t.rotation = animated_number(node["rotation"]);
  if (node.has("orientation")) t.orientation = animated_vec3(node["orientation"]);
  return t;
}

TextContent text_content(const Node& node) {
  node.object({"text", "font", "bold", "size", "origin", "color"});
  TextContent text;
  text.text = node["text"].string();
  if (node.has("font")) text.font = node["font"].string();
  if (node.has("bold")) text.bold = node["bold"].boolean();
  if (node.has("size")) text.size = node["size"].within(0.1, 1296.0, "a font size");
  if (node.has("origin")) text.origin = vec2(node["origin"]);
  if (node.has("color")) text.fill_color = animated_color(node["color"]);
  return text;
}

// {"zoom": pixels, "point_of_interest": [x, y, z] or null for a camera that
// aims by its orientation alone}.
void camera_settings(const Node& node, CameraSettings& camera) {
  node.object({"zoom", "point_of_interest"});
  if (node.has("zoom")) camera.zoom = animated_positive(node["zoom"]);
  if (node.has("point_of_interest")) {
    const Node poi = node["point_of_interest"];
    camera.aims_at_point_of_interest = !poi.value().is_null();
    if (camera.aims_at_point_of_interest) camera.point_of_interest = animated_vec3(poi);
  }
}

Mask mask(const Node& node) {
  node.object({"name", "mode", "inverted", "path"});
  Mask m;
  if (node.has("name")) m.name = node["name"].string();
  if (node.has("mode")) m.mode = static_cast<PF_MaskMode>(node["mode"].choice(mask_modes, false));
  if (node.has("inverted")) m.inverted = node["inverted"].boolean();
  m.shape = animated_path(node["path"]);
  return m;
}

// A PNG file, relative to the scene file's folder.
std::shared_ptr<const RgbaImage> image(const Node& node, const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / node.string();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    node.fail(path_in_quotes(path.string()) + " not found");
  auto picture = std::make_shared<RgbaImage>(read_png(path.string()));
  if (picture->width <= 0)
    node.fail("cannot read " + path_in_quotes(path.string()) + " as a PNG file");
  return picture;
}

void add_layer(Composition& comp, const Node& node, std::map<std::string, Layer*>& named,
               std::map<std::string, Node>& parents, const std::filesystem::path& folder) {
  node.object({"name", "kind", "start_time", "size", "three_d", "transform", "parent", "text",
               "contents", "masks", "camera", "color", "image"});
  const LayerKind kind = static_cast<LayerKind>(node["kind"].choice(layer_kinds, false));
  const Node name = node["name"];
  if (named.count(name.string()) != 0) name.fail("another layer has this name");
  Layer& layer = comp.add_layer(kind, name.string());
  named.emplace(layer.name, &layer);
  if (node.has("start_time")) layer.start_time = node["start_time"].time();
  if (node.has("size")) {
    const std::vector<Node> size = node["size"].elements();
    if (size.size() != 2) node["size"].fail("expected [width, height]");
    layer.width = size[0].integer(1, longest_side);
    layer.height = size[1].integer(1, longest_side);
    // A new layer's anchor sits at its centre (a shape layer's at its
    // origin, a camera's at its position) unless the transform says where.
    if (kind != LayerKind::shape && kind != LayerKind::camera) {
      layer.transform.anchor = Vec3{layer.width / 2.0, layer.height / 2.0, 0.0};
    }
  }
  if (node.has("three_d")) layer.three_d = node["three_d"].boolean();
  if (node.has("transform")) layer.transform = layer_transform(node["transform"], layer.transform);
  if (node.has("parent")) parents.emplace(layer.name, node["parent"]);
  if (node.has("text")) {
    if (kind != LayerKind::text) node["text"].fail("only a text layer has a text");
    const Node text = node["text"];
    try {
      layer.set_text(text_content(text));
    } catch (const SceneError&) {
      throw;
    } catch (const std::runtime_error& e) {
      (text.has("font") ? text["font"] : text).fail(shortened(e.what(), 200));
    }
  }
  if (node.has("contents")) {
    if (kind != LayerKind::shape) node["contents"].fail("only a shape layer has contents");
    layer.set_contents(shape_contents(content_items(node["contents"])));
  }
  if (node.has("masks")) {
    for (const Node& m : node["masks"].elements()) layer.add_mask(mask(m));
  }
  if (node.has("camera")) {
    if (kind != LayerKind::camera) node["camera"].fail("only a camera layer has a lens");
    camera_settings(node["camera"], layer.camera);
  }
  if (node.has("color")) {
    if (kind != LayerKind::solid) node["color"].fail("only a solid layer has a colour");
    layer.solid_color = animated_color(node["color"]);
  }
  if (node.has("image")) layer.image = image(node["image"], folder);
}

// Refuses a chain of parents that comes back to a layer or that is deeper
// than the host follows. Each layer is walked up from once: its depth (the
// parents above it) is known once its parent's is.
void check_parent_chains(const Composition& comp, const std::map<std::string, Node>& parents) {
  constexpr int walking = -1;
  std::unordered_map<AEGP_LayerIDVal, const Layer*> by_id;
  for (const auto& layer : comp.layers()) by_id.emplace(layer->id, layer.get());
  std::unordered_map<const Layer*, int> depth;
  std::vector<const Layer*> walk;
  for (const auto& layer : comp.layers()) {
    walk.clear();
    const Layer* up = layer.get();
    while (up != nullptr && depth.count(up) == 0) {
      depth[up] = walking;
      walk.push_back(up);
      const auto parent = by_id.find(up->parent);
      up = up->parent != 0 && parent != by_id.end() ? parent->second : nullptr;
    }
    if (up != nullptr && depth[up] == walking) {
      parents.at(up->name).fail("a layer cannot be its own parent, even through others");
    }
    int d = up != nullptr ? depth[up] : -1;
    for (auto below = walk.rbegin(); below != walk.rend(); ++below) {
      depth[*below] = ++d;
      if (d > max_parent_depth) {
        parents.at((*below)->name)
            .fail("layer " + in_quotes((*below)->name) + " has " + std::to_string(d) +
                  " parents above it; the host follows at most " +
                  std::to_string(max_parent_depth));
      }
    }
  }
}

// Line and column of a byte offset, counted from 1.
std::string line_and_column(const std::string& text, size_t offset) {
  offset = std::min(offset, text.size());
  size_t line = 1;
  size_t column = 1;
  for (size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

// One factor for both directions, or [across, down].
Downsample downsample(const Node& node) {
  if (!node.value().is_array()) {
    const int n = node.integer(1, 64);
    return {n, n};
  }
  const std::vector<Node> n = node.elements();
  if (n.size() != 2) node.fail("expected a whole number from 1 to 64 or [across, down]");
  return {n[0].integer(1, 64), n[1].integer(1, 64)};
}

// Nesting deeper than `deepest_nesting` is refused at its place, before
// the parser builds a tree of it.
void check_nesting(const std::string& text, const std::string& source) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest_nesting) {
        throw SceneError(file_name(source) + ":" + line_and_column(text, i) +
                         ": nested deeper than " + std::to_string(deepest_nesting) + " levels");
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

json parse_json(const std::string& text, const std::string& source) {
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    throw SceneError(file_name(source) + ": not JSON: the file is empty");
  }
  check_nesting(text, source);
  try {
    return json::parse(text);
  } catch (const json::parse_error& e) {
    // The byte offset is one past the character that stopped the parser.
    throw SceneError(file_name(source) + ":" + line_and_column(text, e.byte > 0 ? e.byte - 1 : 0) +
                     ": not JSON: " + json_syntax_mistake(e));
  } catch (const json::exception& e) {
    const std::string number = overflowing_number(e);
    if (number.empty()) throw SceneError(file_name(source) + ": not JSON");
    const size_t at = text.find(number);
    throw SceneError(
        file_name(source) + (at != std::string::npos ? ":" + line_and_column(text, at) : "") +
        ": not JSON: the number " + shortened(number, 40) + " is beyond what a double holds");
  }
}

}  // namespace

FrameTimeScale frame_time_scale(double frame_rate) {
  FrameTimeScale t;
  for (A_long k : {1, 10, 100, 1000}) {
    const double scaled = frame_rate * k;
    if (std::abs(scaled - std::round(scaled)) < 1e-9 || k == 1000) {
      t.scale = static_cast<A_u_long>(std::max(1LL, std::llround(scaled)));
      t.step = k;
      break;
    }
  }
  return t;
}

double longest_scene_time(double frame_rate) {
  return static_cast<double>(1 << 30) / frame_time_scale(frame_rate).scale;
}

Scene parse_scene(const std::string& text, const std::string& source) {
  const json document = parse_json(text, source);
  Scene scene;
  scene.source = source;
  Reading reading{source};
  const Node root(document, "", reading);
  root.object({"composition", "layers", "effect", "time", "downsample"});

  const Node comp = root["composition"];
  comp.object({"width", "height", "frame_rate", "name", "background"});
  const double frame_rate =
      comp["frame_rate"].within(lowest_frame_rate, highest_frame_rate, "a frame rate");
  scene.composition = std::make_unique<Composition>(
      comp["width"].integer(1, longest_side), comp["height"].integer(1, longest_side), frame_rate,
      comp.has("name") ? comp["name"].string() : "Comp 1");
  if (comp.has("background")) scene.composition->set_background(color(comp["background"]));
  reading.longest_time = longest_scene_time(frame_rate);

  std::map<std::string, Layer*> named;
  std::map<std::string, Node> parents;
  const std::filesystem::path folder = std::filesystem::path(source).parent_path();
  for (const Node& layer : root["layers"].elements()) {
    add_layer(*scene.composition, layer, named, parents, folder);
  }
  auto layer_named = [&](const Node& name) {
    const auto found = named.find(name.string());
    if (found == named.end()) name.fail("no layer is named " + in_quotes(name.string()));
    return found->second;
  };
  for (const auto& [child_name, parent_name] : parents) {
    named.at(child_name)->parent = layer_named(parent_name)->id;
  }
  check_parent_chains(*scene.composition, parents);

  const Node effect = root["effect"];
  effect.object({"layer", "parameters"});
  scene.effect_layer = layer_named(effect["layer"])->id;
  if (effect.has("parameters")) {
    const Node parameters = effect["parameters"];
    if (!parameters.is_object()) parameters.fail("expected an object of values by parameter name");
    scene.parameters = parameters.value();
  }
  if (root.has("time")) scene.time = root["time"].time();
  if (root.has("downsample")) scene.downsample = downsample(root["downsample"]);
  return scene;
}

Scene read_scene_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw SceneError(file_name(path) + ": cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  return parse_scene(text.str(), path);
}

}  // namespace simhost::scene
