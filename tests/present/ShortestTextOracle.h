// The shortest spelling of a double compared with std::to_chars, the
// standard library's own spelling, for the shortest-text tests.
#pragma once

#include "present/ShortestText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

// The standard library's spelling of `value`.
inline std::string ToCharsText(double value) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

inline std::string ShortestTextOf(double value) {
  char text[ShortestTextMax + 8];
  return std::string(text, WriteShortestText(text, value));
}

// Counts the finite values given to it and the first few disagreements,
// each reported with the bit pattern so that it can be replayed.
struct OracleTally {
  std::uint64_t checked = 0;
  std::uint64_t disagreements = 0;
};

inline void CompareWithToChars(OracleTally &tally, double value) {
  if (!std::isfinite(value))
    return;
  ++tally.checked;
  char expected[64], actual[ShortestTextMax + 8];
  const std::string_view e(
      expected, std::size_t(std::to_chars(expected, expected + 64, value).ptr - expected)),
      a(actual, std::size_t(WriteShortestText(actual, value) - actual));
  if (e != a && ++tally.disagreements <= 20)
    ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint64_t>(value) << ": to_chars \""
                  << e << "\", ours \"" << a << "\"";
}

// Every check of a group must have run and agreed.
inline void ExpectAllAgreed(const OracleTally &tally, std::uint64_t atLeast) {
  EXPECT_EQ(tally.disagreements, 0u);
  EXPECT_GE(tally.checked, atLeast);
}

inline double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

inline std::uint64_t BitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }
