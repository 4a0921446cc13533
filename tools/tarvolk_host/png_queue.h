#pragma once

// Frames written as PNG files on worker threads, so that the thread that
// renders goes on with the next frame while earlier ones are encoded. At most
// a few frames wait at a time (`add` blocks until one is done), so memory
// stays bounded over any number of frames. What is told of each file is told
// in the order the files were added.
//
//   PngQueue queue(2);
//   queue.add(std::move(picture), std::nullopt, "out_0007.png",
//             [](const std::string& error) { ... });   // "" once written
//   queue.finish();

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/png.h"
#include "host/world.h"

namespace cli {

class PngQueue {
 public:
  // Called once a file is written (error empty) or could not be (its reason).
  using Done = std::function<void(const std::string& error)>;

  explicit PngQueue(int threads);
  ~PngQueue();  // finishes first
  PngQueue(const PngQueue&) = delete;
  PngQueue& operator=(const PngQueue&) = delete;

  // Writes the world to `path` as a viewer shows it, over `background` when
  // one is given (an opaque colour, 0 to 255 a channel); calls `done` on a
  // worker thread, after those of every earlier file.
  void add(std::unique_ptr<simhost::World> world, std::optional<std::array<int, 3>> background,
           std::string path, Done done);
  // Waits until every file added is written and told.
  void finish();

 private:
  struct Task {
    size_t number = 0;
    std::unique_ptr<simhost::World> world;
    std::optional<std::array<int, 3>> background;
    std::string path;
    Done done;
  };
  void work();
  void tell_in_order(size_t number, std::string error, Done done);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> waiting_;
  size_t added_ = 0;
  size_t in_flight_ = 0;  // added and not yet told
  size_t max_in_flight_;
  bool stopping_ = false;
  // Results that came before an earlier one's, by number.
  std::map<size_t, std::pair<std::string, Done>> results_;
  size_t next_to_tell_ = 0;
  std::mutex telling_;
  std::vector<std::thread> threads_;
};

// The picture over an opaque colour, as it would show on it.
simhost::RgbaImage over_background(const simhost::RgbaImage& picture,
                                   const std::array<int, 3>& background);

}  // namespace cli
