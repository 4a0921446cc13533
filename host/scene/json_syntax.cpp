#include "host/scene/json_syntax.h"

#include <string_view>

namespace simhost::scene {

namespace {

// The parser's report, "[json.exception.parse_error.101] parse error at
// line L, column C: syntax error while parsing CONTEXT - DETAIL; expected
// EXPECTED" (or "- DETAIL; last read: '...'"), in its parts.
struct ParserReport {
  std::string_view detail;
  std::string_view expected;
};

ParserReport parts_of(std::string_view what) {
  ParserReport report;
  const std::size_t dash = what.find(" - ");
  if (dash == std::string_view::npos) return report;
  std::string_view rest = what.substr(dash + 3);
  const std::size_t expected = rest.rfind("; expected ");
  if (expected != std::string_view::npos) {
    report.expected = rest.substr(expected + 11);
    rest = rest.substr(0, expected);
  }
  report.detail = rest.substr(0, rest.find("; last read: "));
  return report;
}

// A token as the parser names it ("number literal", "','"), as a user
// would call it.
std::string token_words(std::string_view token) {
  if (token == "end of input") return "the end of the text";
  if (token == "number literal") return "a number";
  if (token == "string literal") return "a string";
  if (token == "true literal") return "true";
  if (token == "false literal") return "false";
  if (token == "null literal") return "null";
  return std::string(token);
}

// What was expected, by what the parser expected.
std::string expected_words(std::string_view expected) {
  if (expected == "string literal") return "a member's name in double quotes";
  if (expected == "':'") return "':' after a member's name";
  if (expected == "'}'") return "',' or '}' after a member";
  if (expected == "']'") return "',' or ']' after an element";
  if (expected == "end of input") return "nothing after the JSON value";
  return "a value (an object, an array, a string, a number, true, false or null)";
}

// The lexer's complaints about a token it could not read.
struct TokenMistake {
  std::string_view complaint;  // the start of the lexer's text
  const char* words;
};
constexpr TokenMistake token_mistakes[] = {
    {"invalid string: control character",
     "a control character (a line break, a tab) inside a string: write it as \\n, \\t or \\uXXXX"},
    {"invalid string: forbidden character after backslash",
     "a '\\' in a string that starts no escape (write \\\\ for a backslash)"},
    {"invalid string: '\\u' must be followed by 4 hex digits",
     "a \\u escape in a string without its four hexadecimal digits"},
    {"invalid string: surrogate", "a \\u escape in a string that is half of a character"},
    {"invalid string: missing closing quote", "a string without its closing quote"},
    {"invalid string: ill-formed UTF-8 byte", "a string with bytes that are not UTF-8"},
    {"invalid number",
     "a number JSON cannot read (digits, with an optional '-', '.' and exponent)"},
    {"invalid literal",
     "a word JSON does not know (names and texts need double quotes; true, false and null are "
     "lower case)"},
    {"invalid BOM", "a damaged byte-order mark at the start"},
};

}  // namespace

std::string json_syntax_mistake(const nlohmann::json::parse_error& error) {
  const ParserReport report = parts_of(error.what());
  // A word where the value has ended.
  if (report.expected == "end of input" && report.detail.substr(0, 15) == "invalid literal") {
    return "expected nothing after the JSON value";
  }
  for (const TokenMistake& mistake : token_mistakes) {
    if (report.detail.substr(0, mistake.complaint.size()) == mistake.complaint) {
      return mistake.words;
    }
  }
  constexpr std::string_view unexpected = "unexpected ";
  if (report.detail.substr(0, unexpected.size()) != unexpected) return "not valid JSON";
  const std::string_view found = report.detail.substr(unexpected.size());
  if (found == "end of input" && report.expected != "end of input") {
    return "the text ends before its JSON does; expected " + expected_words(report.expected);
  }
  return "expected " + expected_words(report.expected) + ", found " + token_words(found);
}

std::string overflowing_number(const nlohmann::json::exception& error) {
  // "[json.exception.out_of_range.406] number overflow parsing '1e999'"
  constexpr std::string_view parsing = "number overflow parsing '";
  const std::string_view what = error.what();
  const std::size_t start = what.find(parsing);
  if (error.id != 406 || start == std::string_view::npos || what.back() != '\'') return "";
  return std::string(what.substr(start + parsing.size(), what.size() - 1 - start - parsing.size()));
}

}  // namespace simhost::scene
