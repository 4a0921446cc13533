#pragma once

// Whether the host gave up a drawing of its own (a layer's pixels, the
// composition's frame): asked between the items of a long drawing (masks,
// shapes, layers), so that a cancel (Ctrl-C) stops it within an item. Once
// the answer is yes it stays yes and the question is not asked again.

#include <functional>
#include <utility>

namespace simhost::scene {

class DrawingCancel {
 public:
  // Never cancelled.
  DrawingCancel() = default;
  // `requested` answers whether to give up, as SimHost::abort_requested does.
  explicit DrawingCancel(std::function<bool()> requested) : requested_(std::move(requested)) {}

  // Asks (unless already given up); true: stop drawing.
  bool poll() {
    if (!given_up_ && requested_ && requested_()) given_up_ = true;
    return given_up_;
  }
  bool given_up() const { return given_up_; }

 private:
  std::function<bool()> requested_;
  bool given_up_ = false;
};

}  // namespace simhost::scene
