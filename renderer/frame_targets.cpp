#include "renderer/frame_targets.h"

#include <GL/glew.h>

#include <algorithm>

namespace {

size_t bytes_of(int32_t face_width, int32_t face_height, int32_t outline_width,
                int32_t outline_height, int32_t width, int32_t height, int32_t composite_format) {
  const auto area = [](int32_t w, int32_t h) {
    return static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0));
  };
  return area(face_width, face_height) * (16 + 4) + area(outline_width, outline_height) * 4 +
         area(width, height) * (composite_format == GL_RGBA8 ? 4 : 16);
}

// A side of storage for `needed` where `kept` was made: the kept side while it suffices;
// otherwise the needed one with a sixteenth more, in steps of 64, within `largest`.
int32_t grown_side(int32_t kept, int32_t needed, int32_t largest) {
  if (needed <= kept) return kept;
  if (kept <= 0 || needed > largest) return needed;
  const int64_t roomy = (int64_t{needed} + needed / 16 + 63) / 64 * 64;
  return static_cast<int32_t>(std::min<int64_t>(roomy, largest));
}

}  // namespace

size_t TargetSizes::bytes() const {
  return bytes_of(face_width, face_height, width, height, width, height, composite_format);
}

TargetSizes grown_target_sizes(const TargetSizes& kept, const TargetSizes& needed,
                               int32_t largest_size, size_t budget) {
  TargetSizes grown = needed;
  grown.face_width = grown_side(kept.face_width, needed.face_width, largest_size);
  grown.face_height = grown_side(kept.face_height, needed.face_height, largest_size);
  grown.width = grown_side(kept.width, needed.width, largest_size);
  grown.height = grown_side(kept.height, needed.height, largest_size);
  return grown.bytes() <= budget ? grown : needed;
}

size_t FrameTargets::bytes() const {
  return bytes_of(face_width, face_height, outline_width, outline_height, width, height,
                  composite_format);
}
