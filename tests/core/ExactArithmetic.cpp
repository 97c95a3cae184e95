#include "ExactArithmetic.h"

#include <cmath>
#include <limits>

namespace {

void Trim(BigUint &a) {
  while (!a.limbs.empty() && a.limbs.back() == 0)
    a.limbs.pop_back();
}

} // namespace

BigUint BigUint::From(std::uint64_t v) {
  BigUint r;
  r.limbs = {static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
  Trim(r);
  return r;
}

int BigUint::BitLength() const {
  if (limbs.empty())
    return 0;
  int top = 0;
  for (std::uint32_t v = limbs.back(); v != 0; v >>= 1)
    ++top;
  return static_cast<int>(limbs.size() - 1) * 32 + top;
}

bool BigUint::Bit(int i) const {
  if (i < 0 || i / 32 >= static_cast<int>(limbs.size()))
    return false;
  return (limbs[static_cast<std::size_t>(i / 32)] >> (i % 32)) & 1u;
}

int Compare(const BigUint &a, const BigUint &b) {
  if (a.limbs.size() != b.limbs.size())
    return a.limbs.size() < b.limbs.size() ? -1 : 1;
  for (std::size_t i = a.limbs.size(); i-- > 0;)
    if (a.limbs[i] != b.limbs[i])
      return a.limbs[i] < b.limbs[i] ? -1 : 1;
  return 0;
}

BigUint Mul(const BigUint &a, const BigUint &b) {
  BigUint r;
  r.limbs.assign(a.limbs.size() + b.limbs.size(), 0);
  for (std::size_t i = 0; i < a.limbs.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < b.limbs.size(); ++j) {
      const std::uint64_t t = std::uint64_t(a.limbs[i]) * b.limbs[j] + r.limbs[i + j] + carry;
      r.limbs[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    r.limbs[i + b.limbs.size()] = static_cast<std::uint32_t>(carry);
  }
  Trim(r);
  return r;
}

BigUint ShiftLeft(const BigUint &a, int bits) {
  if (a.IsZero())
    return a;
  BigUint r;
  r.limbs.assign(static_cast<std::size_t>(bits / 32), 0);
  const int s = bits % 32;
  std::uint32_t carry = 0;
  for (std::uint32_t limb : a.limbs) {
    r.limbs.push_back(s == 0 ? limb : (limb << s) | carry);
    carry = s == 0 ? 0 : limb >> (32 - s);
  }
  r.limbs.push_back(carry);
  Trim(r);
  return r;
}

BigUint Sub(const BigUint &a, const BigUint &b) {
  BigUint r = a;
  std::int64_t borrow = 0;
  for (std::size_t i = 0; i < r.limbs.size(); ++i) {
    std::int64_t t =
        std::int64_t(r.limbs[i]) - borrow - (i < b.limbs.size() ? std::int64_t(b.limbs[i]) : 0);
    borrow = t < 0;
    r.limbs[i] = static_cast<std::uint32_t>(t + (borrow << 32));
  }
  Trim(r);
  return r;
}

void DivMod(const BigUint &a, const BigUint &b, BigUint &quotient, BigUint &remainder) {
  // Schoolbook binary division, one shifted subtraction per quotient bit;
  // the oracles only ever need quotients of about 70 bits.
  quotient = BigUint();
  remainder = a;
  for (int i = a.BitLength() - b.BitLength(); i >= 0; --i) {
    const BigUint shifted = ShiftLeft(b, i);
    if (Compare(remainder, shifted) >= 0) {
      remainder = Sub(remainder, shifted);
      quotient.limbs.resize(std::max(quotient.limbs.size(), std::size_t(i / 32 + 1)), 0);
      quotient.limbs[static_cast<std::size_t>(i / 32)] |= 1u << (i % 32);
    }
  }
  Trim(quotient);
}

BigUint ExactPowerOfTen(int n) {
  // Every power up to the largest asked for so far is kept.
  static std::vector<BigUint> powers{BigUint::From(1)};
  const BigUint ten = BigUint::From(10);
  while (static_cast<int>(powers.size()) <= n)
    powers.push_back(Mul(powers.back(), ten));
  return powers[static_cast<std::size_t>(n)];
}

Binary RoundQuotient(const BigUint &num, const BigUint &den, int exp2, int bits, int minExp) {
  if (num.IsZero())
    return {};
  // Scale so that the integer quotient carries at least two bits more than kept.
  int scale = bits + 2 - (num.BitLength() - den.BitLength());
  BigUint q, r;
  if (scale < 0 && Compare(den, BigUint::From(1)) == 0) {
    // An integer already long enough: its low bits are the rounding bits.
    scale = 0;
    q = num;
  } else if (scale >= 0)
    DivMod(ShiftLeft(num, scale), den, q, r);
  else
    DivMod(num, ShiftLeft(den, -scale), q, r);
  int drop = q.BitLength() - bits;
  int lsb = exp2 - scale + drop;
  if (lsb < minExp) {
    drop += minExp - lsb;
    lsb = minExp;
  }
  std::uint64_t m = 0;
  for (int i = q.BitLength() - 1; i >= drop; --i)
    m = (m << 1) | (q.Bit(i) ? 1u : 0u);
  bool sticky = !r.IsZero();
  for (int i = 0; i < drop - 1 && !sticky; ++i)
    sticky = q.Bit(i);
  if (q.Bit(drop - 1) && (sticky || (m & 1))) {
    ++m;
    if (bits < 64 && m == (std::uint64_t(1) << bits)) {
      m >>= 1;
      ++lsb;
    } else if (bits == 64 && m == 0) {
      m = std::uint64_t(1) << 63;
      ++lsb;
    }
  }
  return {m, lsb};
}

double RoundToDouble(Binary v) {
  const Binary d =
      RoundQuotient(BigUint::From(v.significand), BigUint::From(1), v.exponent, 53, -1074);
  if (d.significand != 0 && d.exponent + BigUint::From(d.significand).BitLength() > 1024)
    return std::numeric_limits<double>::infinity();
  return std::ldexp(static_cast<double>(d.significand), d.exponent);
}

Binary Decompose(long double v) {
  int e = 0;
  const long double f = std::frexp(v, &e); // v = f * 2^e, 0.5 <= f < 1
  return {static_cast<std::uint64_t>(std::ldexp(f, 64)), e - 64};
}

Binary ExtendedProduct(Binary a, Binary b) {
  return RoundQuotient(Mul(BigUint::From(a.significand), BigUint::From(b.significand)),
                       BigUint::From(1), a.exponent + b.exponent, 64, ExtendedMinExponent);
}

Binary ExtendedQuotient(Binary a, Binary b) {
  return RoundQuotient(BigUint::From(a.significand), BigUint::From(b.significand),
                       a.exponent - b.exponent, 64, ExtendedMinExponent);
}

Binary ExtendedPowerOfTen(int n) {
  static std::vector<Binary> table;
  if (table.empty())
    for (int i = 0; i < 10; ++i)
      table.push_back(
          RoundQuotient(ExactPowerOfTen(8 << i), BigUint::From(1), 0, 64, ExtendedMinExponent));
  const bool extraTop = n > 4096;
  if (extraTop)
    n -= 4096;
  std::uint64_t small = 1;
  for (int i = 0; i < n % 8; ++i)
    small *= 10;
  Binary power{small, 0};
  for (int i = 0; i < 10; ++i)
    if ((n / 8) & (1 << i))
      power = ExtendedProduct(power, table[static_cast<std::size_t>(i)]);
  if (extraTop)
    power = ExtendedProduct(power, table[9]);
  return power;
}
