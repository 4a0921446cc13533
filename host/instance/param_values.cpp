#include "host/instance/param_values.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "host/instance/gradient_bytes.h"
#include "host/instance/param_type_traits.h"
#include "host/quoted.h"

namespace simhost {

using nlohmann::json;

namespace {

// 16.16 fixed point holds magnitudes below 32768.
constexpr double fixed_limit = 32768.0;

std::string number_text(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

}  // namespace

std::string shown(const json& j) {
  if (j.is_string()) return in_quotes(j.get_ref<const std::string&>());
  return shortened(j.dump(-1, ' ', false, json::error_handler_t::replace));
}

ValueReader::ValueReader(const ParamStore& store, PF_ParamIndex slot)
    : param_(store.at(slot)), who_("parameter " + store.describe(slot)) {}

void ValueReader::refuse(const std::string& why) const {
  throw ParamValueError(who_ + ": " + why);
}

ValueFromJson ValueReader::read(const json& j) const {
  const ParamTypeTraits& traits = param_type_traits(param_.def.param_type);
  if (traits.read_json == nullptr) refuse("it has no value to set");
  ValueFromJson out;
  out.value.u = param_.def.u;
  traits.read_json(*this, j, out);
  return out;
}

double ValueReader::number(const json& j, const char* form) const {
  if (!j.is_number()) refuse(shown(j) + " is not " + form);
  const double v = j.get<double>();
  if (!std::isfinite(v)) refuse(shown(j) + " is not finite");
  return v;
}

void ValueReader::in_range(const json& j, double v, double lo, double hi) const {
  if (v < lo || v > hi) {
    refuse(shown(j) + " is outside the valid range " + number_text(lo) + " to " + number_text(hi));
  }
}

PF_Fixed ValueReader::fixed(const json& j, double v) const {
  if (std::fabs(v) >= fixed_limit) refuse(shown(j) + " is beyond what 16.16 fixed point holds");
  return to_fixed(v);
}

A_long ValueReader::whole_number(const json& j, const char* form) const {
  if (!j.is_number_integer() || j.get<long long>() < 0 || j.get<long long>() > INT32_MAX) {
    refuse(shown(j) + " is not " + form + " (a whole number, 0 for none)");
  }
  return static_cast<A_long>(j.get<long long>());
}

PF_Pixel ValueReader::color(const json& j) const {
  if (!j.is_array() || (j.size() != 3 && j.size() != 4)) {
    refuse(shown(j) + " is not a colour [r, g, b] or [a, r, g, b]");
  }
  A_u_char c[4] = {255, 0, 0, 0};
  const std::size_t first = 4 - j.size();
  for (std::size_t i = 0; i < j.size(); ++i) {
    if (!j[i].is_number_integer() || j[i].get<long long>() < 0 || j[i].get<long long>() > 255) {
      refuse(shown(j) + " has a channel outside 0 to 255");
    }
    c[first + i] = static_cast<A_u_char>(j[i].get<int>());
  }
  return {c[0], c[1], c[2], c[3]};
}

PF_ParamValue ValueReader::popup(const json& j) const {
  const std::vector<std::string> items = popup_items(param_.text);
  if (j.is_string()) {
    auto it = std::find(items.begin(), items.end(), j.get<std::string>());
    if (it == items.end()) refuse(shown(j) + " is not one of \"" + param_.text + "\"");
    return static_cast<PF_ParamValue>(it - items.begin() + 1);
  }
  if (!j.is_number_integer()) refuse(shown(j) + " is not an item text or number");
  const long long n = j.get<long long>();
  if (n < 1 || n > param_.def.u.pd.num_choices) {
    refuse(shown(j) + " is outside the items 1 to " + std::to_string(param_.def.u.pd.num_choices));
  }
  return static_cast<PF_ParamValue>(n);
}

// {"stops": [[position, r, g, b] or [position, a, r, g, b], ...]} with
// colour channels from 0 to 1, or {"flat": "hex bytes"}: the value's bytes
// as the effect flattens them (host/instance/gradient_bytes.h).
std::vector<unsigned char> ValueReader::arbitrary(const json& j) const {
  if (j.is_object() && j.size() == 1 && j.contains("flat") && j["flat"].is_string()) {
    return hex_bytes(j["flat"].get<std::string>());
  }
  if (!j.is_object() || j.size() != 1 || !j.contains("stops") || !j["stops"].is_array()) {
    refuse(shown(j) + " is not {\"stops\": [...]} or {\"flat\": \"hex\"}");
  }
  std::vector<GradientStop> stops;
  for (const json& stop : j["stops"]) {
    if (!stop.is_array() || (stop.size() != 4 && stop.size() != 5)) {
      refuse(shown(stop) + " is not a stop [position, r, g, b] or [position, a, r, g, b]");
    }
    const double position = number(stop[0], "a stop position");
    float channels[4] = {1.0f, 0, 0, 0};
    const std::size_t first = 5 - stop.size();
    for (std::size_t i = 1; i < stop.size(); ++i) {
      const double c = number(stop[i], "a colour channel");
      if (c < 0 || c > 1) refuse(shown(stop) + " has a channel outside 0 to 1");
      channels[first + i - 1] = static_cast<float>(c);
    }
    stops.push_back({position, channels[0], channels[1], channels[2], channels[3]});
  }
  return flat_gradient(stops);
}

std::vector<unsigned char> ValueReader::hex_bytes(const std::string& hex) const {
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    refuse(in_quotes(hex) + " is not hexadecimal bytes");
  };
  if (hex.size() % 2 != 0) refuse(in_quotes(hex) + " is not hexadecimal bytes");
  std::vector<unsigned char> bytes(hex.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<unsigned char>(digit(hex[2 * i]) * 16 + digit(hex[2 * i + 1]));
  }
  return bytes;
}

SettingFromJson setting_from_json(const ParamStore& store, PF_ParamIndex slot, const json& value) {
  if (!store.contains(slot) || slot == 0) {
    throw ParamValueError("parameter " + store.describe(slot) + ": there is no such parameter");
  }
  const ValueReader reader(store, slot);
  const StoredParam& param = store.at(slot);
  if (param_type_traits(param.def.param_type).read_json == nullptr) {
    reader.refuse("it has no value to set");
  }

  SettingFromJson setting;
  if (!value.is_object() || !value.contains("keyframes")) {
    setting.constant = reader.read(value);
    return setting;
  }
  const json& keys = value["keyframes"];
  if (value.size() != 1 || !keys.is_array() || keys.empty()) {
    reader.refuse(shown(value) +
                  " is not {\"keyframes\": [{\"time\": seconds, \"value\": value}, ...]}");
  }
  if (param.def.flags & PF_ParamFlag_CANNOT_TIME_VARY) reader.refuse("it cannot vary over time");
  setting.keyframed = true;
  for (const json& key : keys) {
    // {"time": seconds, "value": value}, or the older [seconds, value].
    const bool as_object =
        key.is_object() && key.size() == 2 && key.contains("time") && key.contains("value");
    const bool as_pair = key.is_array() && key.size() == 2;
    const json* time = as_object ? &key["time"] : as_pair ? &key[0] : nullptr;
    if (time == nullptr || !time->is_number() || !std::isfinite(time->get<double>())) {
      reader.refuse(shown(key) + " is not a keyframe {\"time\": seconds, \"value\": value}");
    }
    setting.keyframes.emplace_back(time->get<double>(),
                                   reader.read(as_object ? key["value"] : key[1]));
  }
  std::stable_sort(setting.keyframes.begin(), setting.keyframes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < setting.keyframes.size(); ++i) {
    if (setting.keyframes[i].first == setting.keyframes[i - 1].first) {
      reader.refuse("two keyframes at " + number_text(setting.keyframes[i].first) + " s");
    }
  }
  return setting;
}

PF_Fixed to_fixed(double v) {
  return static_cast<PF_Fixed>(std::lround(v * 65536.0));
}

double from_fixed(PF_Fixed v) {
  return v / 65536.0;
}

json value_to_json(const StoredParam& param, const ParamValue& value) {
  const ParamTypeTraits& traits = param_type_traits(param.def.param_type);
  return traits.to_json != nullptr ? traits.to_json(param, value.u, value.layer_id, false)
                                   : nullptr;
}

json default_to_json(const StoredParam& param) {
  const ParamTypeTraits& traits = param_type_traits(param.def.param_type);
  return traits.to_json != nullptr ? traits.to_json(param, param.def.u, 0, true) : nullptr;
}

std::vector<std::string> popup_items(const std::string& items) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = items.find('|', start);
    result.push_back(items.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return result;
}

json json_from_text(const std::string& text) {
  json parsed = json::parse(text, nullptr, /*allow_exceptions=*/false);
  return parsed.is_discarded() ? json(text) : parsed;
}

std::string hex_from_bytes(const std::vector<unsigned char>& bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * bytes.size());
  for (unsigned char b : bytes) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

}  // namespace simhost
