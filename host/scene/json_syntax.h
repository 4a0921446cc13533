#pragma once

// What is wrong with a text that is not JSON, in the host's own words: the
// JSON library says it in terms of its parser ("syntax error while parsing
// object separator - unexpected number literal; expected ':'"), which a user
// editing a scene file should not have to decode.

#include <nlohmann/json.hpp>
#include <string>

namespace simhost::scene {

// The mistake `error` reports, as "expected ':' after a member's name, found
// a number"; the place is the caller's to add.
std::string json_syntax_mistake(const nlohmann::json::parse_error& error);

// The number as written when `error` is the parser's report of one beyond
// what a double holds (as 1e999); empty for any other error.
std::string overflowing_number(const nlohmann::json::exception& error);

}  // namespace simhost::scene
