#include "host/scene/text_outlines.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/cairo_ptr.h"
#include "host/quoted.h"

namespace simhost::scene {

namespace {

// The distance from one baseline to the next, in font sizes (the host's
// automatic leading).
constexpr double line_leading = 1.2;

template <class T, void (*Release)(T*)>
struct Releaser {
  void operator()(T* object) const {
    if (object != nullptr) Release(object);
  }
};
using PatternPtr = std::unique_ptr<FcPattern, Releaser<FcPattern, FcPatternDestroy>>;
using FontFacePtr =
    std::unique_ptr<cairo_font_face_t, Releaser<cairo_font_face_t, cairo_font_face_destroy>>;
using SurfacePtr = CairoSurfacePtr;
using ContextPtr = CairoContextPtr;
using PathPtr = CairoPathPtr;
using OptionsPtr = std::unique_ptr<cairo_font_options_t,
                                   Releaser<cairo_font_options_t, cairo_font_options_destroy>>;

bool has_family(FcPattern* pattern, const std::string& family) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    if (family == reinterpret_cast<const char*>(value)) return true;
  }
  return false;
}

// The installed face of that family and weight; fontconfig would offer a
// substitute for a missing one, or embolden the regular face, which are
// refused here.
FontFacePtr installed_face(const TextContent& text) {
  const std::string described = in_quotes(text.font) + (text.bold ? " bold" : " regular");
  if (!FcInit()) throw std::runtime_error("fontconfig cannot start to find font " + described);
  const int weight = text.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  PatternPtr wanted(FcPatternCreate());
  FcPatternAddString(wanted.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(text.font.c_str()));
  FcPatternAddInteger(wanted.get(), FC_WEIGHT, weight);
  FcPatternAddInteger(wanted.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern);
  FcDefaultSubstitute(wanted.get());
  FcResult result = FcResultNoMatch;
  PatternPtr found(FcFontMatch(nullptr, wanted.get(), &result));
  int found_weight = -1;
  if (found == nullptr || !has_family(found.get(), text.font) ||
      FcPatternGetInteger(found.get(), FC_WEIGHT, 0, &found_weight) != FcResultMatch ||
      found_weight != weight) {
    throw std::runtime_error("font " + described + " is not installed");
  }
  // For a family without a bold face fontconfig offers the regular one,
  // made bolder: that face is not installed either.
  FcBool emboldened = FcFalse;
  if (FcPatternGetBool(found.get(), FC_EMBOLDEN, 0, &emboldened) == FcResultMatch && emboldened) {
    throw std::runtime_error("font " + described +
                             " is not installed (the family has no bold face)");
  }
  // cairo gives no path of a bitmap glyph: the text would vanish.
  FcBool outline = FcTrue;
  if (FcPatternGetBool(found.get(), FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) {
    throw std::runtime_error("font " + described + " is a bitmap font, which has no outlines");
  }
  FontFacePtr face(cairo_ft_font_face_create_for_pattern(found.get()));
  if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("font " + described + " cannot be loaded");
  }
  return face;
}

// Collects cairo's contours as vertices with absolute control points, then
// makes the control points relative.
class ContourBuilder {
 public:
  void move_to(double x, double y) {
    finish(false);
    contour_.vertices.push_back({x, y, x, y, x, y});
  }
  void line_to(double x, double y) { contour_.vertices.push_back({x, y, x, y, x, y}); }
  void curve_to(double x1, double y1, double x2, double y2, double x, double y) {
    if (contour_.vertices.empty()) move_to(x1, y1);
    contour_.vertices.back().out_x = x1;
    contour_.vertices.back().out_y = y1;
    contour_.vertices.push_back({x, y, x2, y2, x, y});
  }
  // A closing segment that ends on the first vertex gives that vertex its
  // incoming control point; otherwise the contour closes with a straight line.
  void close() {
    std::vector<PathPoint>& v = contour_.vertices;
    if (v.size() > 1 && v.back().x == v.front().x && v.back().y == v.front().y) {
      v.front().in_x = v.back().in_x;
      v.front().in_y = v.back().in_y;
      v.pop_back();
    }
    finish(true);
  }
  // The contours moved by (x, y).
  std::vector<PathShape> take(double x, double y) {
    finish(false);
    for (PathShape& contour : contours_) {
      for (PathPoint& p : contour.vertices) {
        p.x += x;
        p.y += y;
      }
    }
    return std::move(contours_);
  }

 private:
  // Only closed contours are outlines; a lone move-to is none.
  void finish(bool closed) {
    if (closed && !contour_.vertices.empty()) {
      for (PathPoint& p : contour_.vertices) {
        p.in_x -= p.x;
        p.in_y -= p.y;
        p.out_x -= p.x;
        p.out_y -= p.y;
      }
      contours_.push_back(std::move(contour_));
    }
    contour_ = {};
  }

  PathShape contour_;
  std::vector<PathShape> contours_;
};

// The bytes of the UTF-8 character that starts at `at`: one for a byte that
// starts none (a stray byte is a character of its own).
size_t character_length(std::string_view text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  const size_t length = byte < 0x80    ? 1
                        : byte >= 0xF0 ? 4
                        : byte >= 0xE0 ? 3
                        : byte >= 0xC0 ? 2
                                       : 1;
  if (at + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The glyph a font shows for a character it has no glyph of.
constexpr unsigned long missing_glyph = 0;

// The glyphs of one line from (0, 0): each character's glyph in the font,
// one after the other by its advance, as cairo's own text functions place
// them (no kerning, no shaping). A character the font has no glyph for gets
// its missing-glyph box; so do those cairo refuses to take (U+0000,
// noncharacters such as U+FFFF, bytes that are not UTF-8), which would
// otherwise drop the rest of the line or all of it.
std::vector<cairo_glyph_t> line_glyphs(cairo_scaled_font_t* font, std::string_view line) {
  std::vector<cairo_glyph_t> glyphs;
  double x = 0.0;
  double y = 0.0;
  for (size_t at = 0; at < line.size();) {
    const size_t length = character_length(line, at);
    cairo_glyph_t glyph{missing_glyph, 0.0, 0.0};
    cairo_glyph_t* made = nullptr;
    int count = 0;
    if (line[at] != '\0' &&
        cairo_scaled_font_text_to_glyphs(font, 0.0, 0.0, line.data() + at, static_cast<int>(length),
                                         &made, &count, nullptr, nullptr,
                                         nullptr) == CAIRO_STATUS_SUCCESS &&
        count == 1) {
      glyph.index = made[0].index;
    }
    cairo_glyph_free(made);
    // The advance measured at the origin, added up as cairo adds it.
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font, &glyph, 1, &extents);
    glyph.x = x;
    glyph.y = y;
    glyphs.push_back(glyph);
    x += extents.x_advance;
    y += extents.y_advance;
    at += length;
  }
  return glyphs;
}

}  // namespace

std::vector<PathShape> glyph_outlines(const TextContent& text) {
  FontFacePtr face = installed_face(text);
  if (text.text.empty()) return {};

  // The context only hosts the path; nothing is drawn. An unbounded surface,
  // since cairo leaves out glyphs that fall outside a bounded one.
  SurfacePtr surface(cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr));
  ContextPtr cr(cairo_create(surface.get()));
  // Outlines as the font draws them, not fitted to a pixel grid.
  OptionsPtr options(cairo_font_options_create());
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr.get(), options.get());
  cairo_set_font_face(cr.get(), face.get());
  cairo_set_font_size(cr.get(), text.size);
  cairo_scaled_font_t* font = cairo_get_scaled_font(cr.get());
  // A line break ("\r", "\n" or both) starts the next line, a leading
  // below, at the origin's x. Each line is drawn at (0, 0) and moved to its
  // place here, so that any place is kept exactly (cairo holds coordinates
  // in fixed point).
  std::vector<PathShape> outlines;
  size_t line_start = 0;
  for (int line = 0; line_start <= text.text.size(); ++line) {
    size_t line_end = text.text.find_first_of("\r\n", line_start);
    if (line_end == std::string::npos) line_end = text.text.size();
    cairo_new_path(cr.get());
    const std::vector<cairo_glyph_t> glyphs =
        line_glyphs(font, std::string_view(text.text).substr(line_start, line_end - line_start));
    cairo_glyph_path(cr.get(), glyphs.data(), static_cast<int>(glyphs.size()));
    PathPtr path(cairo_copy_path(cr.get()));
    if (path == nullptr || path->status != CAIRO_STATUS_SUCCESS) {
      throw std::runtime_error("cairo cannot give the outlines of " + in_quotes(text.text));
    }
    ContourBuilder builder;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
      const cairo_path_data_t* d = &path->data[i];
      switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
          builder.move_to(d[1].point.x, d[1].point.y);
          break;
        case CAIRO_PATH_LINE_TO:
          builder.line_to(d[1].point.x, d[1].point.y);
          break;
        case CAIRO_PATH_CURVE_TO:
          builder.curve_to(d[1].point.x, d[1].point.y, d[2].point.x, d[2].point.y, d[3].point.x,
                           d[3].point.y);
          break;
        case CAIRO_PATH_CLOSE_PATH:
          builder.close();
          break;
      }
    }
    for (PathShape& contour :
         builder.take(text.origin.x, text.origin.y + line * line_leading * text.size)) {
      outlines.push_back(std::move(contour));
    }
    const bool crlf = text.text.compare(line_end, 2, "\r\n") == 0;
    line_start = line_end + (crlf ? 2 : 1);
  }
  return outlines;
}

}  // namespace simhost::scene
