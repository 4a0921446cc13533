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

// A name that is not one of the known names listed after it, in double
// quotes: the name a user meant is short, and the list says the rest.
inline std::string unknown_name_in_quotes(std::string_view text) {
  return "\"" + shortened(text, 32) + "\"";
}

// A file's path or a place in a file, at most about `longest` bytes: its
// beginning and, at more length, its end (the file's name, the field), with
// "..." for what was left out between them.
inline std::string shortened_middle(std::string_view text, std::size_t longest = 80) {
  if (text.size() <= longest) return std::string(text);
  const auto continues = [&](std::size_t i) {
    return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
  };
  std::size_t head = longest / 3;
  while (head > 0 && continues(head)) --head;
  std::size_t tail = text.size() - (longest - longest / 3);
  while (tail < text.size() && continues(tail)) ++tail;
  return std::string(text.substr(0, head)) + "..." + std::string(text.substr(tail));
}

// A file's path shortened as above, in double quotes.
inline std::string path_in_quotes(std::string_view path) {
  return "\"" + shortened_middle(path) + "\"";
}

}  // namespace simhost
