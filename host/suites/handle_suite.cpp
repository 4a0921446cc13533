// "PF Handle Suite": host memory handles. The utility callbacks of in-data
// serve the same functions.

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/suites/suites.h"

namespace simhost {

PF_Handle serve_new_handle(const char* suite, int32_t version, A_HandleSize size) {
  HostCall call(suite, version, "host_new_handle", size);
  if (call.host() == nullptr || call.injected() != 0) return call.result(nullptr);
  PF_Handle handle = call.host()->new_handle(size);
  call.output(handle);
  return handle;
}

void* serve_lock_handle(const char* suite, int32_t version, PF_Handle handle) {
  HostCall call(suite, version, "host_lock_handle", handle);
  if (call.host() == nullptr || call.injected() != 0) return nullptr;
  return call.host()->lock_handle(handle);
}

void serve_unlock_handle(const char* suite, int32_t version, PF_Handle handle) {
  HostCall call(suite, version, "host_unlock_handle", handle);
  if (call.host() != nullptr) call.host()->unlock_handle(handle);
}

void serve_dispose_handle(const char* suite, int32_t version, PF_Handle handle) {
  HostCall call(suite, version, "host_dispose_handle", handle);
  if (call.host() != nullptr) call.host()->dispose_handle(handle);
}

A_HandleSize serve_get_handle_size(const char* suite, int32_t version, PF_Handle handle) {
  HostCall call(suite, version, "host_get_handle_size", handle);
  return call.host() != nullptr ? call.host()->handle_size(handle) : 0;
}

PF_Err serve_resize_handle(const char* suite, int32_t version, A_HandleSize size,
                           PF_Handle* handle) {
  HostCall call(suite, version, "host_resize_handle", size, handle != nullptr ? *handle : nullptr);
  if (call.host() == nullptr) return call.result(PF_Err_BAD_CALLBACK_PARAM);
  if (long err = call.injected()) return call.result(static_cast<PF_Err>(err));
  return call.result(call.host()->resize_handle(size, handle));
}

namespace {

constexpr const char* suite_name = kPFHandleSuite;
constexpr int32_t suite_version = kPFHandleSuiteVersion1;

PF_Handle new_handle(A_HandleSize size) {
  return serve_new_handle(suite_name, suite_version, size);
}
void* lock_handle(PF_Handle handle) {
  return serve_lock_handle(suite_name, suite_version, handle);
}
void unlock_handle(PF_Handle handle) {
  serve_unlock_handle(suite_name, suite_version, handle);
}
void dispose_handle(PF_Handle handle) {
  serve_dispose_handle(suite_name, suite_version, handle);
}
A_HandleSize get_handle_size(PF_Handle handle) {
  return serve_get_handle_size(suite_name, suite_version, handle);
}
PF_Err resize_handle(A_HandleSize size, PF_Handle* handle) {
  return serve_resize_handle(suite_name, suite_version, size, handle);
}

const PF_HandleSuite1 handle_suite = {guarded<new_handle>,      guarded<lock_handle>,
                                      guarded<unlock_handle>,   guarded<dispose_handle>,
                                      guarded<get_handle_size>, guarded<resize_handle>};

}  // namespace

void install_handle_suite(SimHost& host) {
  host.register_suite(kPFHandleSuite, kPFHandleSuiteVersion1, &handle_suite);
}

}  // namespace simhost
