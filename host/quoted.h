#pragma once

// Values quoted in messages: a file may hold a name or a string of a
// megabyte, and a message shows enough of it to find it, no more.

#include <cstddef>
#include <string>
#include <string_view>

namespace simhost {

// At most `longest` bytes of `text` (not cutting a UTF-8 character), with
// "..." when it was cut.
inline std::string shortened(std::string_view text, std::size_t longest = 80) {
  if (text.size() <= longest) return std::string(text);
  std::size_t cut = longest;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

// `text` shortened, in double quotes.
inline std::string in_quotes(std::string_view text) {
  return "\"" + shortened(text) + "\"";
}

}  // namespace simhost
