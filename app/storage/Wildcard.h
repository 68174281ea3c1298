#pragma once

#include <string_view>

// True when `name` matches `pattern` without regard to ASCII case: "*" stands
// for any run of characters (also none), "?" for exactly one character.
bool wildcardMatch(std::string_view name, std::string_view pattern);
