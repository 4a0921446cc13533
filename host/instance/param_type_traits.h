#pragma once

// What the host does with each parameter type, one row a type: its name, the
// fields of a PF_ParamDef that hold its value (copied, compared, and
// interpolated between keyframes), how a value is read from JSON with the
// host's checks and printed as JSON, what a stream of it is and how a stream
// value sets it, and how the effect panel and `tarvolk-host params` show it.
// Code that treats types differently looks the type's row up here.

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "host_api/ae_effect.h"
#include "host_api/aegp_suites.h"

namespace simhost {

class EffectInstance;
class SimHost;
class ValueReader;
struct StoredParam;
struct ValueFromJson;
namespace scene {
class Composition;
}

// A parameter as the effect panel shows it: its record as handed out at the
// instance's current time, and where its value leads.
struct PanelSlot {
  SimHost& host;
  EffectInstance& instance;
  scene::Composition& comp;
  PF_ParamIndex slot;
  const PF_ParamDef& def;
};

// What most types' streams carry: one number.
inline bool finite_one_d(const AEGP_StreamVal2& val) {
  return std::isfinite(val.one_d);
}

struct ParamTypeTraits {
  PF_ParamType type = -1;
  // As `tarvolk-host params` prints it.
  const char* name = "unknown";

  // The value fields of the record: copied from `from` over those of `to`,
  // and compared. Null: the record holds no value (a layer parameter's value,
  // the chosen layer's id, is kept beside it).
  void (*copy_value)(const PF_ParamDefUnion& from, PF_ParamDefUnion& to) = nullptr;
  bool (*same_value)(const PF_ParamDefUnion& a, const PF_ParamDefUnion& b) = nullptr;
  // The value at fraction t from keyframe value `a` to `b`, written over
  // `out`. Null: a keyframe's value holds until the next (arbitrary data is
  // interpolated by the effect).
  void (*interpolate)(const PF_ParamDefUnion& a, const PF_ParamDefUnion& b, double t,
                      PF_ParamDefUnion& out) = nullptr;
  // Where a record points at the text the host keeps a copy of (popup items,
  // the label of a checkbox or button). Null: no such text.
  const char** (*text_field)(PF_ParamDef& def) = nullptr;

  // Reads one value into `out` (which holds the record's fields), refusing a
  // wrong one through `reader`. Null: the type has no value a user sets.
  void (*read_json)(const ValueReader& reader, const nlohmann::json& j,
                    ValueFromJson& out) = nullptr;
  // The JSON form of the value in `u` and `layer_id`, or of the default in
  // `u` (popup items by their text). Null: none, printed as null.
  nlohmann::json (*to_json)(const StoredParam& param, const PF_ParamDefUnion& u, A_long layer_id,
                            bool dephault) = nullptr;

  // The type of the parameter's stream.
  AEGP_StreamType stream_type = AEGP_StreamType_NO_DATA;
  // A stream value in the JSON form read_json takes. Null: not served.
  nlohmann::json (*from_stream)(const AEGP_StreamVal2& val) = nullptr;
  bool (*stream_value_finite)(const AEGP_StreamVal2& val) = finite_one_d;

  // What the effect panel shows of the parameter: "name: text", or for a
  // control the text (when there is one) beside the name. Null: no text.
  std::string (*panel_text)(const PanelSlot& slot) = nullptr;
  bool shown_as_control = false;
  // Whether the panel gives the parameter a twirl that opens and closes.
  bool twirl = false;
  // Adds to a row of `tarvolk-host params` what the definition holds besides
  // the value: ranges, items, a label. Null: nothing.
  void (*describe)(const PF_ParamDef& def, nlohmann::ordered_json& row) = nullptr;
};

// The row of `type`; a type the host does not know has the defaults above.
const ParamTypeTraits& param_type_traits(PF_ParamType type);

// The value fields of `type` from `from` over those of `to`; whether two
// records hold the same value.
void copy_value_fields(PF_ParamType type, const PF_ParamDefUnion& from, PF_ParamDefUnion& to);
bool same_value_fields(PF_ParamType type, const PF_ParamDefUnion& a, const PF_ParamDefUnion& b);

}  // namespace simhost
