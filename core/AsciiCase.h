// ASCII letters without regard to case: how mode names are looked up
// ("cs||cs" is "Cs||Cs") and how the program's resource names are matched
// ("glass_a" is "GLASS_A", as Windows matches them). Other bytes compare as
// they are; no locale is consulted.
#pragma once

#include <cstddef>
#include <string_view>

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

constexpr bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  return true;
}
