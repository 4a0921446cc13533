#pragma once

// The composition the simulated host keeps: its size and frame rate, and its
// layers, each with an id, a kind, a start time, a size, a 2D or 3D transform
// to the world (the composition) and a parent. Text layers carry their glyph
// outlines, shape layers their tree of streams, any layer its masks; what
// each kind draws before effects is made by layer_pixels.h. Effect
// instances are attached to the layer they sit on; the host's suites find
// the layer (and the composition) of an effect through its effect reference.
//
//   scene::Composition comp(1280, 720, 24);
//   scene::Layer& solid = comp.add_layer(scene::LayerKind::solid, "Plate");
//   solid.masks.push_back({.shape = square, .mode = PF_MaskMode_ADD});
//   comp.attach_effect(instance.effect_ref(), solid.id);
//
// A composition is filled before commands run; while they run, the effect
// may add null layers to it ("AEGP Comp Suite") and set a layer's 3D switch
// and position.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/png.h"
#include "host/scene/streams.h"
#include "host/scene/values.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "host_api/aegp_suites.h"

namespace simhost::scene {

enum class LayerKind { text, shape, solid, null, camera };

// What scene files and tarvolk-host call the kinds, in the order of LayerKind.
inline constexpr const char* layer_kind_names[] = {"text", "shape", "solid", "null", "camera"};
const char* layer_kind_name(LayerKind kind);

// Anchor, position and scale in layer pixels and percent; angles in degrees,
// positive turning clockwise on screen (y down). Orientation counts for 3D
// layers only, as do the z components.
struct LayerTransform {
  Animated<Vec3> anchor;
  Animated<Vec3> position;
  Animated<Vec3> scale = Vec3{100.0, 100.0, 100.0};
  Animated<Vec3> orientation;
  Animated<double> rotation = 0.0;
};

// What scene files and tarvolk-host call the host's mask modes, by mode
// from PF_MaskMode_NONE to PF_MaskMode_ACCUM.
inline constexpr const char* mask_mode_names[] = {"none",    "add",    "subtract",   "intersect",
                                                  "lighten", "darken", "difference", "accumulate"};
// Its name; "unknown" for a mode the host does not have.
const char* mask_mode_name(PF_MaskMode mode);

struct Mask {
  PF_PathID id = 0;  // unique in the composition, never 0
  std::string name;
  Animated<PathShape> shape;
  PF_MaskMode mode = PF_MaskMode_ADD;
  bool inverted = false;
};

inline constexpr Color opaque_white{1.0, 1.0, 1.0, 1.0};

// The text of a text layer, its first baseline starting at `origin` (layer
// pixels), each line break starting a line 1.2 sizes further down, its
// glyphs filled with `fill_color`.
struct TextContent {
  std::string text;
  std::string font = "DejaVu Sans";
  bool bold = false;
  double size = 72.0;  // pixels
  Vec2 origin;
  Animated<Color> fill_color = opaque_white;
};

// A camera layer's lens and aim. The zoom is the distance from the camera to
// the image plane in pixels. A camera with a point of interest turns to face
// it (y staying down on screen); its orientation and rotation then turn it
// about its own axes. Without one it looks along the world's z axis turned
// by its orientation and rotation.
struct CameraSettings {
  Animated<double> zoom = 0.0;
  bool aims_at_point_of_interest = true;
  Animated<Vec3> point_of_interest;
};

// What the composition's camera shows at a time: the camera-to-world matrix
// (row-major, row vectors, translation in the bottom row) and the zoom.
struct CameraView {
  A_Matrix4 camera_to_world;
  double zoom = 0.0;
};

class Composition;

// The most parents the host follows up from a layer; scene files refuse a
// deeper chain.
inline constexpr int max_parent_depth = 64;

struct Layer {
  Composition* composition = nullptr;
  AEGP_LayerIDVal id = 0;
  std::string name;
  LayerKind kind = LayerKind::solid;
  double start_time = 0.0;  // seconds of composition time at which layer time 0 falls
  int width = 0;
  int height = 0;
  bool three_d = false;
  LayerTransform transform;
  AEGP_LayerIDVal parent = 0;  // 0: none
  std::vector<Mask> masks;     // in the host's mask order
  CameraSettings camera;       // camera layers only
  // The layer's own stream group; a shape layer's contents are its child
  // "ADBE Root Vectors Group" (see `set_contents`).
  StreamNode streams;
  // Solid layers: the colour that fills them.
  Animated<Color> solid_color = opaque_white;
  // Any layer: a picture drawn at the layer's origin in place of what its
  // kind draws (its outlines stay those of its kind); null for none.
  std::shared_ptr<const RgbaImage> image;

  // Text layers: the text and its glyph outlines, one closed path a contour.
  // Throws std::runtime_error when the font is not installed.
  void set_text(TextContent text);
  const TextContent& text() const { return text_; }
  const std::vector<PathShape>& text_outlines() const { return text_outlines_; }

  // Shape layers: the "ADBE Root Vectors Group" (shape_contents.h).
  void set_contents(StreamNode root_vectors_group);

  // Appends a mask, giving it a new id and the name "Mask N" when it has none.
  Mask& add_mask(Mask mask);
  const Mask* mask_by_id(PF_PathID id) const;

  double layer_time(double comp_seconds) const { return comp_seconds - start_time; }
  AEGP_LayerH handle() { return reinterpret_cast<AEGP_LayerH>(this); }

 private:
  TextContent text_;
  std::vector<PathShape> text_outlines_;
};

class Composition {
 public:
  Composition(int width, int height, double frame_rate, std::string name = "Comp 1");
  ~Composition();
  Composition(const Composition&) = delete;
  Composition& operator=(const Composition&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  double frame_rate() const { return frame_rate_; }
  const std::string& name() const { return name_; }
  // The colour the viewer shows behind the layers (its alpha is not used);
  // black unless set, as a new composition's is.
  const Color& background() const { return background_; }
  void set_background(const Color& color) { background_ = color; }

  // A new layer on top of the others, with the next id, the composition's
  // size and a transform that puts it where the host puts a new layer: its
  // anchor at its centre (a shape layer's at its origin) and its position at
  // the composition's centre.
  Layer& add_layer(LayerKind kind, std::string name);
  Layer* layer_by_id(AEGP_LayerIDVal id);
  const std::vector<std::unique_ptr<Layer>>& layers() const { return layers_; }
  // A mask id not yet used in this composition.
  PF_PathID new_mask_id() { return next_mask_id_++; }

  // The layer-to-world matrix at a composition time: row-major, for row
  // vectors, translation in the bottom row; the parents' matrices follow the
  // layer's own.
  A_Matrix4 layer_to_world(const Layer& layer, double comp_seconds) const;

  // The camera at a composition time: the topmost camera layer that has
  // started, else the host's default camera, a 50 mm lens facing the
  // composition from in front of its centre.
  CameraView camera_view(double comp_seconds) const;
  // The zoom of a 50 mm lens, which new camera layers and the default camera
  // have.
  double default_camera_zoom() const { return width_ * 25.0 / 18.0; }

  // --- effects on layers ----------------------------------------------------
  // The effect instance of that reference sits on the layer of that id.
  void attach_effect(PF_ProgPtr effect_ref, AEGP_LayerIDVal layer);
  void detach_effect(PF_ProgPtr effect_ref);
  // The id of the layer an effect sits on in this composition, or 0.
  AEGP_LayerIDVal effect_layer_id(PF_ProgPtr effect_ref);

  AEGP_CompH handle() { return reinterpret_cast<AEGP_CompH>(this); }

  // --- finding things by the references the plug-in holds --------------------
  // The live composition an effect sits in, and its layer; null when unknown.
  static Composition* of_effect(PF_ProgPtr effect_ref, Layer** layer = nullptr);
  static Composition* from_handle(AEGP_CompH comp);
  static Layer* layer_from_handle(AEGP_LayerH layer);

 private:
  int width_;
  int height_;
  double frame_rate_;
  std::string name_;
  Color background_{1.0, 0.0, 0.0, 0.0};
  std::vector<std::unique_ptr<Layer>> layers_;
  AEGP_LayerIDVal next_layer_id_ = 1;
  PF_PathID next_mask_id_ = 1;
  std::recursive_mutex mutex_;
  std::map<PF_ProgPtr, AEGP_LayerIDVal> effects_;
};

}  // namespace simhost::scene
