#include "host/instance/param_type_traits.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/instance/gradient_bytes.h"
#include "host/instance/param_values.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"

namespace simhost {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;
using Union = PF_ParamDefUnion;

template <class T>
T lerp_rounded(T a, T b, double t) {
  return static_cast<T>(std::lround(static_cast<double>(a) + (static_cast<double>(b) - a) * t));
}

std::string format(const char* pattern, double a, double b = 0.0) {
  char text[128];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

std::string hex_color(int r, int g, int b) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
  return text;
}

std::string text_of(const char* s) {
  return s != nullptr ? s : "";
}

// The stops of a "Gradient Wheel" value as the panel shows them.
std::string gradient_text(const std::vector<unsigned char>& bytes) {
  const std::optional<std::vector<GradientStop>> stops = gradient_stops(bytes);
  if (!stops) return "(no value)";
  const std::size_t n = stops->size();
  std::string text = std::to_string(n) + (n == 1 ? " stop" : " stops");
  for (std::size_t i = 0; i < n; ++i) {
    const GradientStop& stop = (*stops)[i];
    auto byte = [](float c) {
      return static_cast<int>(std::lround(std::fmin(std::fmax(c, 0), 1) * 255));
    };
    text += (i == 0 ? ": " : ", ") + format("%.3f ", stop.position) +
            hex_color(byte(stop.red), byte(stop.green), byte(stop.blue));
  }
  return text;
}

std::string layer_text(scene::Composition& comp, AEGP_LayerIDVal id) {
  if (id == 0) return "None";
  const scene::Layer* layer = comp.layer_by_id(id);
  if (layer == nullptr) return "layer " + std::to_string(id) + " (missing)";
  return "layer " + std::to_string(id) + " \"" + layer->name + "\"";
}

bool same_pixel(const PF_Pixel& a, const PF_Pixel& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// A slider's range as `tarvolk-host params` lists it.
template <class Def>
ordered_json ranges(const Def& d) {
  return {{"valid", {d.valid_min, d.valid_max}}, {"slider", {d.slider_min, d.slider_max}}};
}

// The rows in type order: rows[PF_Param_X].type == PF_Param_X.
constexpr ParamTypeTraits rows[] = {
    {
        .type = PF_Param_LAYER,
        .name = "layer",
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              out.value.layer_id = r.whole_number(j, "a layer id");
            },
        .to_json = [](const StoredParam&, const Union&, A_long layer_id, bool dephault) -> json {
          return dephault ? 0 : layer_id;
        },
        .stream_type = AEGP_StreamType_LAYER_ID,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return val.layer_id; },
        .stream_value_finite = [](const AEGP_StreamVal2&) { return true; },
        .panel_text =
            [](const PanelSlot& s) {
              return layer_text(s.comp, s.instance.layer_id(s.slot, s.instance.current_time,
                                                            s.instance.time_scale));
            },
    },
    {
        .type = PF_Param_SLIDER,
        .name = "slider",
        .copy_value = [](const Union& from, Union& to) { to.sd.value = from.sd.value; },
        .same_value = [](const Union& a, const Union& b) { return a.sd.value == b.sd.value; },
        .interpolate = [](const Union& a, const Union& b, double t,
                          Union& out) { out.sd.value = lerp_rounded(a.sd.value, b.sd.value, t); },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              const double v = r.number(j, "an integer");
              if (v != std::floor(v)) r.refuse(shown(j) + " is not an integer");
              const PF_SliderDef& d = r.param().def.u.sd;
              r.in_range(j, v, d.valid_min, d.valid_max);
              out.value.u.sd.value = static_cast<PF_ParamValue>(v);
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return dephault ? u.sd.dephault : u.sd.value;
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return std::llround(val.one_d); },
        .panel_text = [](const PanelSlot& s) { return std::to_string(s.def.u.sd.value); },
        .twirl = true,
        .describe = [](const PF_ParamDef& def,
                       ordered_json& row) { row["ranges"] = ranges(def.u.sd); },
    },
    {
        .type = PF_Param_FIX_SLIDER,
        .name = "fixed slider",
        .copy_value = [](const Union& from, Union& to) { to.fd.value = from.fd.value; },
        .same_value = [](const Union& a, const Union& b) { return a.fd.value == b.fd.value; },
        .interpolate = [](const Union& a, const Union& b, double t,
                          Union& out) { out.fd.value = lerp_rounded(a.fd.value, b.fd.value, t); },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              const double v = r.number(j, "a number");
              const PF_FixedSliderDef& d = r.param().def.u.fd;
              r.in_range(j, v, from_fixed(d.valid_min), from_fixed(d.valid_max));
              out.value.u.fd.value = to_fixed(v);
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return from_fixed(dephault ? u.fd.dephault : u.fd.value);
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return val.one_d; },
        .panel_text = [](const PanelSlot& s) { return format("%g", from_fixed(s.def.u.fd.value)); },
        .twirl = true,
    },
    {
        .type = PF_Param_ANGLE,
        .name = "angle",
        .copy_value = [](const Union& from, Union& to) { to.ad.value = from.ad.value; },
        .same_value = [](const Union& a, const Union& b) { return a.ad.value == b.ad.value; },
        .interpolate = [](const Union& a, const Union& b, double t,
                          Union& out) { out.ad.value = lerp_rounded(a.ad.value, b.ad.value, t); },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              out.value.u.ad.value = r.fixed(j, r.number(j, "a number of degrees"));
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return from_fixed(dephault ? u.ad.dephault : u.ad.value);
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return val.one_d; },
        .panel_text =
            [](const PanelSlot& s) { return format("%g°", from_fixed(s.def.u.ad.value)); },
        .twirl = true,
    },
    {
        .type = PF_Param_CHECKBOX,
        .name = "checkbox",
        .copy_value = [](const Union& from, Union& to) { to.bd.value = from.bd.value; },
        .same_value = [](const Union& a, const Union& b) { return a.bd.value == b.bd.value; },
        .text_field = [](PF_ParamDef& def) { return &def.u.bd.u.nameptr; },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              if (!j.is_boolean()) r.refuse(shown(j) + " is not true or false");
              out.value.u.bd.value = j.get<bool>() ? 1 : 0;
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return (dephault ? u.bd.dephault : u.bd.value) != 0;
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return val.one_d != 0.0; },
        .panel_text = [](const PanelSlot& s) -> std::string {
          return s.def.u.bd.value != 0 ? "on" : "off";
        },
        .describe = [](const PF_ParamDef& def,
                       ordered_json& row) { row["label"] = text_of(def.u.bd.u.nameptr); },
    },
    {
        .type = PF_Param_COLOR,
        .name = "color",
        .copy_value = [](const Union& from, Union& to) { to.cd.value = from.cd.value; },
        .same_value = [](const Union& a,
                         const Union& b) { return same_pixel(a.cd.value, b.cd.value); },
        .interpolate =
            [](const Union& a, const Union& b, double t, Union& out) {
              const PF_Pixel& p = a.cd.value;
              const PF_Pixel& q = b.cd.value;
              out.cd.value = {lerp_rounded(p.alpha, q.alpha, t), lerp_rounded(p.red, q.red, t),
                              lerp_rounded(p.green, q.green, t), lerp_rounded(p.blue, q.blue, t)};
            },
        .read_json = [](const ValueReader& r, const json& j,
                        ValueFromJson& out) { out.value.u.cd.value = r.color(j); },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          const PF_Pixel& c = dephault ? u.cd.dephault : u.cd.value;
          return json::array({c.alpha, c.red, c.green, c.blue});
        },
        .stream_type = AEGP_StreamType_COLOR,
        .from_stream = [](const AEGP_StreamVal2& val) -> json {
          auto channel = [](double c) { return std::lround(c * 255.0); };
          return {channel(val.color.alphaF), channel(val.color.redF), channel(val.color.greenF),
                  channel(val.color.blueF)};
        },
        .stream_value_finite =
            [](const AEGP_StreamVal2& val) {
              return std::isfinite(val.color.alphaF) && std::isfinite(val.color.redF) &&
                     std::isfinite(val.color.greenF) && std::isfinite(val.color.blueF);
            },
        .panel_text =
            [](const PanelSlot& s) {
              const PF_Pixel& c = s.def.u.cd.value;
              std::string text = hex_color(c.red, c.green, c.blue);
              if (c.alpha != 255) text += " alpha " + std::to_string(c.alpha);
              return text;
            },
    },
    {
        .type = PF_Param_POINT,
        .name = "point",
        .copy_value =
            [](const Union& from, Union& to) {
              to.td.x_value = from.td.x_value;
              to.td.y_value = from.td.y_value;
            },
        .same_value =
            [](const Union& a, const Union& b) {
              return a.td.x_value == b.td.x_value && a.td.y_value == b.td.y_value;
            },
        .interpolate =
            [](const Union& a, const Union& b, double t, Union& out) {
              out.td.x_value = lerp_rounded(a.td.x_value, b.td.x_value, t);
              out.td.y_value = lerp_rounded(a.td.y_value, b.td.y_value, t);
            },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              if (!j.is_array() || j.size() != 2) r.refuse(shown(j) + " is not a point [x, y]");
              out.value.u.td.x_value = r.fixed(j, r.number(j[0], "a point [x, y] of numbers"));
              out.value.u.td.y_value = r.fixed(j, r.number(j[1], "a point [x, y] of numbers"));
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return dephault ? json::array({from_fixed(u.td.x_dephault), from_fixed(u.td.y_dephault)})
                          : json::array({from_fixed(u.td.x_value), from_fixed(u.td.y_value)});
        },
        .stream_type = AEGP_StreamType_TwoD_SPATIAL,
        .from_stream = [](const AEGP_StreamVal2& val) -> json {
          return {val.two_d.x, val.two_d.y};
        },
        .stream_value_finite =
            [](const AEGP_StreamVal2& val) {
              return std::isfinite(val.two_d.x) && std::isfinite(val.two_d.y);
            },
        .panel_text =
            [](const PanelSlot& s) {
              return format("%g, %g", from_fixed(s.def.u.td.x_value),
                            from_fixed(s.def.u.td.y_value));
            },
    },
    {
        .type = PF_Param_POPUP,
        .name = "popup",
        .copy_value = [](const Union& from, Union& to) { to.pd.value = from.pd.value; },
        .same_value = [](const Union& a, const Union& b) { return a.pd.value == b.pd.value; },
        .text_field = [](PF_ParamDef& def) { return &def.u.pd.u.namesptr; },
        .read_json = [](const ValueReader& r, const json& j,
                        ValueFromJson& out) { out.value.u.pd.value = r.popup(j); },
        .to_json = [](const StoredParam& param, const Union& u, A_long, bool dephault) -> json {
          const PF_ParamValue v = dephault ? u.pd.dephault : u.pd.value;
          const std::vector<std::string> items = popup_items(param.text);
          if (v >= 1 && static_cast<std::size_t>(v) <= items.size()) return items[v - 1];
          return v;
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return std::llround(val.one_d); },
        // The chosen item's text, or its number when there is no such item.
        .panel_text =
            [](const PanelSlot& s) {
              const std::vector<std::string> items = popup_items(text_of(s.def.u.pd.u.namesptr));
              const PF_ParamValue chosen = s.def.u.pd.value;
              if (chosen < 1 || static_cast<std::size_t>(chosen) > items.size()) {
                return std::to_string(chosen);
              }
              return items[static_cast<std::size_t>(chosen) - 1];
            },
        .describe =
            [](const PF_ParamDef& def, ordered_json& row) {
              row["items"] = popup_items(text_of(def.u.pd.u.namesptr));
            },
    },
    {
        .type = PF_Param_CUSTOM,
        .name = "custom",
    },
    {
        .type = PF_Param_NO_DATA,
        .name = "no data",
        .panel_text =
            [](const PanelSlot& s) {
              return "[custom control " + std::to_string(s.def.ui_width) + " x " +
                     std::to_string(s.def.ui_height) + "]";
            },
        .shown_as_control = true,
    },
    {
        .type = PF_Param_FLOAT_SLIDER,
        .name = "float slider",
        .copy_value = [](const Union& from, Union& to) { to.fs_d.value = from.fs_d.value; },
        .same_value = [](const Union& a, const Union& b) { return a.fs_d.value == b.fs_d.value; },
        .interpolate =
            [](const Union& a, const Union& b, double t, Union& out) {
              out.fs_d.value = a.fs_d.value + (b.fs_d.value - a.fs_d.value) * t;
            },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              const double v = r.number(j, "a number");
              const PF_FloatSliderDef& d = r.param().def.u.fs_d;
              r.in_range(j, v, d.valid_min, d.valid_max);
              out.value.u.fs_d.value = v;
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return dephault ? static_cast<double>(u.fs_d.dephault) : u.fs_d.value;
        },
        .stream_type = AEGP_StreamType_OneD,
        .from_stream = [](const AEGP_StreamVal2& val) -> json { return val.one_d; },
        .panel_text =
            [](const PanelSlot& s) {
              const PF_FloatSliderDef& d = s.def.u.fs_d;
              char number[64];
              std::snprintf(number, sizeof number, "%.*f", static_cast<int>(d.precision), d.value);
              return number + std::string(d.display_flags & PF_ValueDisplayFlag_PERCENT ? "%" : "");
            },
        .twirl = true,
        .describe =
            [](const PF_ParamDef& def, ordered_json& row) {
              const PF_FloatSliderDef& d = def.u.fs_d;
              ordered_json r = ranges(d);
              r["precision"] = d.precision;
              r["percent"] = d.display_flags == PF_ValueDisplayFlag_PERCENT;
              row["ranges"] = r;
            },
    },
    {
        .type = PF_Param_ARBITRARY_DATA,
        .name = "arbitrary data",
        .copy_value = [](const Union& from, Union& to) { to.arb_d.value = from.arb_d.value; },
        .same_value = [](const Union& a, const Union& b) { return a.arb_d.value == b.arb_d.value; },
        .read_json = [](const ValueReader& r, const json& j,
                        ValueFromJson& out) { out.flat = r.arbitrary(j); },
        .stream_type = AEGP_StreamType_ARB,
        .panel_text =
            [](const PanelSlot& s) {
              // A keyframed value lives in its keyframes: the panel shows the
              // value at its time, as the effect makes it.
              return gradient_text(s.instance.is_keyframed(s.slot)
                                       ? s.instance.flatten_value(s.slot)
                                       : s.host.handle_bytes(s.def.u.arb_d.value));
            },
        .twirl = true,
        .describe = [](const PF_ParamDef& def,
                       ordered_json& row) { row["arbitrary_id"] = def.u.arb_d.id; },
    },
    {
        .type = PF_Param_PATH,
        .name = "path",
        .copy_value = [](const Union& from, Union& to) { to.path_d.path_id = from.path_d.path_id; },
        .same_value = [](const Union& a,
                         const Union& b) { return a.path_d.path_id == b.path_d.path_id; },
        .read_json =
            [](const ValueReader& r, const json& j, ValueFromJson& out) {
              out.value.u.path_d.path_id = r.whole_number(j, "a path id");
            },
        .to_json = [](const StoredParam&, const Union& u, A_long, bool dephault) -> json {
          return dephault ? u.path_d.dephault : u.path_d.path_id;
        },
        .stream_type = AEGP_StreamType_MASK_ID,
        .panel_text = [](const PanelSlot& s) -> std::string {
          const PF_PathID id = s.def.u.path_d.path_id;
          return id == 0 ? "None" : "mask " + std::to_string(id);
        },
    },
    {
        .type = PF_Param_GROUP_START,
        .name = "group start",
        .shown_as_control = true,
        .twirl = true,
    },
    {
        .type = PF_Param_GROUP_END,
        .name = "group end",
    },
    {
        .type = PF_Param_BUTTON,
        .name = "button",
        .copy_value = [](const Union& from, Union& to) { to.button_d.value = from.button_d.value; },
        .same_value = [](const Union& a,
                         const Union& b) { return a.button_d.value == b.button_d.value; },
        .text_field = [](PF_ParamDef& def) { return &def.u.button_d.u.namesptr; },
        .panel_text =
            [](const PanelSlot& s) { return "[" + text_of(s.def.u.button_d.u.namesptr) + "]"; },
        .shown_as_control = true,
        .describe = [](const PF_ParamDef& def,
                       ordered_json& row) { row["label"] = text_of(def.u.button_d.u.namesptr); },
    },
};

constexpr bool in_type_order() {
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (rows[i].type != static_cast<PF_ParamType>(i)) return false;
  }
  return true;
}
static_assert(in_type_order(), "rows[PF_Param_X] must describe PF_Param_X");

constexpr ParamTypeTraits unknown_type{};

}  // namespace

const ParamTypeTraits& param_type_traits(PF_ParamType type) {
  if (type < 0 || type >= static_cast<PF_ParamType>(std::size(rows))) return unknown_type;
  return rows[type];
}

void copy_value_fields(PF_ParamType type, const PF_ParamDefUnion& from, PF_ParamDefUnion& to) {
  if (auto copy = param_type_traits(type).copy_value) copy(from, to);
}

bool same_value_fields(PF_ParamType type, const PF_ParamDefUnion& a, const PF_ParamDefUnion& b) {
  auto same = param_type_traits(type).same_value;
  return same == nullptr || same(a, b);
}

}  // namespace simhost
