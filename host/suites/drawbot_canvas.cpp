#include "host/suites/drawbot_canvas.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "host/replace_file.h"

namespace simhost {

namespace {

std::mutex canvases_mutex;
std::set<DrawbotCanvas*> live_canvases;

constexpr const char* image_kind = "drawbot image";
constexpr const char* state_kind = "drawbot surface state";

template <class Ref, class Get>
DrawbotCanvas* find_canvas(Ref ref, Get get) {
  if (ref == nullptr) return nullptr;
  std::lock_guard lock(canvases_mutex);
  for (DrawbotCanvas* canvas : live_canvases) {
    if (get(canvas) == ref) return canvas;
  }
  return nullptr;
}

double unit(A_u_short channel) {
  return channel / 65535.0;
}

cairo_filter_t filter_of(DRAWBOT_InterpolationPolicy policy) {
  switch (policy) {
    case kDRAWBOT_InterpolationPolicy_None:
      return CAIRO_FILTER_NEAREST;
    case kDRAWBOT_InterpolationPolicy_Med:
      return CAIRO_FILTER_BILINEAR;
    default:
      return CAIRO_FILTER_BEST;
  }
}

struct DrawbotImage {
  explicit DrawbotImage(cairo_surface_t* s) : surface(s) {}
  ~DrawbotImage() { cairo_surface_destroy(surface); }
  DrawbotImage(const DrawbotImage&) = delete;
  DrawbotImage& operator=(const DrawbotImage&) = delete;
  cairo_surface_t* surface;
  int references = 1;
};

// The images a host gave out, by reference.
struct DrawbotImages {
  std::mutex mutex;
  std::map<const void*, std::unique_ptr<DrawbotImage>> images;
  int made = 0;
};

}  // namespace

DrawbotCanvas::DrawbotCanvas(SimHost& host, int width, int height, PF_App_Color background)
    : host_(host),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      background_(background),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_)),
      cairo_(cairo_create(surface_)) {
  context_.w_type = PF_Window_EFFECT;
  context_.reserved_drawbot = &draw_tag_;
  clear();
  static std::atomic<int> canvases{0};
  const std::string n = std::to_string(++canvases);
  host_.name_object(&context_, "context#" + n);
  host_.name_object(&draw_tag_, "draw ref#" + n);
  host_.name_object(&supplier_tag_, "supplier#" + n);
  host_.name_object(&surface_tag_, "surface#" + n);
  std::lock_guard lock(canvases_mutex);
  live_canvases.insert(this);
}

DrawbotCanvas::~DrawbotCanvas() {
  {
    std::lock_guard lock(canvases_mutex);
    live_canvases.erase(this);
  }
  cairo_destroy(cairo_);
  cairo_surface_destroy(surface_);
}

void DrawbotCanvas::clear() {
  std::lock_guard lock(mutex_);
  cairo_save(cairo_);
  cairo_identity_matrix(cairo_);
  cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cairo_, unit(background_.red), unit(background_.green),
                       unit(background_.blue));
  cairo_paint(cairo_);
  cairo_restore(cairo_);
}

PF_Pixel8 DrawbotCanvas::pixel(int x, int y) const {
  std::lock_guard lock(mutex_);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  cairo_surface_flush(surface_);
  const unsigned char* row = cairo_image_surface_get_data(surface_) +
                             static_cast<std::size_t>(y) * cairo_image_surface_get_stride(surface_);
  std::uint32_t argb;
  std::memcpy(&argb, row + 4 * x, 4);
  const int a = static_cast<int>(argb >> 24);
  auto straight = [a](std::uint32_t c) {
    return static_cast<A_u_char>(a == 0 ? 0 : (c * 255 + static_cast<std::uint32_t>(a) / 2) / a);
  };
  return {static_cast<A_u_char>(a), straight((argb >> 16) & 255), straight((argb >> 8) & 255),
          straight(argb & 255)};
}

std::vector<std::uint32_t> DrawbotCanvas::argb() const {
  std::lock_guard lock(mutex_);
  cairo_surface_flush(surface_);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * height_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height_ && data != nullptr; ++y) {
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width_,
                data + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(width_) * 4);
  }
  return pixels;
}

bool DrawbotCanvas::write_png(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return replace_file(path, [this](std::FILE* file) {
    auto to_file = [](void* closure, const unsigned char* data, unsigned int length) {
      return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length
                 ? CAIRO_STATUS_SUCCESS
                 : CAIRO_STATUS_WRITE_ERROR;
    };
    return cairo_surface_write_to_png_stream(surface_, to_file, file) == CAIRO_STATUS_SUCCESS;
  });
}

DrawbotCanvas* DrawbotCanvas::from_context(PF_ContextH context) {
  return find_canvas(context, [](DrawbotCanvas* c) { return c->context(); });
}
DrawbotCanvas* DrawbotCanvas::from_draw_ref(DRAWBOT_DrawRef ref) {
  return find_canvas(ref, [](DrawbotCanvas* c) { return c->draw_ref(); });
}
DrawbotCanvas* DrawbotCanvas::from_supplier(DRAWBOT_SupplierRef ref) {
  return find_canvas(ref, [](DrawbotCanvas* c) { return c->supplier_ref(); });
}
DrawbotCanvas* DrawbotCanvas::from_surface(DRAWBOT_SurfaceRef ref) {
  return find_canvas(ref, [](DrawbotCanvas* c) { return c->surface_ref(); });
}

DRAWBOT_DrawRef DrawbotCanvas::draw_ref() {
  return reinterpret_cast<DRAWBOT_DrawRef>(&draw_tag_);
}
DRAWBOT_SupplierRef DrawbotCanvas::supplier_ref() {
  return reinterpret_cast<DRAWBOT_SupplierRef>(&supplier_tag_);
}
DRAWBOT_SurfaceRef DrawbotCanvas::surface_ref() {
  return reinterpret_cast<DRAWBOT_SurfaceRef>(&surface_tag_);
}

PF_Err DrawbotCanvas::push_state() {
  std::lock_guard lock(mutex_);
  cairo_save(cairo_);
  saved_policies_.push_back(policy_);
  host_.give(state_kind);
  return PF_Err_NONE;
}

PF_Err DrawbotCanvas::pop_state() {
  std::lock_guard lock(mutex_);
  if (saved_policies_.empty()) {
    host_.misuse("pop of a Drawbot surface state that was not pushed");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  cairo_restore(cairo_);
  policy_ = saved_policies_.back();
  saved_policies_.pop_back();
  host_.take_back(state_kind);
  return PF_Err_NONE;
}

PF_Err DrawbotCanvas::transform(const DRAWBOT_MatrixF32& m) {
  const double xx = m.mat[0][0], yx = m.mat[0][1], xy = m.mat[1][0], yy = m.mat[1][1];
  const double x0 = m.mat[2][0], y0 = m.mat[2][1];
  const double determinant = xx * yy - yx * xy;
  if (!std::isfinite(determinant) || determinant == 0 || !std::isfinite(x0) || !std::isfinite(y0)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  cairo_matrix_t matrix;
  cairo_matrix_init(&matrix, xx, yx, xy, yy, x0, y0);
  std::lock_guard lock(mutex_);
  cairo_transform(cairo_, &matrix);
  return PF_Err_NONE;
}

PF_Err DrawbotCanvas::set_interpolation(DRAWBOT_InterpolationPolicy policy) {
  if (policy < kDRAWBOT_InterpolationPolicy_None || policy > kDRAWBOT_InterpolationPolicy_High) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  std::lock_guard lock(mutex_);
  policy_ = policy;
  return PF_Err_NONE;
}

DRAWBOT_InterpolationPolicy DrawbotCanvas::interpolation() const {
  std::lock_guard lock(mutex_);
  return policy_;
}

PF_Err DrawbotCanvas::draw_image(cairo_surface_t* image, DRAWBOT_PointF32 origin, float opacity) {
  if (image == nullptr || !std::isfinite(origin.x) || !std::isfinite(origin.y) ||
      !std::isfinite(opacity)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  std::lock_guard lock(mutex_);
  cairo_save(cairo_);
  cairo_set_source_surface(cairo_, image, origin.x, origin.y);
  cairo_pattern_set_filter(cairo_get_source(cairo_), filter_of(policy_));
  cairo_paint_with_alpha(cairo_, std::clamp(static_cast<double>(opacity), 0.0, 1.0));
  cairo_restore(cairo_);
  return cairo_status(cairo_) == CAIRO_STATUS_SUCCESS ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
}

PF_Err DrawbotCanvas::paint_rect(const DRAWBOT_ColorRGBA& c, const DRAWBOT_RectF32& r) {
  std::lock_guard lock(mutex_);
  cairo_save(cairo_);
  cairo_set_source_rgba(cairo_, c.red, c.green, c.blue, c.alpha);
  cairo_rectangle(cairo_, r.left, r.top, r.width, r.height);
  cairo_fill(cairo_);
  cairo_restore(cairo_);
  return PF_Err_NONE;
}

// --- images ----------------------------------------------------------------

PF_Err new_drawbot_image(SimHost& host, int width, int height, int row_bytes,
                         DRAWBOT_PixelLayout layout, const void* data, DRAWBOT_ImageRef* image) {
  if (image == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *image = nullptr;
  const bool premultiplied = layout == kDRAWBOT_PixelLayout_32BGRA_Premul;
  if (!premultiplied && layout != kDRAWBOT_PixelLayout_32BGRA_Straight) {
    return PF_Err_UNRECOGNIZED_PARAM_TYPE;
  }
  if (data == nullptr || width <= 0 || height <= 0 || row_bytes / 4 < width) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return PF_Err_OUT_OF_MEMORY;
  }
  // The buffer is copied: the effect may free it once the image is made.
  unsigned char* pixels = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const auto* from =
        static_cast<const unsigned char*>(data) + static_cast<std::size_t>(y) * row_bytes;
    unsigned char* to = pixels + static_cast<std::size_t>(y) * stride;
    std::memcpy(to, from, static_cast<std::size_t>(width) * 4);
    if (premultiplied) continue;
    for (int x = 0; x < width; ++x) {
      unsigned char* p = to + 4 * x;  // blue, green, red, alpha
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>((p[c] * a + 127) / 255);
    }
  }
  cairo_surface_mark_dirty(surface);

  DrawbotImages& state = host.family_state<DrawbotImages>();
  auto made = std::make_unique<DrawbotImage>(surface);
  std::lock_guard lock(state.mutex);
  const void* ref = made.get();
  host.hand_out(ref, image_kind, std::string(image_kind) + "#" + std::to_string(++state.made));
  state.images.emplace(ref, std::move(made));
  *image = static_cast<DRAWBOT_ImageRef>(const_cast<void*>(ref));
  return PF_Err_NONE;
}

cairo_surface_t* drawbot_image_surface(SimHost& host, DRAWBOT_ObjectRef image) {
  DrawbotImages& state = host.family_state<DrawbotImages>();
  std::lock_guard lock(state.mutex);
  auto it = state.images.find(image);
  return it == state.images.end() ? nullptr : it->second->surface;
}

PF_Err retain_drawbot_object(SimHost& host, DRAWBOT_ObjectRef object) {
  DrawbotImages& state = host.family_state<DrawbotImages>();
  std::lock_guard lock(state.mutex);
  auto it = state.images.find(object);
  if (it == state.images.end()) return PF_Err_BAD_CALLBACK_PARAM;
  ++it->second->references;
  return PF_Err_NONE;
}

PF_Err release_drawbot_object(SimHost& host, DRAWBOT_ObjectRef object) {
  DrawbotImages& state = host.family_state<DrawbotImages>();
  std::lock_guard lock(state.mutex);
  auto it = state.images.find(object);
  if (it == state.images.end()) {
    host.misuse("release of a Drawbot object that is not out (" + host.name_of(object) + ")");
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  if (--it->second->references == 0) {
    host.give_back(object, image_kind);
    state.images.erase(it);
  }
  return PF_Err_NONE;
}

}  // namespace simhost
