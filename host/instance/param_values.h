#pragma once

// Parameter values as JSON, the form tests, scene files and the command line
// set them in (host/README.md lists the form of each type), and the same
// form for printing them.

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/instance/param_store.h"

namespace simhost {

// A value the host refuses; the message names the parameter and the reason.
class ParamValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One value read from JSON, not yet stored. An arbitrary value comes as its
// flattened bytes, which the effect's unflatten callback turns into a handle.
struct ValueFromJson {
  ParamValue value;
  std::vector<unsigned char> flat;
};

struct SettingFromJson {
  bool keyframed = false;
  ValueFromJson constant;
  std::vector<std::pair<double, ValueFromJson>> keyframes;  // ascending times in seconds
};

// Reads one value of a parameter from JSON. The parameter type's row
// (param_type_traits.h) says what form it takes; the checks it needs are
// here. A refusal throws ParamValueError naming the parameter and the reason.
class ValueReader {
 public:
  ValueReader(const ParamStore& store, PF_ParamIndex slot);

  const StoredParam& param() const { return param_; }
  ValueFromJson read(const nlohmann::json& j) const;
  [[noreturn]] void refuse(const std::string& why) const;

  // A finite number; `form` says what was expected ("a number").
  double number(const nlohmann::json& j, const char* form) const;
  void in_range(const nlohmann::json& j, double v, double lo, double hi) const;
  // `v` from `j` in 16.16 fixed point.
  PF_Fixed fixed(const nlohmann::json& j, double v) const;
  // An id: a whole number, 0 for none.
  A_long whole_number(const nlohmann::json& j, const char* form) const;
  // [r, g, b] or [a, r, g, b], channels from 0 to 255.
  PF_Pixel color(const nlohmann::json& j) const;
  // An item's text or its number from 1.
  PF_ParamValue popup(const nlohmann::json& j) const;
  // The flattened bytes of an arbitrary value.
  std::vector<unsigned char> arbitrary(const nlohmann::json& j) const;

 private:
  std::vector<unsigned char> hex_bytes(const std::string& hex) const;

  const StoredParam& param_;
  std::string who_;
};

// Reads a constant value or {"keyframes": [{"time": seconds, "value": value},
// ...]} (each keyframe also as [seconds, value], as scene files once wrote
// them) for the parameter in `slot`. Throws ParamValueError for a parameter without a
// value, a value of the wrong form or outside the valid range, and
// keyframes on a parameter that cannot vary over time.
SettingFromJson setting_from_json(const ParamStore& store, PF_ParamIndex slot,
                                  const nlohmann::json& value);

// The JSON form of a value and of the default (null for a parameter without
// a value; arbitrary values are given by the caller, which flattens them).
nlohmann::json value_to_json(const StoredParam& param, const ParamValue& value);
nlohmann::json default_to_json(const StoredParam& param);

// 16.16 fixed point from a number (rounded to the nearest) and back.
PF_Fixed to_fixed(double v);
double from_fixed(PF_Fixed v);

// A popup's items, from its text of items separated by '|'.
std::vector<std::string> popup_items(const std::string& items);

// The text after "NAME=" of a command-line setting: JSON when it parses,
// else the text itself as a JSON string (so Mode=Vanishing works).
nlohmann::json json_from_text(const std::string& text);

// A value as a message shows it: a string in quotes, anything else as its
// JSON, shortened either way.
std::string shown(const nlohmann::json& j);

std::string hex_from_bytes(const std::vector<unsigned char>& bytes);

}  // namespace simhost
