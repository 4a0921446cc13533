#include "effect/registration.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::uint32_t four_cc(const char (&code)[5]) {
  return (std::uint32_t(std::uint8_t(code[0])) << 24) |
         (std::uint32_t(std::uint8_t(code[1])) << 16) |
         (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

class PiplWriter {
 public:
  void u16(std::uint16_t v) {
    bytes_.push_back(std::uint8_t(v));
    bytes_.push_back(std::uint8_t(v >> 8));
  }
  void u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(std::uint8_t(v >> shift));
  }

  // One property: vendor, key, id 0, the unpadded length, then the data
  // padded with zeros to a multiple of 4.
  void property(std::uint32_t key, const std::vector<std::uint8_t>& data) {
    u32(four_cc("8BIM"));
    u32(key);
    u32(0);
    u32(static_cast<std::uint32_t>(data.size()));
    const std::size_t at = bytes_.size();
    bytes_.resize(at + data.size() + (4 - data.size() % 4) % 4, 0);
    if (!data.empty()) std::memcpy(bytes_.data() + at, data.data(), data.size());
  }

  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> le32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

std::vector<std::uint8_t> le16(std::uint16_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8)};
}

// One length byte, then the characters.
std::vector<std::uint8_t> pascal_string(std::string_view s) {
  if (s.size() > 255) throw std::length_error("PiPL string longer than 255 characters");
  std::vector<std::uint8_t> data(s.size() + 1);
  data[0] = std::uint8_t(s.size());
  if (!s.empty()) std::memcpy(data.data() + 1, s.data(), s.size());
  return data;
}

std::vector<std::uint8_t> c_string(std::string_view s) {
  std::vector<std::uint8_t> data(s.size() + 1, 0);
  if (!s.empty()) std::memcpy(data.data(), s.data(), s.size());
  return data;
}

}  // namespace

std::vector<std::uint8_t> build_pipl() {
  PiplWriter pipl;
  pipl.u16(1);   // resource format
  pipl.u32(0);   // list version
  pipl.u32(13);  // property count
  pipl.property(four_cc("kind"), le32(PF_Kind_EFFECT));
  pipl.property(four_cc("name"), pascal_string(effect_name));
  pipl.property(four_cc("catg"), pascal_string(effect_category));
  pipl.property(four_cc("8664"), c_string(effect_entry_point));
  pipl.property(four_cc("ePVR"), le32(2));
  // Two 16-bit numbers: API version, then subversion.
  pipl.property(four_cc("eSVR"), le32(std::uint32_t(effect_api_version_major) |
                                      std::uint32_t(effect_api_version_minor) << 16));
  pipl.property(four_cc("eVER"), le32(effect_version));
  pipl.property(four_cc("eINF"), le16(0));
  pipl.property(four_cc("eGLO"), le32(effect_out_flags));
  pipl.property(four_cc("eGL2"), le32(effect_out_flags2));
  pipl.property(four_cc("eMNA"), pascal_string(effect_match_name));
  pipl.property(four_cc("aeFL"), le32(effect_reserved_info));
  pipl.property(four_cc("eURL"), pascal_string(effect_support_url));
  return pipl.take();
}
