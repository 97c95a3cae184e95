// The shortest decimal text that reads back as a given double, spelled the
// way std::to_chars(first, last, value) spells it, on every target alike.
#pragma once

#include <cstdint>

// Room that the longest spelling needs ("-2.2250738585072014e-308").
inline constexpr int ShortestTextMax = 24;

// A finite double's shortest round-tripping digits: significand × 10^exponent
// is, of the decimals with the fewest significant digits that read back as
// |value|, the nearest to it (the even last digit on a tie). The significand
// has no trailing zeros; zero gives {0, 0}.
struct ShortestDecimal {
  std::uint64_t significand = 0;
  int exponent = 0;
};

ShortestDecimal ShortestDigits(double value);

// Writes finite `value` at `p` as its shortest digits in fixed or scientific
// form, whichever is shorter (fixed on a tie), byte for byte as to_chars:
// "-0", "1000", "1e+06", "0.001", "1e-05", "1.5e-308", and an integer past
// 2^53 in fixed form exactly as held ("123456789012345683968"). Uses at most
// ShortestTextMax bytes at `p`; returns the end of the text.
char *WriteShortestText(char *p, double value);

// Writes x (below 10^8) at `p` as exactly eight digits, leading zeros
// included, as the routines above write their digits. Returns p + 8.
char *WriteEightDigits(char *p, std::uint32_t x);

// The full 128-bit product of two 64-bit numbers built from 32-bit halves,
// as the routines above use it where the compiler has no 128-bit integer.
struct Product128 {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
};

Product128 MultiplyBy32BitHalves(std::uint64_t a, std::uint64_t b);
