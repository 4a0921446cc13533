#include "host/scene/composition.h"

#include <cmath>
#include <iterator>
#include <set>
#include <stdexcept>

#include "host/scene/host_objects.h"
#include "host/scene/text_outlines.h"
#include "host/sim_host.h"

namespace simhost::scene {

namespace {

std::mutex registry_mutex;
std::set<Composition*> live_compositions;

using Matrix = A_Matrix4;

Matrix identity() {
  Matrix m{};
  for (int i = 0; i < 4; ++i) m.mat[i][i] = 1.0;
  return m;
}

// a then b, for row vectors: a * b.
Matrix then(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a.mat[r][k] * b.mat[k][c];
      m.mat[r][c] = sum;
    }
  }
  return m;
}

Matrix translation(double x, double y, double z) {
  Matrix m = identity();
  m.mat[3][0] = x;
  m.mat[3][1] = y;
  m.mat[3][2] = z;
  return m;
}

Matrix scaling(double x, double y, double z) {
  Matrix m = identity();
  m.mat[0][0] = x;
  m.mat[1][1] = y;
  m.mat[2][2] = z;
  return m;
}

constexpr double radians_per_degree = 0.017453292519943295;

// Row-vector rotations; with y down, a positive angle about z turns
// clockwise on screen.
Matrix rotation_about(int axis, double degrees) {
  const double c = std::cos(degrees * radians_per_degree);
  const double s = std::sin(degrees * radians_per_degree);
  const int i = (axis + 1) % 3;
  const int j = (axis + 2) % 3;
  Matrix m = identity();
  m.mat[i][i] = c;
  m.mat[i][j] = s;
  m.mat[j][i] = -s;
  m.mat[j][j] = c;
  return m;
}

// The layer's own transform at its layer time.
Matrix local_transform(const Layer& layer, double layer_seconds) {
  const LayerTransform& t = layer.transform;
  const Vec3 anchor = t.anchor.at(layer_seconds);
  const Vec3 position = t.position.at(layer_seconds);
  const Vec3 scale = t.scale.at(layer_seconds);
  const double z_scale = layer.three_d ? scale.z / 100.0 : 1.0;
  Matrix m = then(translation(-anchor.x, -anchor.y, layer.three_d ? -anchor.z : 0.0),
                  scaling(scale.x / 100.0, scale.y / 100.0, z_scale));
  if (layer.three_d) {
    const Vec3 orientation = t.orientation.at(layer_seconds);
    m = then(m, rotation_about(0, orientation.x));
    m = then(m, rotation_about(1, orientation.y));
    m = then(m, rotation_about(2, orientation.z));
  }
  m = then(m, rotation_about(2, t.rotation.at(layer_seconds)));
  return then(m, translation(position.x, position.y, layer.three_d ? position.z : 0.0));
}

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The unit vector along v, or `fallback` when v has no length.
Vec3 normalized(const Vec3& v, const Vec3& fallback) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(length > 0.0)) return fallback;
  return {v.x / length, v.y / length, v.z / length};
}

// A camera's own turn at its layer time: its orientation and rotation about
// its own axes, then, with a point of interest, the turn that makes its z
// axis point there with its y axis down on screen.
Matrix camera_rotation(const Layer& camera, const Vec3& position, double layer_seconds) {
  const LayerTransform& t = camera.transform;
  const Vec3 orientation = t.orientation.at(layer_seconds);
  Matrix m = rotation_about(0, orientation.x);
  m = then(m, rotation_about(1, orientation.y));
  m = then(m, rotation_about(2, orientation.z));
  m = then(m, rotation_about(2, t.rotation.at(layer_seconds)));
  if (!camera.camera.aims_at_point_of_interest) return m;
  const Vec3 target = camera.camera.point_of_interest.at(layer_seconds);
  const Vec3 z = normalized({target.x - position.x, target.y - position.y, target.z - position.z},
                            {0.0, 0.0, 1.0});
  const Vec3 x = normalized(cross({0.0, 1.0, 0.0}, z), {1.0, 0.0, 0.0});
  const Vec3 y = cross(z, x);
  Matrix aim = identity();
  const Vec3 axes[3] = {x, y, z};
  for (int r = 0; r < 3; ++r) {
    aim.mat[r][0] = axes[r].x;
    aim.mat[r][1] = axes[r].y;
    aim.mat[r][2] = axes[r].z;
  }
  return then(m, aim);
}

}  // namespace

const char* layer_kind_name(LayerKind kind) {
  const auto index = static_cast<size_t>(kind);
  return index < std::size(layer_kind_names) ? layer_kind_names[index] : "?";
}

const char* mask_mode_name(PF_MaskMode mode) {
  constexpr PF_MaskMode count = std::size(mask_mode_names);
  return mode >= 0 && mode < count ? mask_mode_names[mode] : "unknown";
}

// --- Layer ---------------------------------------------------------------------

void Layer::set_text(TextContent text) {
  text_outlines_ = glyph_outlines(text);
  text_ = std::move(text);
}

void Layer::set_contents(StreamNode root_vectors_group) {
  streams.children.clear();
  streams.children.push_back(std::move(root_vectors_group));
}

Mask& Layer::add_mask(Mask mask) {
  if (mask.id == 0) mask.id = composition->new_mask_id();
  if (mask.name.empty()) mask.name = "Mask " + std::to_string(masks.size() + 1);
  masks.push_back(std::move(mask));
  return masks.back();
}

const Mask* Layer::mask_by_id(PF_PathID mask_id) const {
  for (const Mask& mask : masks) {
    if (mask.id == mask_id) return &mask;
  }
  return nullptr;
}

// --- Composition ------------------------------------------------------------------

Composition::Composition(int width, int height, double frame_rate, std::string name)
    : width_(width), height_(height), frame_rate_(frame_rate), name_(std::move(name)) {
  if (SimHost* host = SimHost::current()) host->name_object(this, "comp \"" + name_ + "\"");
  std::lock_guard lock(registry_mutex);
  live_compositions.insert(this);
}

Composition::~Composition() {
  {
    std::lock_guard lock(registry_mutex);
    live_compositions.erase(this);
  }
  HostObjects::instance().drop(this);
  if (SimHost* host = SimHost::current()) {
    host->forget_name(this);
    for (const auto& layer : layers_) host->forget_name(layer.get());
  }
}

Layer& Composition::add_layer(LayerKind kind, std::string name) {
  std::lock_guard lock(mutex_);
  auto layer = std::make_unique<Layer>();
  layer->composition = this;
  layer->id = next_layer_id_++;
  layer->name = std::move(name);
  layer->kind = kind;
  layer->width = width_;
  layer->height = height_;
  const Vec3 centre{width_ / 2.0, height_ / 2.0, 0.0};
  layer->transform.anchor = kind == LayerKind::shape ? Vec3{} : centre;
  layer->transform.position = centre;
  if (kind == LayerKind::camera) {
    // Where the host puts a new camera: in front of the centre, facing it.
    layer->three_d = true;
    layer->transform.anchor = Vec3{};
    layer->camera.zoom = default_camera_zoom();
    layer->camera.point_of_interest = centre;
    layer->transform.position = Vec3{centre.x, centre.y, -default_camera_zoom()};
  }
  const char* streams_name = kind == LayerKind::text     ? "ADBE Text Layer"
                             : kind == LayerKind::shape  ? "ADBE Vector Layer"
                             : kind == LayerKind::camera ? "ADBE Camera Layer"
                                                         : "ADBE AV Layer";
  layer->streams = stream_group(streams_name);
  if (kind == LayerKind::shape) layer->set_contents(stream_group("ADBE Root Vectors Group"));
  if (SimHost* host = SimHost::current()) {
    host->name_object(layer.get(), "layer " + std::to_string(layer->id) + " (" + layer->name + ")");
  }
  layers_.push_back(std::move(layer));
  return *layers_.back();
}

Layer* Composition::layer_by_id(AEGP_LayerIDVal id) {
  std::lock_guard lock(mutex_);
  // Layers take ids in order from 1 and are never removed, so an id tells
  // where its layer is: following a chain of parents takes a step a parent.
  if (id >= 1 && static_cast<size_t>(id) <= layers_.size() && layers_[id - 1]->id == id) {
    return layers_[id - 1].get();
  }
  for (const auto& layer : layers_) {
    if (layer->id == id) return layer.get();
  }
  return nullptr;
}

A_Matrix4 Composition::layer_to_world(const Layer& layer, double comp_seconds) const {
  Matrix m = local_transform(layer, layer.layer_time(comp_seconds));
  const Layer* child = &layer;
  // A chain deeper than the host follows (a loop, as scene files refuse
  // both) ends there.
  for (int depth = 0; child->parent != 0 && depth < max_parent_depth; ++depth) {
    const Layer* parent = const_cast<Composition*>(this)->layer_by_id(child->parent);
    if (parent == nullptr) break;
    m = then(m, local_transform(*parent, parent->layer_time(comp_seconds)));
    child = parent;
  }
  return m;
}

CameraView Composition::camera_view(double comp_seconds) const {
  const Layer* camera = nullptr;
  for (const auto& layer : layers_) {
    if (layer->kind == LayerKind::camera && layer->start_time <= comp_seconds) camera = layer.get();
  }
  CameraView view;
  if (camera == nullptr) {
    view.zoom = default_camera_zoom();
    view.camera_to_world = translation(width_ / 2.0, height_ / 2.0, -view.zoom);
    return view;
  }
  const double seconds = camera->layer_time(comp_seconds);
  const Vec3 position = camera->transform.position.at(seconds);
  view.zoom = camera->camera.zoom.at(seconds);
  view.camera_to_world = then(camera_rotation(*camera, position, seconds),
                              translation(position.x, position.y, position.z));
  if (const Layer* parent = const_cast<Composition*>(this)->layer_by_id(camera->parent)) {
    view.camera_to_world = then(view.camera_to_world, layer_to_world(*parent, comp_seconds));
  }
  return view;
}

void Composition::attach_effect(PF_ProgPtr effect_ref, AEGP_LayerIDVal layer) {
  if (layer_by_id(layer) == nullptr) {
    throw std::invalid_argument("no layer " + std::to_string(layer) + " to attach the effect to");
  }
  std::lock_guard lock(mutex_);
  effects_[effect_ref] = layer;
}

void Composition::detach_effect(PF_ProgPtr effect_ref) {
  std::lock_guard lock(mutex_);
  effects_.erase(effect_ref);
}

AEGP_LayerIDVal Composition::effect_layer_id(PF_ProgPtr effect_ref) {
  std::lock_guard lock(mutex_);
  auto it = effects_.find(effect_ref);
  return it == effects_.end() ? 0 : it->second;
}

Composition* Composition::of_effect(PF_ProgPtr effect_ref, Layer** layer) {
  if (layer != nullptr) *layer = nullptr;
  std::lock_guard lock(registry_mutex);
  for (Composition* comp : live_compositions) {
    if (const AEGP_LayerIDVal id = comp->effect_layer_id(effect_ref)) {
      if (layer != nullptr) *layer = comp->layer_by_id(id);
      return comp;
    }
  }
  return nullptr;
}

Composition* Composition::from_handle(AEGP_CompH handle) {
  auto* comp = reinterpret_cast<Composition*>(handle);
  std::lock_guard lock(registry_mutex);
  return live_compositions.count(comp) != 0 ? comp : nullptr;
}

Layer* Composition::layer_from_handle(AEGP_LayerH handle) {
  auto* wanted = reinterpret_cast<Layer*>(handle);
  if (wanted == nullptr) return nullptr;
  std::lock_guard lock(registry_mutex);
  for (Composition* comp : live_compositions) {
    std::lock_guard layers_lock(comp->mutex_);
    for (const auto& layer : comp->layers_) {
      if (layer.get() == wanted) return wanted;
    }
  }
  return nullptr;
}

}  // namespace simhost::scene
