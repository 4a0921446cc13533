#include "tools/tarvolk_host/png_queue.h"

#include <cmath>
#include <exception>
#include <utility>

namespace cli {

PngQueue::PngQueue(int threads) : max_in_flight_(static_cast<size_t>(threads) + 1) {
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

PngQueue::~PngQueue() {
  finish();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void PngQueue::add(std::unique_ptr<simhost::World> world,
                   std::optional<std::array<int, 3>> background, std::string path, Done done) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return in_flight_ < max_in_flight_; });
  waiting_.push_back({added_++, std::move(world), background, std::move(path), std::move(done)});
  ++in_flight_;
  changed_.notify_all();
}

void PngQueue::finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return in_flight_ == 0; });
}

void PngQueue::work() {
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      task = std::move(waiting_.front());
      waiting_.pop_front();
    }
    std::string error;
    try {
      simhost::RgbaImage image = simhost::rgba_image_of(*task.world->get());
      task.world.reset();
      if (task.background) image = over_background(image, *task.background);
      if (!simhost::write_png(image, task.path, &error) && error.empty()) {
        error = task.path + ": cannot be written";
      }
    } catch (const std::exception& e) {
      error = task.path + ": " + e.what();
    }
    tell_in_order(task.number, std::move(error), std::move(task.done));
  }
}

void PngQueue::tell_in_order(size_t number, std::string error, Done done) {
  std::lock_guard telling(telling_);
  {
    std::lock_guard lock(mutex_);
    results_.emplace(number, std::make_pair(std::move(error), std::move(done)));
  }
  for (;;) {
    std::pair<std::string, Done> result;
    {
      std::lock_guard lock(mutex_);
      auto next = results_.find(next_to_tell_);
      if (next == results_.end()) return;
      result = std::move(next->second);
      results_.erase(next);
      ++next_to_tell_;
    }
    if (result.second) result.second(result.first);
    {
      std::lock_guard lock(mutex_);
      --in_flight_;
    }
    changed_.notify_all();
  }
}

simhost::RgbaImage over_background(const simhost::RgbaImage& picture,
                                   const std::array<int, 3>& background) {
  simhost::RgbaImage out = picture;
  for (size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
    const double a = out.rgba[i + 3] / 255.0;
    for (int k = 0; k < 3; ++k) {
      out.rgba[i + k] =
          static_cast<uint8_t>(std::lround(out.rgba[i + k] * a + background[k] * (1.0 - a)));
    }
    out.rgba[i + 3] = 255;
  }
  return out;
}

}  // namespace cli
