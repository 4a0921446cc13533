#include "host/instance/undo_history.h"

#include "host/host_call.h"

namespace simhost {

namespace {

constexpr const char* undo_group_kind = "undo group";

std::string group_label(const std::string& name) {
  return name.empty() ? "(unnamed group)" : "\"" + name + "\"";
}

}  // namespace

void UndoHistory::start_group(SimHost& host, const char* name) {
  std::lock_guard lock(mutex_);
  if (depth_++ > 0) return;
  UndoEntry entry;
  entry.group = true;
  entry.name = name != nullptr ? name : "";
  const char* command = CommandScope::current();
  entry.command = command != nullptr ? command : "";
  host.hand_out(&token_, undo_group_kind, "undo group " + group_label(entry.name));
  entries_.push_back(std::move(entry));
}

bool UndoHistory::end_group(SimHost& host) {
  std::lock_guard lock(mutex_);
  if (depth_ == 0) {
    host.misuse("end of an undo group that was not started");
    return false;
  }
  if (--depth_ == 0) host.give_back(&token_, undo_group_kind);
  return true;
}

void UndoHistory::record(const std::string& change) {
  std::lock_guard lock(mutex_);
  if (depth_ > 0) {
    entries_.back().changes.push_back(change);
    return;
  }
  UndoEntry entry;
  entry.name = change;
  const char* command = CommandScope::current();
  entry.command = command != nullptr ? command : "";
  entry.changes.push_back(change);
  entries_.push_back(std::move(entry));
}

void UndoHistory::close_after_command(SimHost& host, const std::string& command) {
  std::lock_guard lock(mutex_);
  if (depth_ == 0) return;
  depth_ = 0;
  host.give_back(&token_, undo_group_kind);
  host.misuse("undo group " + group_label(entries_.back().name) + " left open by " + command);
}

std::vector<UndoEntry> UndoHistory::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

bool UndoHistory::group_open() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0;
}

std::string undo_entry_text(const UndoEntry& entry) {
  if (!entry.group) return entry.name;
  std::string text = group_label(entry.name);
  for (std::size_t i = 0; i < entry.changes.size(); ++i) {
    text += (i == 0 ? ": " : "; ") + entry.changes[i];
  }
  return text;
}

}  // namespace simhost
