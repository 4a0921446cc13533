// "AEGP Comp Suite", version 11: a new null layer in a composition.

#include <string>

#include "host/guarded_call.h"
#include "host/host_call.h"
#include "host/instance/undo_history.h"
#include "host/scene/suite_support.h"
#include "host/suites/suites.h"

namespace simhost {

namespace {

using namespace scene;

constexpr const char* suite_name = kAEGPCompSuite;
constexpr int32_t suite_version = kAEGPCompSuiteVersion11;

// A null object's size in pixels; its anchor sits at its centre.
constexpr int null_size = 100;
// Names longer than this are cut; a name without its zero ends here too.
constexpr std::size_t max_name_units = 1024;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8_from_utf16(const A_UTF16Char* text) {
  std::string out;
  if (text == nullptr) return out;
  for (std::size_t i = 0; i < max_name_units && text[i] != 0; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// A null duration is the composition's default, which every layer here has.
A_Err create_null_in_comp(const A_UTF16Char* name, AEGP_CompH comp, const A_Time* duration,
                          AEGP_LayerH* null_layer) {
  const std::string text = utf8_from_utf16(name);
  HostCall call(suite_name, suite_version, "AEGP_CreateNullInComp", text, comp,
                duration != nullptr
                    ? std::to_string(duration->value) + "/" + std::to_string(duration->scale)
                    : std::string("default"));
  if (long err = refusal(call, aegp_bad_argument)) return call.result(static_cast<A_Err>(err));
  Composition* found = Composition::from_handle(comp);
  if (found == nullptr || name == nullptr || null_layer == nullptr) {
    return call.result(aegp_bad_argument);
  }
  Layer& layer = found->add_layer(LayerKind::null, text);
  layer.width = null_size;
  layer.height = null_size;
  layer.transform.anchor = Vec3{null_size / 2.0, null_size / 2.0, 0.0};
  undo_history(*call.host())
      .record("new null layer " + std::to_string(layer.id) + " \"" + layer.name + "\"");
  *null_layer = layer.handle();
  call.output(*null_layer);
  return call.result(A_Err_NONE);
}

const AEGP_CompSuite11 comp_suite = {guarded<create_null_in_comp>};

}  // namespace

void install_comp_suite(SimHost& host) {
  host.register_suite(suite_name, suite_version, &comp_suite);
}

}  // namespace simhost
