// The long comparison of the shortest spelling with std::to_chars: seeded
// random bit patterns (CALVORA_SHORTEST_LONG_COUNT of them, 1.5 billion by
// default), the lowest and highest 2^16 significands of every binary
// exponent, and the first 2^24 subnormals. Built only with
// CALVORA_SHORTEST_LONG_TEST=ON.
#include "ShortestTextOracle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

constexpr std::uint64_t FractionMask = (std::uint64_t{1} << 52) - 1;

std::uint64_t RandomCount() {
  const char *text = std::getenv("CALVORA_SHORTEST_LONG_COUNT");
  return text != nullptr ? std::strtoull(text, nullptr, 10) : 1500000000;
}

TEST(ShortestTextLong, RandomBitPatterns) {
  OracleTally tally;
  std::mt19937_64 random(0x5eed5eed);
  const std::uint64_t count = RandomCount();
  for (std::uint64_t i = 0; i < count; ++i)
    CompareWithToChars(tally, FromBits(random()));
  ExpectAllAgreed(tally, count - count / 1000);
}

TEST(ShortestTextLong, EdgesOfEveryBinade) {
  OracleTally tally;
  const std::uint64_t edge = std::uint64_t{1} << 16;
  for (std::uint64_t biased = 1; biased < 2047; ++biased)
    for (std::uint64_t f = 0; f < edge; ++f) {
      CompareWithToChars(tally, FromBits(biased << 52 | f));
      CompareWithToChars(tally, FromBits(biased << 52 | (FractionMask - f)));
    }
  ExpectAllAgreed(tally, 2046 * 2 * edge);
}

TEST(ShortestTextLong, FirstSubnormals) {
  OracleTally tally;
  for (std::uint64_t f = 1; f <= (std::uint64_t{1} << 24); ++f)
    CompareWithToChars(tally, FromBits(f));
  ExpectAllAgreed(tally, std::uint64_t{1} << 24);
}

} // namespace
