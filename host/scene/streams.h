#pragma once

// A layer's streams as the host names them: a tree of groups and values, each
// known by its match name ("ADBE Root Vectors Group", "ADBE Vector Shape",
// ...). The plug-in walks it through the dynamic stream suite and reads
// values through the stream suite. Builders for the contents of shape layers
// are in shape_contents.h.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/scene/values.h"
#include "host_api/aegp_suites.h"

namespace simhost::scene {

using StreamValue = std::variant<std::monostate, Animated<double>, Animated<Vec2>,
                                 Animated<PathShape>, Animated<Color>>;

struct StreamNode {
  std::string match_name;
  // AEGP_StreamType_NO_DATA for a group of streams.
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  StreamValue value;
  std::vector<StreamNode> children;

  bool is_group() const { return type == AEGP_StreamType_NO_DATA; }
  // The first child of that match name, or null.
  const StreamNode* child(std::string_view name) const {
    for (const StreamNode& node : children) {
      if (node.match_name == name) return &node;
    }
    return nullptr;
  }
};

inline StreamNode stream_group(std::string match_name, std::vector<StreamNode> children = {}) {
  return {std::move(match_name), AEGP_StreamType_NO_DATA, std::monostate{}, std::move(children)};
}
inline StreamNode stream_1d(std::string match_name, Animated<double> value) {
  return {std::move(match_name), AEGP_StreamType_OneD, std::move(value), {}};
}
inline StreamNode stream_2d(std::string match_name, Animated<Vec2> value,
                            AEGP_StreamType type = AEGP_StreamType_TwoD) {
  return {std::move(match_name), type, std::move(value), {}};
}
inline StreamNode stream_color(std::string match_name, Animated<Color> value) {
  return {std::move(match_name), AEGP_StreamType_COLOR, std::move(value), {}};
}
inline StreamNode stream_path(std::string match_name, Animated<PathShape> value) {
  return {std::move(match_name), AEGP_StreamType_MASK, std::move(value), {}};
}

}  // namespace simhost::scene
