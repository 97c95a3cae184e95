// Exact unsigned integers and correct rounding to a binary format, to judge
// extended-precision results without using long double arithmetic.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

using Big = std::vector<std::uint32_t>; // least significant limb first, no leading zero limbs

inline Big &Trim(Big &a) {
  while (!a.empty() && a.back() == 0)
    a.pop_back();
  return a;
}

inline Big MakeBig(std::uint64_t v) {
  Big r{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
  return Trim(r);
}

inline int BitLength(const Big &a) {
  return a.empty() ? 0 : static_cast<int>((a.size() - 1) * 32 + std::bit_width(a.back()));
}

inline bool Less(const Big &a, const Big &b) {
  return a.size() != b.size() ? a.size() < b.size()
                              : std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

inline Big Mul(const Big &a, const Big &b) {
  Big r(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j <= b.size(); ++j, carry >>= 32) {
      carry += r[i + j] + (j < b.size() ? std::uint64_t(a[i]) * b[j] : 0);
      r[i + j] = static_cast<std::uint32_t>(carry);
    }
  }
  return Trim(r);
}

inline Big ShiftLeft(const Big &a, int bits) {
  Big power(static_cast<std::size_t>(bits / 32), 0);
  power.push_back(1u << (bits % 32));
  return Mul(a, power);
}

struct Binary { // significand * 2^exponent
  std::uint64_t significand = 0;
  int exponent = 0;
};

// num / den * 2^exp2 rounded to nearest, ties to even, to `bits` (at most 64)
// significant bits, keeping no bit below 2^minExp (by default the last bit of
// the smallest extended subnormal).
inline Binary RoundQuotient(const Big &num, const Big &den, int exp2, int bits = 64,
                            int minExp = -16445) {
  for (int s = bits - BitLength(num) + BitLength(den);; --s) {
    s = std::min(s, exp2 - minExp);
    const Big r = s >= 0 ? ShiftLeft(num, s) : num;
    const Big d = s >= 0 ? den : ShiftLeft(den, -s);
    if (!Less(r, ShiftLeft(d, bits)))
      continue; // the quotient would need bits + 1 bits
    // The quotient q bit by bit from the top, then 2r against (2q + 1) d.
    Binary v{0, exp2 - s};
    for (int i = bits - 1; i >= 0; --i)
      if (!Less(r, Mul(MakeBig(v.significand | std::uint64_t(1) << i), d)))
        v.significand |= std::uint64_t(1) << i;
    const std::uint64_t q = v.significand;
    Big odd{std::uint32_t(q << 1 | 1), std::uint32_t(q >> 31), std::uint32_t(q >> 63)};
    const Big twice = ShiftLeft(r, 1), midpoint = Mul(Trim(odd), d);
    if (Less(midpoint, twice) || (!Less(twice, midpoint) && (q & 1)))
      if (++v.significand == 0 || v.significand >> (bits - 1) > 1) // carried past `bits`
        v = {std::uint64_t(1) << (bits - 1), v.exponent + 1};
    return v;
  }
}

// a * b rounded once to a 64-bit significand.
inline Binary ExtendedProduct(Binary a, Binary b) {
  return RoundQuotient(Mul(MakeBig(a.significand), MakeBig(b.significand)), MakeBig(1),
                       a.exponent + b.exponent);
}

// Rounds to double, with subnormals and overflow to infinity.
inline double ToDouble(Binary v) {
  const Binary d = RoundQuotient(MakeBig(v.significand), MakeBig(1), v.exponent, 53, -1074);
  return std::ldexp(static_cast<double>(d.significand), d.exponent);
}

inline long double ToLongDouble(Binary v) {
  return std::ldexp(static_cast<long double>(v.significand), v.exponent);
}

// 10^n (n >= 0) the program's way: 10^(n mod 8) exactly, times the table
// powers for the bits of n div 8 in increasing order, then one extra 10^4096
// when n > 4096; every product rounded to 64 bits.
inline Binary ExtendedPowerOfTen(int n) {
  // The table: 10^(8 * 2^i), i = 0..9, each exact power rounded to 64 bits.
  static const std::vector<Binary> table = [] {
    std::vector<Binary> t;
    for (Big p = MakeBig(100000000); t.size() < 10; p = Mul(p, p))
      t.push_back(RoundQuotient(p, MakeBig(1), 0));
    return t;
  }();
  const bool extraTop = n > 4096;
  n -= extraTop ? 4096 : 0;
  Binary power{static_cast<std::uint64_t>(std::pow(10, n % 8)), 0};
  for (std::size_t i = 0; i < 10; ++i)
    if (((n / 8) >> i) & 1)
      power = ExtendedProduct(power, table[i]);
  return extraTop ? ExtendedProduct(power, table[9]) : power;
}
