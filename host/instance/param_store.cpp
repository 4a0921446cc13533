#include "host/instance/param_store.h"

#include <algorithm>
#include <cstring>

#include "host/instance/param_type_traits.h"

namespace simhost {

namespace {

// Percent (16.16) of a length in pixels, to pixels (16.16), rounded half away
// from zero.
PF_Fixed percent_to_pixels(PF_Fixed percent, A_long length) {
  const long long scaled = static_cast<long long>(percent) * length;
  const long long rounded = scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100;
  return static_cast<PF_Fixed>(rounded);
}

}  // namespace

KeyframeSpan find_keyframe_span(const std::vector<Keyframe>& keyframes, double seconds) {
  if (keyframes.empty() || seconds <= keyframes.front().seconds) return {};
  const std::size_t last = keyframes.size() - 1;
  if (seconds >= keyframes[last].seconds) return {last, last, 0};
  std::size_t i = 0;
  while (keyframes[i + 1].seconds <= seconds) ++i;
  const double t =
      (seconds - keyframes[i].seconds) / (keyframes[i + 1].seconds - keyframes[i].seconds);
  return t == 0 ? KeyframeSpan{i, i, 0} : KeyframeSpan{i, i + 1, t};
}

ParamStore::ParamStore() {
  clear();
}

void ParamStore::clear() {
  params_.clear();
  StoredParam input;
  input.def.param_type = PF_Param_LAYER;
  params_.push_back(input);
}

void ParamStore::append(const PF_ParamDef& def, A_long layer_width, A_long layer_height) {
  StoredParam param;
  param.def = def;
  if (def.param_type == PF_Param_POINT) {
    PF_PointDef& point = param.def.u.td;
    point.x_value = percent_to_pixels(point.x_value, layer_width);
    point.y_value = percent_to_pixels(point.y_value, layer_height);
    point.x_dephault = percent_to_pixels(point.x_dephault, layer_width);
    point.y_dephault = percent_to_pixels(point.y_dephault, layer_height);
  }
  param.def.name[PF_MAX_EFFECT_PARAM_NAME_LEN] = '\0';
  if (auto text_field = param_type_traits(def.param_type).text_field) {
    if (const char* text = *text_field(param.def)) param.text = text;
  }
  params_.push_back(std::move(param));
}

PF_ParamDef ParamStore::handed_out(PF_ParamIndex slot, double seconds) const {
  const StoredParam& param = at(slot);
  PF_ParamDef def = param.def;
  def.uu.change_flags = PF_ChangeFlag_NONE;
  if (auto text_field = param_type_traits(def.param_type).text_field) {
    if (const char** text = text_field(def); *text != nullptr) *text = param.text.c_str();
  }
  if (!param.keyframes.empty() && def.param_type != PF_Param_ARBITRARY_DATA) {
    copy_value_fields(def.param_type, value_at(slot, seconds).u, def.u);
  }
  return def;
}

ParamValue ParamStore::value_at(PF_ParamIndex slot, double seconds) const {
  const StoredParam& param = at(slot);
  if (param.keyframes.empty()) return {param.def.u, param.layer_id};
  const KeyframeSpan span = find_keyframe_span(param.keyframes, seconds);
  const ParamValue& before = param.keyframes[span.before].value;
  const auto interpolate = param_type_traits(param.def.param_type).interpolate;
  if (span.before == span.after || interpolate == nullptr) return before;
  ParamValue value = before;
  interpolate(before.u, param.keyframes[span.after].value.u, span.t, value.u);
  return value;
}

ParamValue ParamStore::store_value(PF_ParamIndex slot, double seconds, const ParamValue& value) {
  StoredParam& param = at(slot);
  const PF_ParamType type = param.def.param_type;
  if (param.keyframes.empty()) {
    ParamValue old{param.def.u, param.layer_id};
    copy_value_fields(type, value.u, param.def.u);
    param.layer_id = value.layer_id;
    return old;
  }
  auto it = std::lower_bound(param.keyframes.begin(), param.keyframes.end(), seconds,
                             [](const Keyframe& k, double s) { return k.seconds < s; });
  if (it != param.keyframes.end() && it->seconds == seconds) {
    ParamValue old = it->value;
    copy_value_fields(type, value.u, it->value.u);
    it->value.layer_id = value.layer_id;
    return old;
  }
  Keyframe key{seconds, {}};
  copy_value_fields(type, value.u, key.value.u);
  key.value.layer_id = value.layer_id;
  param.keyframes.insert(it, key);
  return {};
}

std::optional<PF_ParamIndex> ParamStore::find(std::string_view name) const {
  for (A_long slot = 1; slot < size(); ++slot) {
    if (name == at(slot).def.name) return slot;
  }
  for (A_long slot = 1; slot < size(); ++slot) {
    const StoredParam& param = at(slot);
    const PF_ParamType type = param.def.param_type;
    if ((type == PF_Param_CHECKBOX || type == PF_Param_BUTTON) && param.def.name[0] == '\0' &&
        !param.text.empty() && name == param.text) {
      return slot;
    }
  }
  return std::nullopt;
}

std::string ParamStore::describe(PF_ParamIndex slot) const {
  std::string name;
  if (contains(slot)) {
    name = at(slot).def.name;
    if (name.empty()) name = at(slot).text;
  }
  const std::string number = "slot " + std::to_string(slot);
  return name.empty() ? number : "\"" + name + "\" (" + number + ")";
}

}  // namespace simhost
