#pragma once

// Files written whole or not at all: the bytes go to a new file beside the
// target, which is renamed over the target only once they are all written
// and flushed. A write that fails (a full disk, a size limit) leaves the
// previous file as it was and removes what it began. A symbolic link is
// followed to the file it names (the link stays); a target that exists and
// is not a regular file (a device such as /dev/null, a named pipe) is
// written to as it is, never replaced.

#include <cstdio>
#include <functional>
#include <string>

namespace simhost {

// `write` writes the file's bytes to the stream it is given and returns
// whether it could. On failure returns false with the reason in *error
// (when given).
bool replace_file(const std::string& path, const std::function<bool(std::FILE*)>& write,
                  std::string* error = nullptr);

// Removes the files replace_file is writing beside their targets at this
// moment: for a process about to end by a signal, which would leave them
// behind. Safe in a signal handler (it only unlinks).
void remove_unfinished_files() noexcept;

}  // namespace simhost
