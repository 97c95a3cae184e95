// Entry text to number.
#pragma once

#include <cstddef>
#include <string_view>

// Reads the number at the start of `text` (after blanks, tabs, CR and LF):
// decimal with optional sign, point and E/D exponent, or radix form "&H..",
// "&O..", "&B..". Text holding no number gives zero (signed for "-").
// Reads exactly `length` bytes at most, accepts any byte values, never fails,
// never overflows, keeps no state.
double ParseNumber(const char *text, std::size_t length);

inline double ParseNumber(std::string_view text) { return ParseNumber(text.data(), text.size()); }
