#include "host/replace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "host/quoted.h"

namespace simhost {

namespace {

std::atomic<unsigned> next_number{0};

bool fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace

bool replace_file(const std::string& path, const std::function<bool(std::FILE*)>& write,
                  std::string* error) {
  // A name of this process and call alone, made with the mode a new file
  // gets (the umask applies); never one that exists.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(next_number++);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return fail(error, shortened_middle(path) + ": " + std::strerror(errno));
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int why = errno;
    close(fd);
    unlink(temporary.c_str());
    return fail(error, shortened_middle(path) + ": " + std::strerror(why));
  }
  errno = 0;
  bool ok = write(file) && std::fflush(file) == 0 && std::ferror(file) == 0;
  int why = errno;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    why = errno;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    why = errno;
  }
  if (ok) return true;
  unlink(temporary.c_str());
  return fail(error, shortened_middle(path) + ": " +
                         (why != 0 ? std::strerror(why) : "the file could not be written"));
}

}  // namespace simhost
