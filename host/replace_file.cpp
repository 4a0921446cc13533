#include "host/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

#include "host/quoted.h"

namespace simhost {

namespace {

std::atomic<unsigned> next_number{0};

// The files being written beside their targets, for a process that ends by
// a signal to remove: a slot is free (0), being filled (1) or names one (2).
struct Unfinished {
  std::atomic<int> state{0};
  char path[4096];
};
Unfinished unfinished[16];

// Names `path` as unfinished; the slot to release, or -1 when there is no
// room (the file is then not removed on such an ending).
int note_unfinished(const std::string& path) {
  if (path.size() >= sizeof unfinished[0].path) return -1;
  for (int i = 0; i < static_cast<int>(std::size(unfinished)); ++i) {
    int free_slot = 0;
    if (unfinished[i].state.compare_exchange_strong(free_slot, 1)) {
      std::memcpy(unfinished[i].path, path.c_str(), path.size() + 1);
      unfinished[i].state.store(2);
      return i;
    }
  }
  return -1;
}

void release_unfinished(int slot) {
  if (slot >= 0) unfinished[slot].state.store(0);
}

// As many symbolic links as the system itself follows in one path.
constexpr int most_links = 40;

bool fail(std::string* error, const std::string& path, const std::string& why) {
  if (error != nullptr) *error = shortened_middle(path) + ": " + why;
  return false;
}

// The path a chain of symbolic links at `path` ends at (`path` itself when
// it is no link): the file the bytes are for, which may not exist yet.
std::string followed(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < most_links; ++hops) {
    struct stat info {};
    if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
    std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = readlink(at.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<size_t>(length) >= target.size()) return at;
    const std::filesystem::path next(std::string(target.data(), static_cast<size_t>(length)));
    at = next.is_absolute() ? next.string()
                            : (std::filesystem::path(at).parent_path() / next).string();
  }
  return at;  // a loop: opening it says so
}

// Writes to `stream` and closes it; false with errno's reason in *why.
bool write_and_close(std::FILE* stream, const std::function<bool(std::FILE*)>& write, int* why) {
  errno = 0;
  bool ok = write(stream) && std::fflush(stream) == 0 && std::ferror(stream) == 0;
  *why = errno;
  if (std::fclose(stream) != 0 && ok) {
    ok = false;
    *why = errno;
  }
  return ok;
}

std::string reason(int why) {
  return why != 0 ? std::strerror(why) : "the file could not be written";
}

// Something that is not a file (a device, a pipe) takes the bytes as they
// come: there is nothing to put beside it and rename over it.
bool write_through(const std::string& path, const std::string& target,
                   const std::function<bool(std::FILE*)>& write, std::string* error) {
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return fail(error, path, std::strerror(errno));
  std::FILE* stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    const int why = errno;
    close(fd);
    return fail(error, path, std::strerror(why));
  }
  int why = 0;
  return write_and_close(stream, write, &why) || fail(error, path, reason(why));
}

}  // namespace

bool replace_file(const std::string& path, const std::function<bool(std::FILE*)>& write,
                  std::string* error) {
  const std::string target = followed(path);
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return write_through(path, target, write, error);
  } else if (errno == ELOOP) {
    return fail(error, path, std::strerror(errno));  // links in a circle name no file
  }
  // A name of this process and call alone, beside the file, made with the
  // mode a new file gets (the umask applies); never one that exists.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = target + ".part-" + std::to_string(getpid()) + "-" + std::to_string(next_number++);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return fail(error, path, std::strerror(errno));
  const int slot = note_unfinished(temporary);
  std::FILE* stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    const int why = errno;
    close(fd);
    unlink(temporary.c_str());
    release_unfinished(slot);
    return fail(error, path, std::strerror(why));
  }
  int why = 0;
  bool ok = write_and_close(stream, write, &why);
  if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    why = errno;
  }
  if (!ok) unlink(temporary.c_str());
  release_unfinished(slot);
  return ok || fail(error, path, reason(why));
}

void remove_unfinished_files() noexcept {
  for (Unfinished& file : unfinished) {
    if (file.state.load() == 2) unlink(file.path);
  }
}

}  // namespace simhost
