#include "host/instance/param_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace simhost {

namespace {

// Percent (16.16) of a length in pixels, to pixels (16.16), rounded half away
// from zero.
PF_Fixed percent_to_pixels(PF_Fixed percent, A_long length) {
  const long long scaled = static_cast<long long>(percent) * length;
  const long long rounded = scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100;
  return static_cast<PF_Fixed>(rounded);
}

template <class T>
T lerp_rounded(T a, T b, double t) {
  return static_cast<T>(std::lround(static_cast<double>(a) + (static_cast<double>(b) - a) * t));
}

ParamValue interpolate(PF_ParamType type, const ParamValue& a, const ParamValue& b, double t) {
  ParamValue out = a;
  switch (type) {
    case PF_Param_SLIDER:
      out.u.sd.value = lerp_rounded(a.u.sd.value, b.u.sd.value, t);
      break;
    case PF_Param_FIX_SLIDER:
      out.u.fd.value = lerp_rounded(a.u.fd.value, b.u.fd.value, t);
      break;
    case PF_Param_FLOAT_SLIDER:
      out.u.fs_d.value = a.u.fs_d.value + (b.u.fs_d.value - a.u.fs_d.value) * t;
      break;
    case PF_Param_ANGLE:
      out.u.ad.value = lerp_rounded(a.u.ad.value, b.u.ad.value, t);
      break;
    case PF_Param_POINT:
      out.u.td.x_value = lerp_rounded(a.u.td.x_value, b.u.td.x_value, t);
      out.u.td.y_value = lerp_rounded(a.u.td.y_value, b.u.td.y_value, t);
      break;
    case PF_Param_COLOR: {
      const PF_Pixel& p = a.u.cd.value;
      const PF_Pixel& q = b.u.cd.value;
      out.u.cd.value = {lerp_rounded(p.alpha, q.alpha, t), lerp_rounded(p.red, q.red, t),
                        lerp_rounded(p.green, q.green, t), lerp_rounded(p.blue, q.blue, t)};
      break;
    }
    default:
      // Held until the next keyframe.
      break;
  }
  return out;
}

bool same_pixel(const PF_Pixel& a, const PF_Pixel& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Where a record points at the text the host keeps a copy of (popup items,
// the label of a checkbox or button); null for types without one.
const char** text_field(PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX:
      return &def.u.bd.u.nameptr;
    case PF_Param_POPUP:
      return &def.u.pd.u.namesptr;
    case PF_Param_BUTTON:
      return &def.u.button_d.u.namesptr;
    default:
      return nullptr;
  }
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

bool interpolates_linearly(PF_ParamType type) {
  switch (type) {
    case PF_Param_SLIDER:
    case PF_Param_FIX_SLIDER:
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_ANGLE:
    case PF_Param_POINT:
    case PF_Param_COLOR:
      return true;
    default:
      return false;
  }
}

bool has_settable_value(PF_ParamType type) {
  switch (type) {
    case PF_Param_GROUP_START:
    case PF_Param_GROUP_END:
    case PF_Param_BUTTON:
    case PF_Param_NO_DATA:
    case PF_Param_CUSTOM:
      return false;
    default:
      return true;
  }
}

void copy_value_fields(PF_ParamType type, const PF_ParamDefUnion& from, PF_ParamDefUnion& to) {
  switch (type) {
    case PF_Param_SLIDER:
      to.sd.value = from.sd.value;
      break;
    case PF_Param_FIX_SLIDER:
      to.fd.value = from.fd.value;
      break;
    case PF_Param_FLOAT_SLIDER:
      to.fs_d.value = from.fs_d.value;
      break;
    case PF_Param_ANGLE:
      to.ad.value = from.ad.value;
      break;
    case PF_Param_CHECKBOX:
      to.bd.value = from.bd.value;
      break;
    case PF_Param_COLOR:
      to.cd.value = from.cd.value;
      break;
    case PF_Param_POINT:
      to.td.x_value = from.td.x_value;
      to.td.y_value = from.td.y_value;
      break;
    case PF_Param_POPUP:
      to.pd.value = from.pd.value;
      break;
    case PF_Param_ARBITRARY_DATA:
      to.arb_d.value = from.arb_d.value;
      break;
    case PF_Param_PATH:
      to.path_d.path_id = from.path_d.path_id;
      break;
    case PF_Param_BUTTON:
      to.button_d.value = from.button_d.value;
      break;
    default:
      break;
  }
}

bool same_value_fields(PF_ParamType type, const PF_ParamDefUnion& a, const PF_ParamDefUnion& b) {
  switch (type) {
    case PF_Param_SLIDER:
      return a.sd.value == b.sd.value;
    case PF_Param_FIX_SLIDER:
      return a.fd.value == b.fd.value;
    case PF_Param_FLOAT_SLIDER:
      return a.fs_d.value == b.fs_d.value;
    case PF_Param_ANGLE:
      return a.ad.value == b.ad.value;
    case PF_Param_CHECKBOX:
      return a.bd.value == b.bd.value;
    case PF_Param_COLOR:
      return same_pixel(a.cd.value, b.cd.value);
    case PF_Param_POINT:
      return a.td.x_value == b.td.x_value && a.td.y_value == b.td.y_value;
    case PF_Param_POPUP:
      return a.pd.value == b.pd.value;
    case PF_Param_ARBITRARY_DATA:
      return a.arb_d.value == b.arb_d.value;
    case PF_Param_PATH:
      return a.path_d.path_id == b.path_d.path_id;
    case PF_Param_BUTTON:
      return a.button_d.value == b.button_d.value;
    default:
      return true;
  }
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
  if (const char** text = text_field(param.def); text != nullptr && *text != nullptr) {
    param.text = *text;
  }
  params_.push_back(std::move(param));
}

PF_ParamDef ParamStore::handed_out(PF_ParamIndex slot, double seconds) const {
  const StoredParam& param = at(slot);
  PF_ParamDef def = param.def;
  def.uu.change_flags = PF_ChangeFlag_NONE;
  if (const char** text = text_field(def); text != nullptr && *text != nullptr) {
    *text = param.text.c_str();
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
  if (span.before == span.after || !interpolates_linearly(param.def.param_type)) return before;
  return interpolate(param.def.param_type, before, param.keyframes[span.after].value, span.t);
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
