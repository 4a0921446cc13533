// Scene files that are not JSON: the reader says what is wrong in its own
// words, with the file and the line and column, and nothing of the JSON
// library's wording.

#include <gtest/gtest.h>

#include <string>

#include "host/scene/scene_file.h"

namespace simhost::scene {
namespace {

TEST(SceneSyntax, AMistakeIsToldInTheHostsWordsWithItsPlace) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "s.json: not JSON: the file is empty"},
      {" \n ", "s.json: not JSON: the file is empty"},
      {"{\"a\": 1",
       "s.json:1:8: not JSON: the text ends before its JSON does; expected ',' or '}' "
       "after a member"},
      {"{\n  \"a\" 1}", "s.json:2:7: not JSON: expected ':' after a member's name, found a number"},
      {"{\"a\": 1,}", "s.json:1:9: not JSON: expected a member's name in double quotes, found '}'"},
      {"[1 2]", "s.json:1:4: not JSON: expected ',' or ']' after an element, found a number"},
      {"{\"a\":}",
       "s.json:1:6: not JSON: expected a value (an object, an array, a string, a number, true, "
       "false or null), found '}'"},
      {"{}}", "s.json:1:3: not JSON: expected nothing after the JSON value, found '}'"},
      {"{} x", "s.json:1:4: not JSON: expected nothing after the JSON value"},
      {"{a: 1}",
       "s.json:1:2: not JSON: a word JSON does not know (names and texts need double quotes; true, "
       "false and null are lower case)"},
      {"{\"a\": -}",
       "s.json:1:8: not JSON: a number JSON cannot read (digits, with an optional '-', '.' and "
       "exponent)"},
      {"{\"a\": \"x\ny\"}",
       "s.json:1:9: not JSON: a control character (a line break, a tab) inside a string: write it "
       "as \\n, \\t or \\uXXXX"},
      {"{\"a\": \"\\q\"}",
       "s.json:1:9: not JSON: a '\\' in a string that starts no escape (write \\\\ for a "
       "backslash)"},
      {"{\"a\": \"\\uD800\"}",
       "s.json:1:14: not JSON: a \\u escape in a string that is half of a character"},
      {"{\"a\": \"abc", "s.json:1:11: not JSON: a string without its closing quote"},
      {"{\"a\": \"\xff\"}", "s.json:1:8: not JSON: a string with bytes that are not UTF-8"},
  };
  for (const auto& c : cases) {
    try {
      parse_scene(c.text, "s.json");
      ADD_FAILURE() << "read: " << c.text;
    } catch (const SceneError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

}  // namespace
}  // namespace simhost::scene
