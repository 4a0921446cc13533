#pragma once

// The host's undo history: the groups the effect opens and closes through
// "AEGP Utility Suite" (named or not), each with the undoable changes made
// inside it, and undoable changes made outside any group, each an entry of
// its own. An open group is something the plug-in holds: it is counted with
// the host ("undo group") until it is closed, so that one left open shows in
// the balance, and EffectInstance::run closes a group a command left open
// and notes it as a misuse. Groups opened inside an open group fold into it.
//
// One history per host: undo_history(host).

#include <mutex>
#include <string>
#include <vector>

#include "host/sim_host.h"

namespace simhost {

struct UndoEntry {
  bool group = false;
  std::string name;     // the group's name ("" for none), or the lone change
  std::string command;  // the command during which it began
  std::vector<std::string> changes;
};

class UndoHistory {
 public:
  void start_group(SimHost& host, const char* name);
  // False (and a misuse) when no group is open.
  bool end_group(SimHost& host);
  // An undoable change: into the open group, else an entry of its own.
  void record(const std::string& change);
  // A group still open after `command` is closed and noted as a misuse.
  void close_after_command(SimHost& host, const std::string& command);

  std::vector<UndoEntry> entries() const;
  bool group_open() const;

 private:
  mutable std::mutex mutex_;
  std::vector<UndoEntry> entries_;
  int depth_ = 0;
  // What the host counts while a group is open.
  const char token_ = 0;
};

inline UndoHistory& undo_history(SimHost& host) {
  return host.family_state<UndoHistory>();
}

// "(unnamed group)", "\"Set Gradient Position\"" or the lone change, with
// the changes after a colon.
std::string undo_entry_text(const UndoEntry& entry);

}  // namespace simhost
