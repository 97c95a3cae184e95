// Unsigned 128-bit products and quotients for the software extended type:
// through unsigned __int128 where the compiler has it, else from 32-bit
// halves. Both ways are always compiled, so that the tests compare them.
#pragma once

#include <bit>
#include <cstdint>

struct Wide {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
};

// a * b from four 32-bit partial products.
constexpr Wide MultiplyWidePortable(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = a & 0xFFFFFFFF, a1 = a >> 32, b0 = b & 0xFFFFFFFF, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  // The middle column with the carry out of the low half; no sum overflows.
  const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFF) + (p10 & 0xFFFFFFFF);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFF)};
}

// (high * 2^64 + low) / divisor for high < divisor (so that the quotient fits
// 64 bits), with the remainder, by long division in two 32-bit digits: the
// divisor is normalised so that each digit's trial quotient from the top
// divisor digit is at most two too large.
constexpr std::uint64_t DivideWidePortable(std::uint64_t high, std::uint64_t low,
                                           std::uint64_t divisor, std::uint64_t &remainder) {
  // Step 1: shift divisor and numerator so that the divisor's top bit is set.
  const int shift = std::countl_zero(divisor);
  const std::uint64_t d = divisor << shift;
  const std::uint64_t top = shift == 0 ? high : (high << shift) | (low >> (64 - shift));
  const std::uint64_t rest = low << shift;
  const std::uint64_t d1 = d >> 32, d0 = d & 0xFFFFFFFF;
  // Step 2: one quotient digit of (u * 2^32 + next) / d, u < d, correcting the
  // trial digit u / d1 by the divisor's low digit.
  const auto digit = [d, d1, d0](std::uint64_t u, std::uint64_t next, std::uint64_t &left) {
    std::uint64_t q = u / d1, r = u - q * d1;
    while ((q >> 32) != 0 || q * d0 > ((r << 32) | next)) {
      --q;
      r += d1;
      if ((r >> 32) != 0)
        break;
    }
    left = ((u << 32) | next) - q * d; // the true remainder is below d: no wrap matters
    return q;
  };
  std::uint64_t middle = 0, last = 0;
  const std::uint64_t q1 = digit(top, rest >> 32, middle);
  const std::uint64_t q0 = digit(middle, rest & 0xFFFFFFFF, last);
  remainder = last >> shift;
  return (q1 << 32) | q0;
}

#if defined(__SIZEOF_INT128__)
inline Wide MultiplyWide(std::uint64_t a, std::uint64_t b) {
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
}

inline std::uint64_t DivideWide(std::uint64_t high, std::uint64_t low, std::uint64_t divisor,
                                std::uint64_t &remainder) {
#if defined(__x86_64__)
  // One divq: the quotient fits 64 bits, as the instruction needs (the
  // compiler would call a full 128-by-128-bit division instead).
  std::uint64_t q = 0;
  __asm__("divq %[d]" : "=a"(q), "=d"(remainder) : [d] "r"(divisor), "a"(low), "d"(high));
  return q;
#else
  const unsigned __int128 n = static_cast<unsigned __int128>(high) << 64 | low;
  const std::uint64_t q = static_cast<std::uint64_t>(n / divisor);
  remainder = low - q * divisor;
  return q;
#endif
}
#else
inline Wide MultiplyWide(std::uint64_t a, std::uint64_t b) { return MultiplyWidePortable(a, b); }

inline std::uint64_t DivideWide(std::uint64_t high, std::uint64_t low, std::uint64_t divisor,
                                std::uint64_t &remainder) {
  return DivideWidePortable(high, low, divisor, remainder);
}
#endif
