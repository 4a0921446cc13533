#pragma once

// The values a composition holds: vectors, Bezier paths as the host keeps
// them (control points relative to their vertex), and values that are either
// constant or keyframed over the layer's own time.

#include <cstddef>
#include <utility>
#include <vector>

namespace simhost::scene {

struct Vec2 {
  double x = 0.0;
  double y = 0.0;
};

struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// A colour as the host keeps it: channels from 0 to 1, alpha not
// premultiplied.
struct Color {
  double alpha = 1.0;
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
};

// One vertex of a path: its position and its incoming and outgoing control
// points as offsets from the position.
struct PathPoint {
  double x = 0.0;
  double y = 0.0;
  double in_x = 0.0;
  double in_y = 0.0;
  double out_x = 0.0;
  double out_y = 0.0;
};

// A mask's or a shape's outline. A closed path of n vertices has n segments,
// an open one n - 1.
struct PathShape {
  std::vector<PathPoint> vertices;
  bool closed = true;

  long num_segments() const {
    const long n = static_cast<long>(vertices.size());
    return closed ? n : (n > 0 ? n - 1 : 0);
  }
};

inline double interpolate(double a, double b, double f) {
  return a + (b - a) * f;
}
inline Vec2 interpolate(const Vec2& a, const Vec2& b, double f) {
  return {interpolate(a.x, b.x, f), interpolate(a.y, b.y, f)};
}
inline Vec3 interpolate(const Vec3& a, const Vec3& b, double f) {
  return {interpolate(a.x, b.x, f), interpolate(a.y, b.y, f), interpolate(a.z, b.z, f)};
}
inline Color interpolate(const Color& a, const Color& b, double f) {
  return {interpolate(a.alpha, b.alpha, f), interpolate(a.red, b.red, f),
          interpolate(a.green, b.green, f), interpolate(a.blue, b.blue, f)};
}
// Vertex by vertex when both paths have the same vertices; otherwise the
// earlier path holds until the next keyframe.
inline PathShape interpolate(const PathShape& a, const PathShape& b, double f) {
  if (a.vertices.size() != b.vertices.size() || a.closed != b.closed) return a;
  PathShape result = a;
  for (std::size_t i = 0; i < a.vertices.size(); ++i) {
    const PathPoint& p = a.vertices[i];
    const PathPoint& q = b.vertices[i];
    result.vertices[i] = {interpolate(p.x, q.x, f),         interpolate(p.y, q.y, f),
                          interpolate(p.in_x, q.in_x, f),   interpolate(p.in_y, q.in_y, f),
                          interpolate(p.out_x, q.out_x, f), interpolate(p.out_y, q.out_y, f)};
  }
  return result;
}

template <class T>
struct Keyframe {
  double time = 0.0;  // seconds of layer time
  T value{};
};

// A constant or keyframed value. Between two keyframes it is interpolated
// linearly, or for a held value (a choice such as a merge type or a path
// direction, not an amount to blend) it keeps the earlier keyframe's value;
// before the first and after the last keyframe it holds.
template <class T>
class Animated {
 public:
  Animated() : keyframes_{{0.0, T{}}} {}
  Animated(T value) : keyframes_{{0.0, std::move(value)}} {}  // NOLINT: a constant converts
  // Keyframes in increasing time; at least one.
  static Animated keyed(std::vector<Keyframe<T>> keyframes) {
    Animated animated;
    if (!keyframes.empty()) animated.keyframes_ = std::move(keyframes);
    return animated;
  }

  // The same keyframes, each holding its value until the next.
  Animated held() const {
    Animated animated = *this;
    animated.hold_ = true;
    return animated;
  }

  bool is_keyframed() const { return keyframes_.size() > 1; }
  const std::vector<Keyframe<T>>& keyframes() const { return keyframes_; }

  T at(double seconds) const {
    if (seconds <= keyframes_.front().time) return keyframes_.front().value;
    for (std::size_t i = 1; i < keyframes_.size(); ++i) {
      const Keyframe<T>& next = keyframes_[i];
      if (seconds < next.time) {
        const Keyframe<T>& previous = keyframes_[i - 1];
        if (hold_) return previous.value;
        const double f = (seconds - previous.time) / (next.time - previous.time);
        return interpolate(previous.value, next.value, f);
      }
    }
    return keyframes_.back().value;
  }

 private:
  std::vector<Keyframe<T>> keyframes_;
  bool hold_ = false;
};

}  // namespace simhost::scene
