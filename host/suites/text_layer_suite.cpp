// "AEGP Text Layer Suite": the glyph outlines of a text layer, as paths the
// effect reads through "PF Path Data Suite". Outlines are in layer pixels at
// full resolution; the paths belong to the outlines and go with them.

#include <memory>
#include <string>
#include <vector>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPTextLayerSuite;
constexpr int32_t suite_version = kAEGPTextLayerSuiteVersion1;

// The host's work of making one path of the outlines, where a test makes it
// run out of memory (SimHost::run_out_of_memory_in).
constexpr const char* making_outline_path = "making a text outline path";

A_Err get_new_text_outlines(AEGP_LayerH layer, const A_Time* layer_time,
                            AEGP_TextOutlinesH* outlines) {
  HostCall call(suite_name, suite_version, "AEGP_GetNewTextOutlines", layer, time_arg(layer_time));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Layer* found = Composition::layer_from_handle(layer);
  double seconds = 0.0;
  if (found == nullptr || found->kind != LayerKind::text || outlines == nullptr ||
      !to_seconds(layer_time, &seconds)) {
    return call.result(aegp_bad_argument);
  }
  SimHost& host = *call.host();
  // The outlines are made whole before they are handed out, so that running
  // out of memory while making them fails the call with nothing out.
  std::vector<std::unique_ptr<PathObject>> paths;
  for (const PathShape& contour : found->text_outlines()) {
    host.injected_failure(making_outline_path);
    auto path = std::make_unique<PathObject>(path_object(contour));
    path->composition = found->composition;
    paths.push_back(std::move(path));
  }
  auto object = std::make_unique<TextOutlinesObject>();
  object->composition = found->composition;
  object->paths.reserve(paths.size());
  TextOutlinesObject* handed = HostObjects::instance().hand_out(
      host, std::move(object), text_outlines_kind, "text outlines", found->name);
  try {
    const std::string owner_name = host.name_of(handed);
    for (std::unique_ptr<PathObject>& path : paths) {
      const std::string name =
          "outline " + std::to_string(handed->paths.size()) + " of " + owner_name;
      handed->paths.push_back(
          HostObjects::instance().keep_with(host, std::move(path), name, handed));
    }
  } catch (...) {
    HostObjects::instance().give_back(host, handed, text_outlines_kind);
    throw;
  }
  *outlines = reinterpret_cast<AEGP_TextOutlinesH>(handed);
  call.output(*outlines);
  return call.result(A_Err_NONE);
}

A_Err dispose_text_outlines(AEGP_TextOutlinesH outlines) {
  HostCall call(suite_name, suite_version, "AEGP_DisposeTextOutlines", outlines);
  return dispose_object(call, outlines, text_outlines_kind);
}

A_Err get_num_text_outlines(AEGP_TextOutlinesH outlines, A_long* num_outlines) {
  HostCall call(suite_name, suite_version, "AEGP_GetNumTextOutlines", outlines);
  return answer(
      call, aegp_bad_argument,
      [&] { return HostObjects::instance().find<TextOutlinesObject>(outlines); }, num_outlines,
      [](const TextOutlinesObject& o) { return static_cast<A_long>(o.paths.size()); });
}

A_Err get_indexed_text_outline(AEGP_TextOutlinesH outlines, A_long path_index,
                               PF_PathOutlinePtr* path) {
  HostCall call(suite_name, suite_version, "AEGP_GetIndexedTextOutline", outlines, path_index);
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  auto* found = HostObjects::instance().find<TextOutlinesObject>(outlines);
  if (found == nullptr || path == nullptr || path_index < 0 ||
      path_index >= static_cast<A_long>(found->paths.size())) {
    return call.result(aegp_bad_argument);
  }
  *path = reinterpret_cast<PF_PathOutlinePtr>(found->paths[static_cast<size_t>(path_index)]);
  call.output(*path);
  return call.result(A_Err_NONE);
}

const AEGP_TextLayerSuite1 text_layer_suite = {
    guarded<get_new_text_outlines>, guarded<dispose_text_outlines>, guarded<get_num_text_outlines>,
    guarded<get_indexed_text_outline>};

}  // namespace

void install_text_layer_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &text_layer_suite);
}

}  // namespace simhost
