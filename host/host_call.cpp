#include "host/host_call.h"

#include <optional>
#include <set>

namespace simhost {

namespace {

thread_local const char* current_command = nullptr;
thread_local PF_Cmd current_command_number = -1;

const char* const command_names[] = {
    "PF_Cmd_ABOUT",
    "PF_Cmd_GLOBAL_SETUP",
    "PF_Cmd_UNUSED_0",
    "PF_Cmd_GLOBAL_SETDOWN",
    "PF_Cmd_PARAMS_SETUP",
    "PF_Cmd_SEQUENCE_SETUP",
    "PF_Cmd_SEQUENCE_RESETUP",
    "PF_Cmd_SEQUENCE_FLATTEN",
    "PF_Cmd_SEQUENCE_SETDOWN",
    "PF_Cmd_DO_DIALOG",
    "PF_Cmd_FRAME_SETUP",
    "PF_Cmd_RENDER",
    "PF_Cmd_FRAME_SETDOWN",
    "PF_Cmd_USER_CHANGED_PARAM",
    "PF_Cmd_UPDATE_PARAMS_UI",
    "PF_Cmd_EVENT",
    "PF_Cmd_GET_EXTERNAL_DEPENDENCIES",
    "PF_Cmd_COMPLETELY_GENERAL",
    "PF_Cmd_QUERY_DYNAMIC_FLAGS",
    "PF_Cmd_AUDIO_RENDER",
    "PF_Cmd_AUDIO_SETUP",
    "PF_Cmd_AUDIO_SETDOWN",
    "PF_Cmd_ARBITRARY_CALLBACK",
    "PF_Cmd_SMART_PRE_RENDER",
    "PF_Cmd_SMART_RENDER",
};

}  // namespace

std::string command_name(PF_Cmd cmd) {
  if (cmd >= 0 && cmd < PF_Cmd_NUM_CMDS) return command_names[cmd];
  return "PF_Cmd_" + std::to_string(cmd);
}

CommandScope::CommandScope(PF_Cmd cmd)
    : previous_(current_command), previous_cmd_(current_command_number) {
  current_command_number = cmd;
  current_command = cmd >= 0 && cmd < PF_Cmd_NUM_CMDS ? command_names[cmd] : "PF_Cmd_unknown";
}

CommandScope::~CommandScope() {
  current_command = previous_;
  current_command_number = previous_cmd_;
}

PF_Cmd CommandScope::current_cmd() {
  return current_command_number;
}

const char* CommandScope::current() {
  return current_command;
}

HostCall::~HostCall() {
  if (host_ == nullptr || !host_->recording()) return;
  if (thrown_once_served_) record_.result = -1;
  record_.command = current_command != nullptr ? current_command : "";
  record_.thread = std::this_thread::get_id();
  host_->record_call(std::move(record_));
}

namespace {

// The calls that give back what the plug-in took: one made to throw has
// given it back before it throws.
bool gives_back(const std::string& function) {
  static const std::set<std::string> give_backs = {"ReleaseSuite",
                                                   "FreeBlock",
                                                   "checkin_param",
                                                   "checkin_layer_pixels",
                                                   "host_unlock_handle",
                                                   "host_dispose_handle",
                                                   "AEGP_DisposeEffect",
                                                   "AEGP_DisposeStream",
                                                   "AEGP_DisposeStreamValue",
                                                   "AEGP_DisposeTextOutlines",
                                                   "AEGP_EndUndoGroup",
                                                   "PF_CheckinPath",
                                                   "ReleaseObject"};
  return give_backs.count(function) != 0;
}

thread_local int callback_depth = 0;

// A give-back's throw, waiting for its callback to be served, and that
// callback's depth.
struct WaitingThrow {
  InjectedThrow thrown;
  int depth = 0;
};
thread_local std::optional<WaitingThrow> waiting_throw;

}  // namespace

CallbackRun::CallbackRun() : depth_(++callback_depth) {}

CallbackRun::~CallbackRun() {
  --callback_depth;
  if (waiting_throw && waiting_throw->depth == depth_) waiting_throw.reset();
}

void CallbackRun::throw_once_served() {
  if (!waiting_throw || waiting_throw->depth != depth_) return;
  const InjectedThrow thrown = std::move(waiting_throw->thrown);
  waiting_throw.reset();
  throw thrown;
}

void HostCall::throw_if_asked() {
  if (host_ == nullptr || !host_->injected_throw(record_.function)) return;
  if (gives_back(record_.function)) {
    thrown_once_served_ = true;
    waiting_throw = WaitingThrow{InjectedThrow{record_.function}, callback_depth};
    return;
  }
  if (host_->recording()) {
    CallRecord thrown = record_;
    thrown.result = -1;
    thrown.command = current_command != nullptr ? current_command : "";
    thrown.thread = std::this_thread::get_id();
    host_->record_call(std::move(thrown));
  }
  // The destructor does not run for a constructor that throws.
  throw InjectedThrow{record_.function};
}

long HostCall::injected() {
  return host_ != nullptr ? host_->injected_failure(record_.function) : 0;
}

}  // namespace simhost
