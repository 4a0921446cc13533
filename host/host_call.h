#pragma once

// How a suite function or callback of the simulated host serves one call:
//
//   PF_Err cb_checkin_path(PF_ProgPtr effect_ref, PF_PathID id, PF_Boolean changed,
//                          PF_PathOutlinePtr path) {
//     HostCall call("PF Path Query Suite", 1, "PF_CheckinPath", effect_ref, id, changed, path);
//     if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
//     ...
//     return call.result(err);
//   }
//
// The call is recorded when it ends: suite and version, function, its
// arguments described readably (objects the host handed out by their names),
// the result, the command running on the thread and the thread. Suites served
// at several versions instantiate their functions per version (a template
// parameter), so the record tells which version the plug-in called.

#include <concepts>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/sim_host.h"

namespace simhost {

// The command that the host is running on this thread, for the records.
class CommandScope {
 public:
  explicit CommandScope(PF_Cmd cmd);
  ~CommandScope();
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;
  static const char* current();
  // The command number, or -1 outside any command.
  static PF_Cmd current_cmd();

 private:
  const char* previous_;
  PF_Cmd previous_cmd_;
};

// "PF_Cmd_SMART_RENDER" and the like; "PF_Cmd_<n>" for unknown numbers.
std::string command_name(PF_Cmd cmd);

// Readable descriptions of call arguments.
inline std::string describe(SimHost&, const char* text) {
  return text == nullptr ? std::string("null") : "\"" + std::string(text) + "\"";
}
inline std::string describe(SimHost& host, char* text) {
  return describe(host, static_cast<const char*>(text));
}
inline std::string describe(SimHost&, const std::string& text) {
  return "\"" + text + "\"";
}
inline std::string describe(SimHost&, bool value) {
  return value ? "true" : "false";
}
template <std::integral T>
std::string describe(SimHost&, T value) {
  return std::to_string(value);
}
template <std::floating_point T>
std::string describe(SimHost&, T value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", static_cast<double>(value));
  return buffer;
}
template <class T>
requires std::is_enum_v<T> std::string describe(SimHost&, T value) {
  return std::to_string(static_cast<long long>(value));
}
template <class T>
std::string describe(SimHost& host, T* pointer) {
  return host.name_of(static_cast<const void*>(pointer));
}
inline std::string describe(SimHost&, std::nullptr_t) {
  return "null";
}
inline std::string describe(SimHost&, const A_Time& t) {
  return std::to_string(t.value) + "/" + std::to_string(t.scale);
}
inline std::string describe(SimHost&, const PF_Rect& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}
// A parameter record's name for the record of a call, read no further than
// the name field (empty without a record).
inline std::string param_name(const PF_ParamDef* def) {
  if (def == nullptr) return {};
  return std::string(def->name, strnlen(def->name, sizeof def->name));
}
// Records of other types are shown by their type's size alone.
template <class T>
requires(std::is_class_v<T> && !std::is_same_v<T, std::string>) std::string
    describe(SimHost&, const T&) {
  return "{" + std::to_string(sizeof(T)) + " bytes}";
}

class HostCall {
 public:
  template <class... Args>
  HostCall(std::string suite, int32_t version, std::string function, const Args&... args)
      : host_(SimHost::current()) {
    record_.function = std::move(function);
    // Describing the arguments is most of a call's cost; only a record needs it.
    if (host_ != nullptr && host_->recording()) {
      record_.suite = std::move(suite);
      record_.version = version;
      (record_.args.push_back(describe(*host_, args)), ...);
    }
    throw_if_asked();
  }
  ~HostCall();
  HostCall(const HostCall&) = delete;
  HostCall& operator=(const HostCall&) = delete;

  // The host serving the call; null when none is active.
  SimHost* host() const { return host_; }
  // The error a test injected for this call, or 0.
  long injected();
  // Records the result and returns it.
  template <class E>
  E result(E err) {
    if constexpr (std::is_pointer_v<E> || std::is_null_pointer_v<E>) {
      record_.result = err != nullptr ? 1 : 0;
    } else {
      record_.result = static_cast<long>(err);
    }
    return err;
  }
  // Adds a description of what the call gave out (shown after the arguments).
  template <class T>
  void output(const T& value) {
    if (host_ != nullptr && host_->recording())
      record_.args.push_back("-> " + describe(*host_, value));
  }

 private:
  // Throws InjectedThrow, after recording the call, when a test asked this
  // call to throw (SimHost::throw_in_call_during); a call that gives
  // something back is served first, and throws as it returns to the plug-in
  // (CallbackRun).
  void throw_if_asked();

  SimHost* host_;
  CallRecord record_;
  bool thrown_once_served_ = false;
};

}  // namespace simhost
