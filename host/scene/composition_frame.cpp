#include "host/scene/composition_frame.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "host/scene/affine.h"
#include "host/scene/layer_pixels.h"
#include "host/scene/scene_file.h"

namespace simhost::scene {

namespace {

double scale_of(PF_RationalScale s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

// From the layer's pixels at the downsampling to the composition's at the
// same downsampling: the layer-to-world matrix seen in 2D (row vectors,
// translation in the bottom row), between the two downsampled grids. A shape
// layer's pixels have the origin of its layer space, where its contents'
// origin lies, at their middle (layer_pixels.h); other layers' pixels start
// at it.
Affine layer_to_frame(const Composition& comp, const Layer& layer, double seconds, double sx,
                      double sy) {
  const A_Matrix4 m = comp.layer_to_world(layer, seconds);
  Affine to_frame{m.mat[0][0], m.mat[0][1] * sy / sx, m.mat[1][0] * sx / sy,
                  m.mat[1][1], m.mat[3][0] * sx,      m.mat[3][1] * sy};
  if (layer.kind == LayerKind::shape) {
    const auto [x, y] = to_frame.apply({-layer.width / 2.0 * sx, -layer.height / 2.0 * sy});
    to_frame.x0 = x;
    to_frame.y0 = y;
  }
  return to_frame;
}

const Layer* layer_of(const Composition& comp, AEGP_LayerIDVal id) {
  for (const auto& layer : comp.layers()) {
    if (layer->id == id) return layer.get();
  }
  return nullptr;
}

// One side of a request, [low, high) in layer pixels, reaching no further
// than the host's longest side beyond the layer's extent [0, extent) and no
// longer than that side: where it would be, the part around the layer's
// middle is kept.
std::array<double, 2> limited_side(double low, double high, double extent) {
  const double longest = longest_side;
  low = std::max(low, -longest);
  high = std::min(high, extent + longest);
  if (high - low > longest) {
    low = std::clamp(std::floor(extent / 2.0 - longest / 2.0), low, high - longest);
    high = low + longest;
  }
  return {low, high};
}

// The frame, in its depth and with straight alpha, as the layers are put on
// it one after the other, as the host's compositing of an 8-bit or float
// composition does.
class Canvas {
 public:
  Canvas(A_long width, A_long height, PixelFormat format, const std::optional<Color>& background)
      : world_(std::make_unique<World>(width, height, format)) {
    if (!background) return;
    const PF_PixelFloat fill{1.0f, static_cast<float>(background->red),
                             static_cast<float>(background->green),
                             static_cast<float>(background->blue)};
    PF_EffectWorld& frame = *world_->get();
    if (width <= 0 || height <= 0) return;
    write_float_pixel(frame, 0, 0, fill);
    const size_t pixel_size = frame.world_flags & PF_WorldFlag_FLOAT ? 16 : 4;
    const auto* first = static_cast<const unsigned char*>(frame.data);
    for (A_long y = 0; y < height; ++y) {
      auto* row = static_cast<unsigned char*>(frame.data) + static_cast<size_t>(y) * frame.rowbytes;
      for (A_long x = y == 0 ? 1 : 0; x < width; ++x) {
        std::copy(first, first + pixel_size, row + x * pixel_size);
      }
    }
  }

  // The source's pixels (straight alpha, its origin placing it in the
  // layer) over what is there, through `to_frame`. A source placed at whole
  // pixels without scaling or turning is copied pixel for pixel; any other
  // is sampled bilinearly at pixel centres.
  void over(const PF_EffectWorld& source, const Affine& to_frame) {
    if (source.width <= 0 || source.height <= 0 || !(std::abs(to_frame.determinant()) > 1e-12)) {
      return;
    }
    const auto [ox, oy] = to_frame.apply(
        {static_cast<double>(source.origin_x), static_cast<double>(source.origin_y)});
    if (to_frame.is_whole_pixel_shift() && ox == std::floor(ox) && oy == std::floor(oy)) {
      over_at(source, ox, oy);
      return;
    }
    PF_EffectWorld& frame = *world_->get();
    // The part of the frame the source can reach, clipped to the frame in
    // doubles: a layer placed far away lies beyond any integer.
    double min_x = HUGE_VAL, min_y = HUGE_VAL, max_x = -HUGE_VAL, max_y = -HUGE_VAL;
    for (const double x : {0.0, 1.0}) {
      for (const double y : {0.0, 1.0}) {
        const auto [fx, fy] = to_frame.apply(
            {source.origin_x + x * source.width, source.origin_y + y * source.height});
        min_x = std::min(min_x, fx);
        max_x = std::max(max_x, fx);
        min_y = std::min(min_y, fy);
        max_y = std::max(max_y, fy);
      }
    }
    if (!std::isfinite(min_x) || !std::isfinite(max_x) || !std::isfinite(min_y) ||
        !std::isfinite(max_y)) {
      return;
    }
    const double left = std::max(0.0, std::floor(min_x) - 1.0);
    const double top = std::max(0.0, std::floor(min_y) - 1.0);
    const double right = std::min<double>(frame.width, std::ceil(max_x) + 1.0);
    const double bottom = std::min<double>(frame.height, std::ceil(max_y) + 1.0);
    if (!(left < right && top < bottom)) return;
    const Affine to_source = to_frame.inverse();
    for (auto y = static_cast<A_long>(top); y < static_cast<A_long>(bottom); ++y) {
      for (auto x = static_cast<A_long>(left); x < static_cast<A_long>(right); ++x) {
        const auto [lx, ly] = to_source.apply({x + 0.5, y + 0.5});
        blend(x, y, sample(source, lx - source.origin_x - 0.5, ly - source.origin_y - 0.5));
      }
    }
  }

  std::unique_ptr<World> take() { return std::move(world_); }

 private:
  // The source with its top-left pixel at (left, top) of the frame, whole
  // numbers that may lie beyond any integer: the rows and columns that land
  // on the frame are found in doubles.
  void over_at(const PF_EffectWorld& source, double left, double top) {
    const PF_EffectWorld& frame = *world_->get();
    const double first_x = std::max(0.0, -left);
    const double end_x = std::min<double>(source.width, frame.width - left);
    const double first_y = std::max(0.0, -top);
    const double end_y = std::min<double>(source.height, frame.height - top);
    if (!(first_x < end_x && first_y < end_y)) return;
    // Some pixel lands on the frame, so the offsets are within its reach.
    const auto from_x = static_cast<A_long>(first_x);
    const auto to_x = static_cast<A_long>(end_x);
    const auto from_y = static_cast<A_long>(first_y);
    const auto to_y = static_cast<A_long>(end_y);
    const auto dx = static_cast<A_long>(left);
    const auto dy = static_cast<A_long>(top);
    // 8-bit pixels that are wholly transparent or opaque, most of them,
    // leave or replace what is there as they are.
    const bool bytes = !((source.world_flags | frame.world_flags) & PF_WorldFlag_FLOAT);
    auto* from = const_cast<PF_EffectWorld*>(&source);
    auto* to = world_->get();
    for (A_long y = from_y; y < to_y; ++y) {
      for (A_long x = from_x; x < to_x; ++x) {
        if (bytes) {
          const PF_Pixel8& p = *pixel_at<PF_Pixel8>(from, x, y);
          if (p.alpha == 0) continue;
          if (p.alpha == 255) {
            *pixel_at<PF_Pixel8>(to, x + dx, y + dy) = p;
            continue;
          }
        }
        blend(x + dx, y + dy, premultiplied(read_float_pixel(source, x, y)));
      }
    }
  }

  void blend(A_long x, A_long y, const PremultipliedPixel& p) {
    if (p[3] <= 0.0f) return;
    PF_EffectWorld& frame = *world_->get();
    write_float_pixel(frame, x, y, simhost::over(p, read_float_pixel(frame, x, y)));
  }

  // Premultiplied red, green, blue, alpha at (x, y) in pixel units of the
  // source, its pixel centres at whole numbers; transparent beyond it.
  static PremultipliedPixel sample(const PF_EffectWorld& source, double x, double y) {
    const double x0 = std::floor(x);
    const double y0 = std::floor(y);
    const float wx = static_cast<float>(x - x0);
    const float wy = static_cast<float>(y - y0);
    PremultipliedPixel sum{};
    for (int j = 0; j < 2; ++j) {
      const float weight_y = j == 0 ? 1.0f - wy : wy;
      const double sy = y0 + j;
      if (weight_y == 0.0f || !(sy >= 0 && sy < source.height)) continue;
      for (int i = 0; i < 2; ++i) {
        const float weight = (i == 0 ? 1.0f - wx : wx) * weight_y;
        const double sx = x0 + i;
        if (weight == 0.0f || !(sx >= 0 && sx < source.width)) continue;
        const PremultipliedPixel p = premultiplied(
            read_float_pixel(source, static_cast<A_long>(sx), static_cast<A_long>(sy)));
        for (int k = 0; k < 4; ++k) sum[k] += weight * p[k];
      }
    }
    return sum;
  }

  std::unique_ptr<World> world_;
};

}  // namespace

PF_LRect composition_request(const Composition& comp, double comp_seconds,
                             AEGP_LayerIDVal effect_layer,
                             const CompositionFrameSettings& settings) {
  const Layer* layer = layer_of(comp, effect_layer);
  if (layer == nullptr) return {0, 0, 0, 0};
  const double sx = scale_of(settings.downsample_x);
  const double sy = scale_of(settings.downsample_y);
  const double extent_x = std::ceil(layer->width * sx);
  const double extent_y = std::ceil(layer->height * sy);
  const PF_LRect extent{0, 0, static_cast<A_long>(extent_x), static_cast<A_long>(extent_y)};
  const Affine to_frame = layer_to_frame(comp, *layer, comp_seconds, sx, sy);
  if (!to_frame.is_finite() || !(std::abs(to_frame.determinant()) > 1e-12)) return extent;
  const Affine to_layer = to_frame.inverse();
  const double frame_width = std::ceil(comp.width() * sx);
  const double frame_height = std::ceil(comp.height() * sy);
  double min_x = HUGE_VAL, min_y = HUGE_VAL, max_x = -HUGE_VAL, max_y = -HUGE_VAL;
  for (const double x : {0.0, frame_width}) {
    for (const double y : {0.0, frame_height}) {
      const auto [lx, ly] = to_layer.apply({x, y});
      min_x = std::min(min_x, lx);
      max_x = std::max(max_x, lx);
      min_y = std::min(min_y, ly);
      max_y = std::max(max_y, ly);
    }
  }
  if (!std::isfinite(min_x) || !std::isfinite(max_x) || !std::isfinite(min_y) ||
      !std::isfinite(max_y)) {
    return extent;
  }
  // A frame sampled between pixels also reads the pixel beyond each edge.
  const double margin = to_frame.is_whole_pixel_shift() ? 0.0 : 1.0;
  const auto [left, right] =
      limited_side(std::floor(min_x) - margin, std::ceil(max_x) + margin, extent_x);
  const auto [top, bottom] =
      limited_side(std::floor(min_y) - margin, std::ceil(max_y) + margin, extent_y);
  if (!(left < right && top < bottom)) return {0, 0, 0, 0};
  return {static_cast<A_long>(left), static_cast<A_long>(top), static_cast<A_long>(right),
          static_cast<A_long>(bottom)};
}

std::unique_ptr<World> composition_frame(const Composition& comp, double comp_seconds,
                                         AEGP_LayerIDVal effect_layer, const World* effect_output,
                                         const CompositionFrameSettings& settings) {
  const double sx = scale_of(settings.downsample_x);
  const double sy = scale_of(settings.downsample_y);
  Canvas canvas(static_cast<A_long>(std::ceil(comp.width() * sx)),
                static_cast<A_long>(std::ceil(comp.height() * sy)), settings.format,
                settings.background);
  DrawingCancel cancel(settings.cancelled);
  for (const auto& layer : comp.layers()) {
    if (cancel.poll()) return nullptr;
    if (layer->kind == LayerKind::null || layer->kind == LayerKind::camera) continue;
    const Affine to_frame = layer_to_frame(comp, *layer, comp_seconds, sx, sy);
    if (layer->id == effect_layer) {
      if (effect_output != nullptr) canvas.over(*effect_output->get(), to_frame);
      continue;
    }
    World own(static_cast<A_long>(std::ceil(layer->width * sx)),
              static_cast<A_long>(std::ceil(layer->height * sy)), settings.format);
    if (!render_layer_pixels(*layer, layer->layer_time(comp_seconds), settings.downsample_x,
                             settings.downsample_y, own, cancel)) {
      return nullptr;
    }
    canvas.over(*own.get(), to_frame);
  }
  return canvas.take();
}

}  // namespace simhost::scene
