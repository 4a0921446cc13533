#include "host/scene/layer_pixels.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

#include "host/cairo_ptr.h"
#include "host/scene/coverage.h"
#include "host/scene/shape_paints.h"

namespace simhost::scene {

namespace {

using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;

double scale_of(PF_RationalScale s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

// The layer's size at the downsampling, rounded up as the layer's extent is.
A_long extent(int length, double scale) {
  return static_cast<A_long>(std::ceil(length * scale));
}

SurfacePtr checked(cairo_surface_t* surface) {
  SurfacePtr owned(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cairo cannot make a surface for the layer's pixels");
  }
  return owned;
}

// The layer's pixels as they are made: float channels, alpha
// premultiplied, so that paints and masks compose simply.
class PremultipliedPixels {
 public:
  explicit PremultipliedPixels(const PixelGrid& grid)
      : grid_(grid), pixels_(static_cast<size_t>(grid.width) * grid.height) {}

  // A colour over what is there, where the coverage says.
  void paint(const Coverage& coverage, const Color& color, double opacity) {
    for (A_long y = 0; y < grid_.height; ++y) {
      for (A_long x = 0; x < grid_.width; ++x) {
        const float a = static_cast<float>(coverage.at(x, y) * opacity);
        if (a <= 0.0f) continue;
        std::array<float, 4>& p = at(x, y);  // alpha, red, green, blue
        const float keep = 1.0f - a;
        p = {a + p[0] * keep, static_cast<float>(color.red) * a + p[1] * keep,
             static_cast<float>(color.green) * a + p[2] * keep,
             static_cast<float>(color.blue) * a + p[3] * keep};
      }
    }
  }

  // Keeps only what the coverage covers.
  void keep(const Coverage& coverage) {
    for (A_long y = 0; y < grid_.height; ++y) {
      for (A_long x = 0; x < grid_.width; ++x) {
        for (float& channel : at(x, y)) channel *= coverage.at(x, y);
      }
    }
  }

  // The picture with its top-left pixel at the layer's origin, scaled to
  // the downsampling.
  void draw_image(const RgbaImage& image) {
    if (image.width <= 0 || image.height <= 0 || grid_.width <= 0 || grid_.height <= 0) return;
    SurfacePtr source =
        checked(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height));
    auto* data = cairo_image_surface_get_data(source.get());
    const int stride = cairo_image_surface_get_stride(source.get());
    for (int y = 0; y < image.height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int x = 0; x < image.width; ++x) {
        const uint8_t* rgba = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
        const uint32_t a = rgba[3];
        auto premultiplied = [a](uint32_t c) { return (c * a + 127) / 255; };
        row[x] = a << 24 | premultiplied(rgba[0]) << 16 | premultiplied(rgba[1]) << 8 |
                 premultiplied(rgba[2]);
      }
    }
    cairo_surface_mark_dirty(source.get());

    SurfacePtr target =
        checked(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, grid_.width, grid_.height));
    ContextPtr cr(cairo_create(target.get()));
    cairo_translate(cr.get(), -grid_.left, -grid_.top);
    cairo_scale(cr.get(), grid_.scale_x, grid_.scale_y);
    cairo_set_source_surface(cr.get(), source.get(), 0.0, 0.0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(cr.get());
    cairo_surface_flush(target.get());

    const auto* drawn = cairo_image_surface_get_data(target.get());
    const int drawn_stride = cairo_image_surface_get_stride(target.get());
    for (A_long y = 0; y < grid_.height; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(drawn + static_cast<size_t>(y) * drawn_stride);
      for (A_long x = 0; x < grid_.width; ++x) {
        const uint32_t p = row[x];
        at(x, y) = {(p >> 24) / 255.0f, (p >> 16 & 0xFF) / 255.0f, (p >> 8 & 0xFF) / 255.0f,
                    (p & 0xFF) / 255.0f};
      }
    }
  }

  // Into the world with straight alpha, in its depth; pixels of the layer
  // from (right, bottom) on (counted from the layer's origin) are left
  // transparent.
  void write(World& world, A_long right, A_long bottom) const {
    PF_EffectWorld* w = world.get();
    const bool is_float = world.format() == PixelFormat::argb_float;
    for (A_long y = 0; y < grid_.height; ++y) {
      const bool row_inside = y + grid_.top >= 0 && y + grid_.top < bottom;
      for (A_long x = 0; x < grid_.width; ++x) {
        const std::array<float, 4>& p = pixels_[static_cast<size_t>(y) * grid_.width + x];
        const bool inside = row_inside && x + grid_.left >= 0 && x + grid_.left < right;
        const float alpha = inside ? std::clamp(p[0], 0.0f, 1.0f) : 0.0f;
        const float unpremultiply = alpha > 0.0f ? 1.0f / alpha : 0.0f;
        auto straight = [&](float c) { return std::clamp(c * unpremultiply, 0.0f, 1.0f); };
        if (is_float) {
          *pixel_at<PF_PixelFloat>(w, x, y) = {alpha, straight(p[1]), straight(p[2]),
                                               straight(p[3])};
        } else {
          // Channels are within 0 to 1 here.
          auto byte = [](float c) { return static_cast<A_u_char>(c * 255.0f + 0.5f); };
          *pixel_at<PF_Pixel8>(w, x, y) = {byte(alpha), byte(straight(p[1])), byte(straight(p[2])),
                                           byte(straight(p[3]))};
        }
      }
    }
  }

 private:
  std::array<float, 4>& at(A_long x, A_long y) {
    return pixels_[static_cast<size_t>(y) * grid_.width + x];
  }

  PixelGrid grid_;
  std::vector<std::array<float, 4>> pixels_;
};

CoverageOp mask_op(PF_MaskMode mode) {
  switch (mode) {
    case PF_MaskMode_SUBTRACT:
      return CoverageOp::subtract;
    case PF_MaskMode_INTERSECT:
      return CoverageOp::intersect;
    case PF_MaskMode_LIGHTEN:
      return CoverageOp::lighten;
    case PF_MaskMode_DARKEN:
      return CoverageOp::darken;
    case PF_MaskMode_DIFFERENCE:
      return CoverageOp::exclude;
    default:  // add and accumulate, which differ only for masks with opacity
      return CoverageOp::add;
  }
}

// What the masks leave of the layer, or nothing when no mask shapes it
// (masks of mode none and open masks do not). The first mask that shapes
// it counts as the effect counts it (effect/layer_outlines, the renderer's
// mask combination): one that subtracts cuts itself out of the whole layer
// (a lone subtracting mask cuts a hole); any other adds its own area, its
// inside or, inverted, its outside.
std::optional<Coverage> mask_coverage(const Layer& layer, double seconds, const PixelGrid& grid,
                                      DrawingCancel& cancel) {
  std::optional<Coverage> kept;
  for (const Mask& mask : layer.masks) {
    if (cancel.poll()) return std::nullopt;
    PathShape shape = mask.shape.at(seconds);
    if (mask.mode == PF_MaskMode_NONE || !shape.closed || shape.vertices.empty()) continue;
    CoverageOp op = mask_op(mask.mode);
    if (!kept) {
      if (op != CoverageOp::subtract) op = CoverageOp::add;
      kept.emplace(grid, op == CoverageOp::subtract ? 1.0f : 0.0f);
    }
    Coverage own = fill_coverage(grid, {{std::move(shape), Affine{}}}, FillRule::non_zero);
    if (mask.inverted) own.invert();
    kept->combine(own, op);
  }
  return kept;
}

}  // namespace

bool render_layer_pixels(const Layer& layer, double layer_seconds, PF_RationalScale downsample_x,
                         PF_RationalScale downsample_y, World& world) {
  DrawingCancel never;
  return render_layer_pixels(layer, layer_seconds, downsample_x, downsample_y, world, never);
}

bool render_layer_pixels(const Layer& layer, double layer_seconds, PF_RationalScale downsample_x,
                         PF_RationalScale downsample_y, World& world, DrawingCancel& cancel) {
  if (cancel.poll()) return false;
  const PF_EffectWorld& w = *world.get();
  const PixelGrid grid{
      w.origin_x, w.origin_y, w.width, w.height, scale_of(downsample_x), scale_of(downsample_y)};
  const A_long right = extent(layer.width, grid.scale_x);
  const A_long bottom = extent(layer.height, grid.scale_y);
  PremultipliedPixels pixels(grid);
  if (layer.image != nullptr) {
    pixels.draw_image(*layer.image);
  } else if (layer.kind == LayerKind::text) {
    std::vector<PlacedPath> glyphs;
    for (const PathShape& outline : layer.text_outlines()) glyphs.push_back({outline, Affine{}});
    const Color color = layer.text().fill_color.at(layer_seconds);
    pixels.paint(fill_coverage(grid, glyphs, FillRule::non_zero), color, color.alpha);
  } else if (layer.kind == LayerKind::solid) {
    const Color color = layer.solid_color.at(layer_seconds);
    pixels.paint(rectangle_coverage(grid, right, bottom), color, color.alpha);
  } else if (layer.kind == LayerKind::shape) {
    if (const StreamNode* root = layer.streams.child("ADBE Root Vectors Group")) {
      // The contents' origin is the middle of the layer, where its anchor
      // sits.
      const Affine to_layer{1.0, 0.0, 0.0, 1.0, layer.width / 2.0, layer.height / 2.0};
      std::vector<ShapePaint> paints = shape_paints(*root, layer_seconds, to_layer, grid, cancel);
      // Back to front.
      for (auto paint = paints.rbegin(); paint != paints.rend(); ++paint) {
        if (cancel.poll()) return false;
        pixels.paint(paint->coverage, paint->color, paint->opacity);
      }
    }
  }
  const std::optional<Coverage> kept = mask_coverage(layer, layer_seconds, grid, cancel);
  if (cancel.given_up()) return false;
  if (kept) pixels.keep(*kept);
  pixels.write(world, right, bottom);
  return true;
}

}  // namespace simhost::scene
