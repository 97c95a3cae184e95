// The software extended type against an oracle, bit for bit: on x86 the x87
// unit itself (control word 0x037F), elsewhere MPFR at 64 bits with the x87
// exponent range and subnormalization (on x86 too, as a check of that
// oracle). Named groups of edge cases, hard rounding cases for division and
// square root built on purpose, and a seeded random run of RandomCount
// operand pairs per operation.
//
// Built with CALVORA_SOFT_EXTENDED_LONG (CALVORA_SOFT_EXTENDED_LONG_TEST=ON)
// the same groups make the long comparison: CALVORA_SOFT_EXTENDED_LONG_COUNT
// random pairs per operation (10^9 by default).
#include "core/SoftExtended.h"
#include "core/WideInteger.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#if defined(CALVORA_DIFFERENTIAL_MPFR)
#define MPFR_USE_INTMAX_T 1
#include <mpfr.h>
#endif

#if (defined(__i386__) || defined(__x86_64__)) && LDBL_MANT_DIG == 64
#define CALVORA_HAS_X87 1
#else
#define CALVORA_HAS_X87 0
#endif

namespace {

#ifdef CALVORA_SOFT_EXTENDED_LONG
const char *const LongCount = std::getenv("CALVORA_SOFT_EXTENDED_LONG_COUNT");
const std::uint64_t RandomCount = LongCount ? std::strtoull(LongCount, nullptr, 10) : 1000000000;
#else
const std::uint64_t RandomCount = 1000000;
#endif

using Soft = SoftExtended;

constexpr std::uint64_t Top = std::uint64_t(1) << 63, Quiet = Top >> 1, All = ~std::uint64_t(0);

Soft Bits(std::uint16_t signExponent, std::uint64_t significand) {
  return Soft::FromBits(signExponent, significand);
}

std::string Hex(Soft x) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%04X:%016llX", unsigned(x.signExponent),
                static_cast<unsigned long long>(x.significand));
  return text;
}

bool SameBits(Soft a, Soft b) {
  return a.signExponent == b.signExponent && a.significand == b.significand;
}

enum class Operation { Add, Subtract, Multiply, Divide, SquareRoot };

const char *const OperationNames[] = {"+", "-", "*", "/", "sqrt"};

Soft Apply(Operation op, Soft a, Soft b) {
  switch (op) {
  case Operation::Add:
    return a + b;
  case Operation::Subtract:
    return a - b;
  case Operation::Multiply:
    return a * b;
  case Operation::Divide:
    return a / b;
  default:
    return SquareRoot(a);
  }
}

// ---- The oracles -------------------------------------------------------------
//
// Each gives the exact result of an operation rounded as the x87 unit rounds
// it. An oracle that cannot tell a NaN's sign and payload (MPFR) says only
// "a NaN"; the NaN rules are then checked by the literal table below, which
// the x87 unit confirms on x86.

struct Verdict {
  Soft value;
  bool anyNaN = false; // only "some NaN" is known
};

#if CALVORA_HAS_X87
long double Hardware(Soft x) {
  long double v = 0;
  std::memcpy(&v, &x.significand, 8);
  std::memcpy(reinterpret_cast<unsigned char *>(&v) + 8, &x.signExponent, 2);
  return v;
}

Soft FromHardware(long double v) {
  Soft x;
  std::memcpy(&x.significand, &v, 8);
  std::memcpy(&x.signExponent, reinterpret_cast<const unsigned char *>(&v) + 8, 2);
  return x;
}

unsigned short ControlWord() {
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

struct X87Oracle {
  static constexpr const char *name = "x87";

  static Verdict Operate(Operation op, Soft a, Soft b) {
    const long double x = Hardware(a), y = Hardware(b);
    switch (op) {
    case Operation::Add:
      return {FromHardware(x + y)};
    case Operation::Subtract:
      return {FromHardware(x - y)};
    case Operation::Multiply:
      return {FromHardware(x * y)};
    case Operation::Divide:
      return {FromHardware(x / y)};
    default:
      return {FromHardware(std::sqrt(x))};
    }
  }

  static double ToDouble(Soft a) { return static_cast<double>(Hardware(a)); }

  static Verdict FromDouble(double d) { return {FromHardware(d)}; }

  static Verdict FromInteger(std::int64_t v) { return {FromHardware(static_cast<long double>(v))}; }

  static Verdict FromUnsigned(std::uint64_t v) {
    return {FromHardware(static_cast<long double>(v))};
  }

  static Verdict Rint(Soft a) { return {FromHardware(std::rint(Hardware(a)))}; }

  static Verdict Next(Soft a, bool up) {
    return {FromHardware(std::nextafter(Hardware(a), up ? HUGE_VALL : -HUGE_VALL))};
  }

  // Bit 0 <, bit 1 <=, bit 2 ==, bit 3 >, bit 4 >=.
  static int Compare(Soft a, Soft b) {
    const long double x = Hardware(a), y = Hardware(b);
    return (x < y) | (x <= y) << 1 | (x == y) << 2 | (x > y) << 3 | (x >= y) << 4;
  }
};
#endif

#if defined(CALVORA_DIFFERENTIAL_MPFR)
// x87 range in MPFR's terms (x = 0.1b... * 2^e): the smallest subnormal has
// e = -16444, the largest value e = 16384.
void UseExtendedRange() {
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
}

void UseWidestRange() {
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
}

// Working variables, made once: x and y hold operands, r a result, w
// wider values.
struct Scratch {
  mpfr_t x, y, r, d, w1, w2;

  Scratch() {
    mpfr_inits2(64, x, y, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_init2(d, 53);
    mpfr_inits2(256, w1, w2, static_cast<mpfr_ptr>(nullptr));
  }
};

Scratch &Mp() {
  static Scratch scratch;
  return scratch;
}

// m = x exactly (m's precision at least 64); leaves the widest range set.
void SetSoft(mpfr_ptr m, Soft x) {
  UseWidestRange();
  const int field = x.signExponent & 0x7FFF;
  if (field == 0x7FFF) {
    if (x.IsNaN())
      mpfr_set_nan(m);
    else
      mpfr_set_inf(m, x.IsNegative() ? -1 : 1);
    return;
  }
  if (x.significand == 0) {
    mpfr_set_zero(m, x.IsNegative() ? -1 : 1);
    return;
  }
  mpfr_set_uj(m, x.significand, MPFR_RNDN);
  mpfr_mul_2si(m, m, (field == 0 ? 1 : field) - 16383 - 63, MPFR_RNDN);
  if (x.IsNegative())
    mpfr_neg(m, m, MPFR_RNDN);
}

// m, computed in the widest range with the ternary value `inexact` of its
// rounding to 64 bits in direction `rounding`, rounded once into the x87
// range (overflow, then the subnormal positions).
void ToExtendedRange(mpfr_ptr m, int inexact, mpfr_rnd_t rounding) {
  UseExtendedRange();
  inexact = mpfr_check_range(m, inexact, rounding);
  mpfr_subnormalize(m, inexact, rounding);
  UseWidestRange();
}

// m (a value of the x87 format) as its bits.
Soft GetSoft(mpfr_srcptr m) {
  UseWidestRange();
  if (mpfr_inf_p(m))
    return Bits(mpfr_signbit(m) ? 0xFFFF : 0x7FFF, Top);
  if (mpfr_zero_p(m))
    return Bits(mpfr_signbit(m) ? 0x8000 : 0, 0);
  mpfr_ptr t = Mp().w2;
  mpfr_abs(t, m, MPFR_RNDN);
  const mpfr_exp_t e = mpfr_get_exp(t); // |m| = 0.1b... * 2^e
  mpfr_mul_2si(t, t, 64 - e, MPFR_RNDN);
  std::uint64_t significand = mpfr_get_uj(t, MPFR_RNDN);
  int field = static_cast<int>(e) - 1 + 16383;
  if (field <= 0) {
    significand >>= 1 - field;
    field = 0;
  }
  return Bits(static_cast<std::uint16_t>((mpfr_signbit(m) ? 0x8000 : 0) | field), significand);
}

struct MpfrOracle {
  static constexpr const char *name = "MPFR";

  // The exact operation rounded to 64 bits, then into the x87 range: one
  // rounding to the x87 format.
  static Verdict Operate(Operation op, Soft a, Soft b) {
    Scratch &m = Mp();
    SetSoft(m.x, a);
    SetSoft(m.y, b);
    int inexact = 0;
    switch (op) {
    case Operation::Add:
      inexact = mpfr_add(m.r, m.x, m.y, MPFR_RNDN);
      break;
    case Operation::Subtract:
      inexact = mpfr_sub(m.r, m.x, m.y, MPFR_RNDN);
      break;
    case Operation::Multiply:
      inexact = mpfr_mul(m.r, m.x, m.y, MPFR_RNDN);
      break;
    case Operation::Divide:
      inexact = mpfr_div(m.r, m.x, m.y, MPFR_RNDN);
      break;
    default:
      inexact = mpfr_sqrt(m.r, m.x, MPFR_RNDN);
      break;
    }
    if (mpfr_nan_p(m.r))
      return {Soft(), true};
    ToExtendedRange(m.r, inexact, MPFR_RNDN);
    return {GetSoft(m.r)};
  }

  static double ToDouble(Soft a) {
    Scratch &m = Mp();
    SetSoft(m.x, a);
    if (mpfr_nan_p(m.x)) // a NaN keeps its sign (and the top of its payload)
      return std::copysign(std::nan(""), a.IsNegative() ? -1.0 : 1.0);
    int inexact = mpfr_set(m.d, m.x, MPFR_RNDN);
    mpfr_set_emin(-1073); // the double's range: 2^-1074 = 0.1b * 2^-1073
    mpfr_set_emax(1024);
    inexact = mpfr_check_range(m.d, inexact, MPFR_RNDN);
    mpfr_subnormalize(m.d, inexact, MPFR_RNDN);
    const double d = mpfr_get_d(m.d, MPFR_RNDN);
    UseWidestRange();
    return d;
  }

  static Verdict FromDouble(double d) {
    if (std::isnan(d))
      return {Soft(), true};
    UseWidestRange();
    mpfr_set_d(Mp().x, d, MPFR_RNDN);
    return {GetSoft(Mp().x)};
  }

  static Verdict FromInteger(std::int64_t value) {
    UseWidestRange();
    mpfr_set_sj(Mp().x, value, MPFR_RNDN);
    return {GetSoft(Mp().x)};
  }

  static Verdict FromUnsigned(std::uint64_t value) {
    UseWidestRange();
    mpfr_set_uj(Mp().x, value, MPFR_RNDN);
    return {GetSoft(Mp().x)};
  }

  static Verdict Rint(Soft a) {
    if (a.IsNaN())
      return {Soft(), true};
    SetSoft(Mp().x, a);
    mpfr_rint(Mp().x, Mp().x, MPFR_RNDN); // ties to even; a zero result keeps the sign
    return {GetSoft(Mp().x)};
  }

  // The neighbour is the value with nothing of the format strictly between:
  // the midpoint, rounded once up and once down into the format, gives the
  // two ends. Infinities step to the largest finite value or stay.
  static Verdict Next(Soft a, bool up) {
    if (a.IsNaN())
      return {Soft(), true};
    const bool infinity = (a.signExponent & 0x7FFF) == 0x7FFF;
    if (infinity && a.IsNegative() == !up)
      return {a};
    if (infinity)
      return {Bits(a.IsNegative() ? 0xFFFE : 0x7FFE, All)};
    const Soft candidate = up ? NextAbove(a) : NextBelow(a);
    Scratch &m = Mp();
    SetSoft(m.x, a);
    SetSoft(m.y, candidate);
    bool ok = up ? mpfr_less_p(m.x, m.y) : mpfr_greater_p(m.x, m.y);
    if (ok && mpfr_number_p(m.y)) {
      mpfr_add(m.w1, m.x, m.y, MPFR_RNDN); // exact at 256 bits
      mpfr_div_2ui(m.w1, m.w1, 1, MPFR_RNDN);
      for (const mpfr_rnd_t direction : {MPFR_RNDU, MPFR_RNDD}) {
        const int inexact = mpfr_set(m.r, m.w1, direction);
        ToExtendedRange(m.r, inexact, direction);
        const bool towardCandidate = (direction == MPFR_RNDU) == up;
        ok = ok && mpfr_equal_p(m.r, towardCandidate ? m.y : m.x);
      }
    }
    return {ok ? candidate : Bits(0x7FFF, Top | 1)}; // a signalling NaN: never the answer
  }

  static int Compare(Soft a, Soft b) {
    Scratch &m = Mp();
    SetSoft(m.x, a);
    SetSoft(m.y, b);
    return mpfr_less_p(m.x, m.y) | mpfr_lessequal_p(m.x, m.y) << 1 | mpfr_equal_p(m.x, m.y) << 2 |
           mpfr_greater_p(m.x, m.y) << 3 | mpfr_greaterequal_p(m.x, m.y) << 4;
  }
};
#endif

int SoftCompare(Soft a, Soft b) {
  return (a < b) | (a <= b) << 1 | (a == b) << 2 | (a > b) << 3 | (a >= b) << 4;
}

bool Agrees(const Verdict &want, Soft got) {
  return want.anyNaN ? got.IsNaN() : SameBits(want.value, got);
}

// Counts the cases checked and the differences, reporting the first few;
// the message is only made for a difference.
struct Tally {
  std::uint64_t checked = 0, differences = 0;

  template <class Message> void Check(bool same, Message message) {
    ++checked;
    if (!same && ++differences <= 10)
      ADD_FAILURE() << message();
  }
};

template <class Oracle> void CheckOperation(Tally &t, Operation op, Soft a, Soft b) {
  const Soft got = Apply(op, a, b);
  const Verdict want = Oracle::Operate(op, a, b);
  t.Check(Agrees(want, got), [&] {
    return std::string(Oracle::name) + ": " + Hex(a) + " " + OperationNames[int(op)] + " " +
           Hex(b) + " gave " + Hex(got) + ", want " + (want.anyNaN ? "a NaN" : Hex(want.value));
  });
}

double AsDouble(std::uint64_t bits) {
  double d = 0;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

std::uint64_t DoubleBits(double d) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

// Every unary check of one value: conversion to double and back, rounding
// to an integer, both neighbours, and the square root.
template <class Oracle> void CheckUnary(Tally &t, Soft a) {
  const double got = static_cast<double>(a), want = Oracle::ToDouble(a);
  t.Check(DoubleBits(got) == DoubleBits(want) ||
              (std::isnan(got) && std::isnan(want) && std::signbit(got) == std::signbit(want)),
          [&] { return std::string(Oracle::name) + ": double of " + Hex(a); });
  const auto report = [&](const char *what, Soft result) {
    return [&, what, result] {
      return std::string(Oracle::name) + ": " + what + " " + Hex(a) + " gave " + Hex(result);
    };
  };
  t.Check(Agrees(Oracle::Rint(a), RoundToInteger(a)), report("rint", RoundToInteger(a)));
  t.Check(Agrees(Oracle::Next(a, true), NextAbove(a)), report("next above", NextAbove(a)));
  t.Check(Agrees(Oracle::Next(a, false), NextBelow(a)), report("next below", NextBelow(a)));
  CheckOperation<Oracle>(t, Operation::SquareRoot, a, a);
}

template <class Oracle> void CheckBinary(Tally &t, Soft a, Soft b) {
  for (Operation op : {Operation::Add, Operation::Subtract, Operation::Multiply, Operation::Divide})
    CheckOperation<Oracle>(t, op, a, b);
  t.Check(SoftCompare(a, b) == Oracle::Compare(a, b), [&] {
    return std::string(Oracle::name) + ": comparisons of " + Hex(a) + " and " + Hex(b);
  });
}

// Every pair of a list, both ways, and every value alone.
template <class Oracle> void CheckAllPairs(Tally &t, const std::vector<Soft> &values) {
  for (Soft a : values) {
    CheckUnary<Oracle>(t, a);
    for (Soft b : values)
      CheckBinary<Oracle>(t, a, b);
  }
}

// ---- Edge groups ---------------------------------------------------------------

std::vector<Soft> WithNegatives(std::vector<Soft> values) {
  const std::size_t n = values.size();
  for (std::size_t i = 0; i < n; ++i)
    values.push_back(-values[i]);
  return values;
}

const Soft One = Bits(0x3FFF, Top);

// Zeros against themselves and every kind of value.
std::vector<Soft> ZeroGroup() {
  return WithNegatives({Bits(0, 0), One, Bits(0, 1), Bits(1, Top), Bits(0x7FFE, All),
                        Bits(0x7FFF, Top), Bits(0x7FFF, Top | Quiet)});
}

// Infinities with infinities, zeros, the extremes and NaNs.
std::vector<Soft> InfinityGroup() {
  return WithNegatives({Bits(0x7FFF, Top), Bits(0, 0), One, Bits(0x7FFE, All), Bits(0, 1),
                        Bits(0x7FFF, Top | 3 * (Top >> 2))});
}

// Quiet and signalling NaNs of both signs with small and large payloads,
// equal payloads of opposite signs, against each other and numbers.
std::vector<Soft> NaNGroup() {
  return WithNegatives({Bits(0x7FFF, Top | Quiet), Bits(0x7FFF, Top | Quiet | 1),
                        Bits(0x7FFF, Top | Quiet | 0x123456789), Bits(0x7FFF, Top | 5),
                        Bits(0x7FFF, Top | 9), Bits(0x7FFF, All), Bits(0x7FFF, Top | (Top >> 2)),
                        One, Bits(0, 0), Bits(0x7FFF, Top)});
}

// Significands of all ones and their neighbours, whose sums, products and
// roundings carry into the next binade.
std::vector<Soft> CarryGroup() {
  return WithNegatives({Bits(0x3FFF, All), Bits(0x3FFF, All - 1), Bits(0x3FBF, Top),
                        Bits(0x3FBE, Top), Bits(0x3FBE, Top | 1), Bits(0x3FC0, Top),
                        Bits(0x3FFE, All), Bits(0x4000, All), Bits(0x3FFF, Top | 1),
                        Bits(0x403D, All), Bits(0x403E, All)});
}

// The top of the range: products, sums and quotients that overflow or just
// do not.
std::vector<Soft> OverflowGroup() {
  return WithNegatives({Bits(0x7FFE, All), Bits(0x7FFE, All - 1), Bits(0x7FFE, Top),
                        Bits(0x7FBE, Top), Bits(0x7FBD, Top), Bits(0x7FBD, Top | 1), One,
                        Bits(0x3FFF, Top | 1), Bits(0x3FFE, All), Bits(0x4000, Top),
                        Bits(0x3FFE, Top), Bits(0x2000, Top)});
}

// The bottom: subnormal operands and results, the smallest normal, ties at
// the subnormal positions, results that round up to the smallest normal.
std::vector<Soft> UnderflowGroup() {
  return WithNegatives({Bits(0, 1), Bits(0, 2), Bits(0, 3), Bits(0, Top - 1), Bits(0, Top >> 1),
                        Bits(1, Top), Bits(1, Top | 1), Bits(1, All), Bits(2, Top),
                        Bits(0x3FFE, Top), Bits(0x3FFE, Top | 1), Bits(0x3FFF, All),
                        Bits(0x3FBF, Top), Bits(0x3FC0, Top | 1), Bits(0x3FBE, All),
                        Bits(0x1FFF, Top), Bits(0x2000, Top | 3), Bits(0x0040, Top)});
}

// Operands whose exact sums and products lie exactly halfway between two
// extended values, both parities of the last place.
std::vector<Soft> TieGroup() {
  return WithNegatives({One, Bits(0x3FFF, Top | 1), Bits(0x3FFF, Top | 2), Bits(0x3FFF, Top | 3),
                        Bits(0x3FBF, Top), Bits(0x3FBE, Top), Bits(0x3FBE, Top | Top >> 1),
                        Bits(0x403E, Top | 1), Bits(0x3FFF, Top | Top >> 32),
                        Bits(0x4000, Top | Top >> 32 | 1), Bits(0x401F, Top | 1ULL << 32)});
}

// Values at and next to the double's ties, and in and below the double's
// subnormal range, each converted to double.
std::vector<Soft> DoubleConversionGroup() {
  std::vector<Soft> values;
  for (int field : {0x3FFF, 0x43FE, 0x43FF, 0x3C01, 0x3C00, 0x3BFF, 0x3BCD, 0x3BCC, 0x3BCB})
    for (std::uint64_t significand :
         {Top, Top | 0x400, Top | 0x401, Top | 0x3FF, Top | 0xC00, Top | 0x800, All, All - 0x3FF,
          Top | 0xBFF, Top | 1, All << 11})
      values.push_back(Bits(static_cast<std::uint16_t>(field), significand));
  // Every position of the subnormal double range: 2^-1022 down to 2^-1076.
  for (int field = 0x3C01; field >= 0x3BCA; --field)
    for (std::uint64_t significand : {Top, Top | Top >> 1, Top | Top >> 1 | 1, All})
      values.push_back(Bits(static_cast<std::uint16_t>(field), significand));
  return WithNegatives(values);
}

// The x87 default NaN and the NaN propagation rules as the x87 unit gives
// them, written down so that every build checks them (on x86 the unit
// confirms the table itself).
struct NaNCase {
  Operation op;
  Soft a, b, want;
};

std::vector<NaNCase> NaNRules() {
  const Soft zero = Bits(0, 0), inf = Bits(0x7FFF, Top), defaultNaN = Bits(0xFFFF, Top | Quiet);
  const Soft q1 = Bits(0x7FFF, Top | Quiet | 1), q2 = Bits(0x7FFF, Top | Quiet | 2);
  const Soft s5 = Bits(0x7FFF, Top | 5), s9 = Bits(0x7FFF, Top | 9);
  const auto quiet = [](Soft x) { return Bits(x.signExponent, x.significand | Top >> 1); };
  return {
      {Operation::Divide, zero, zero, defaultNaN},  // 0/0
      {Operation::Subtract, inf, inf, defaultNaN},  // inf - inf
      {Operation::Add, inf, -inf, defaultNaN},      // inf + -inf
      {Operation::Multiply, zero, inf, defaultNaN}, // 0 * inf
      {Operation::Divide, inf, -inf, defaultNaN},   // inf / inf
      {Operation::SquareRoot, -One, -One, defaultNaN},
      {Operation::SquareRoot, -inf, -inf, defaultNaN},
      {Operation::Add, q1, -q1, q1},          // equal significands: the positive one
      {Operation::Multiply, -q1, q1, q1},     // either order
      {Operation::Add, q1, q2, q2},           // the larger significand
      {Operation::Subtract, One, -q1, -q1},   // a NaN keeps its sign through a difference
      {Operation::Add, s9, -q1, -q1},         // a quiet NaN before a signalling one
      {Operation::Divide, s5, s9, quiet(s9)}, // two signalling ones: the larger, made quiet
      {Operation::Multiply, s5, -s5, quiet(s5)},
      {Operation::Add, -s5, One, quiet(-s5)},
      {Operation::SquareRoot, -s9, -s9, quiet(-s9)},
  };
}

// ---- Hard rounding cases -------------------------------------------------------

#if defined(__SIZEOF_INT128__)
using U128 = unsigned __int128;

// Quotients a/b = (q + 1/2 + r/(2b)) ulp for odd r of a few units: with b
// odd, 2q + 1 = -r / b mod 2^65 makes b (2q + 1) + r a multiple of 2^65,
// and a = (b (2q + 1) + r) / 2^65 then a significand of 64 bits.
std::vector<std::pair<Soft, Soft>> HardQuotients(std::mt19937_64 &random, int count) {
  std::vector<std::pair<Soft, Soft>> pairs;
  const U128 mask = (U128(1) << 65) - 1;
  while (int(pairs.size()) < count) {
    const std::uint64_t b = random() | Top | 1;
    U128 inverse = b; // 1/b mod 2^128 by Newton's iteration: 3 correct bits, doubling
    for (int i = 0; i < 6; ++i)
      inverse *= 2 - U128(b) * inverse;
    const long long r = static_cast<long long>(random() % 8) * 2 - 7; // -7, -5, ..., 7
    const U128 odd = (U128(0) - U128(r) * inverse) & mask;            // 2q + 1
    if (odd < (U128(1) << 64))
      continue; // q would not have 64 bits
    // b * odd + r as a carry bit (2^128) and 128 low bits.
    const U128 lowProduct = U128(b) * std::uint64_t(odd);
    const U128 product = lowProduct + (U128(b) << 64);
    const U128 sum = product + U128(r);
    const int top = (product < lowProduct) + (r > 0 && sum < product) - (r < 0 && sum > product);
    const U128 a = sum >> 65 | U128(top) << 63;
    if ((sum & mask) != 0 || a < (U128(1) << 63) || a >= (U128(1) << 64))
      continue;
    const Soft x = Bits(static_cast<std::uint16_t>(((random() & 1) ? 0x8000 : 0) |
                                                   (0x3FFF + int(random() % 200) - 100)),
                        std::uint64_t(a));
    const Soft y = Bits(static_cast<std::uint16_t>(0x3FFF + int(random() % 200) - 100), b);
    pairs.push_back({x, y});
  }
  return pairs;
}

// Roots sqrt(x) = (r + 1/2 + tiny) ulp: s^2 = -t mod 2^66 for t = 7 mod 8
// (every odd square is 1 mod 8), s lifted one bit at a time; 2r + 1 = s mod
// 2^65 taken in [2^64, 2^65) and x = ((2r + 1)^2 + t) / 2^66, so that
// sqrt(x * 2^66) = 2r + 1 + t / (2 (2r + 1)) to first order.
std::vector<Soft> HardRoots(std::mt19937_64 &random, int count) {
  std::vector<Soft> roots;
  const U128 mask65 = (U128(1) << 65) - 1, mask66 = (U128(1) << 66) - 1;
  while (int(roots.size()) < count) {
    const long long t = static_cast<long long>(random() % 6) * 8 - 17; // -17, -9, ..., 23
    const U128 target = U128(0) - U128(t);
    U128 s = 1;
    for (int k = 3; k < 66; ++k)
      if (((s * s - target) >> k & 1) != 0)
        s += U128(1) << (k - 1);
    s &= mask65;
    if (random() & 1)
      s = (mask65 + 1 - s) & mask65; // the other root
    if (s < (U128(1) << 64))
      continue;
    // s^2 = 2^128 + lo * 2^65 + lo^2 for s = 2^64 + lo, then + t: a carry
    // count above 2^128 and 128 low bits.
    const std::uint64_t lo = std::uint64_t(s);
    const U128 square = U128(lo) * lo;
    const U128 low = square + (U128(lo) << 65);
    const U128 sum = low + U128(t);
    const int high =
        1 + int(lo >> 63) + (low < square) + (t > 0 && sum < low) - (t < 0 && sum > low);
    if ((sum & mask66) != 0)
      continue;
    const U128 x = sum >> 66 | U128(high) << 62;
    if (x < (U128(1) << 63) || x >= (U128(1) << 64))
      continue;
    // An even power of two keeps the root's bits: x * 2^(2h - 64).
    const int h = int(random() % 400) - 200;
    roots.push_back(Bits(static_cast<std::uint16_t>(0x3FFF - 1 + 2 * h), std::uint64_t(x)));
  }
  return roots;
}
#endif

// ---- Random operands -------------------------------------------------------------

// Canonical values of every kind: mostly normal with random, short or
// all-ones significands at random exponents, some near the ends of the
// range, subnormals, zeros, infinities and NaNs.
Soft RandomValue(std::mt19937_64 &random) {
  const std::uint64_t r = random(), bits = random();
  const std::uint16_t sign = (r & 1) != 0 ? 0x8000 : 0;
  std::uint64_t significand = bits | Top;
  switch ((r >> 1) % 16) {
  case 0:
    significand &= All << (r >> 8) % 64; // a short significand: exact results, ties
    break;
  case 1:
    significand = All << (r >> 8) % 8; // runs of ones: carries
    break;
  default:
    break;
  }
  const int kind = static_cast<int>((r >> 16) % 64);
  int field = 0;
  if (kind == 0)
    return Bits(sign, 0);
  if (kind == 1)
    return Bits(sign | 0x7FFF, Top);
  if (kind == 2)
    return Bits(sign | 0x7FFF, Top | (bits >> 1 | 1));
  if (kind < 6)
    return Bits(sign, (bits & ~Top) >> (r >> 24) % 64); // subnormal or zero
  if (kind < 10)
    field = 1 + static_cast<int>((r >> 24) % 80); // the bottom of the range
  else if (kind < 14)
    field = 0x7FFE - static_cast<int>((r >> 24) % 80); // the top
  else if (kind < 40)
    field = 0x3FFF - 80 + static_cast<int>((r >> 24) % 160); // around 1
  else
    field = 1 + static_cast<int>((r >> 24) % 0x7FFE);
  return Bits(static_cast<std::uint16_t>(sign | field), significand);
}

// A second operand: half the time at an exponent near the first one's, so
// that sums cancel and quotients stay in range.
Soft RandomPartner(std::mt19937_64 &random, Soft a) {
  const std::uint64_t r = random();
  if ((r & 1) != 0 || (a.signExponent & 0x7FFF) == 0 || (a.signExponent & 0x7FFF) == 0x7FFF)
    return RandomValue(random);
  int field = (a.signExponent & 0x7FFF) + static_cast<int>((r >> 1) % 131) - 65;
  field = field < 1 ? 1 : field > 0x7FFE ? 0x7FFE : field;
  std::uint64_t significand = random() | Top;
  if ((r >> 16) % 4 == 0) // close to the first significand
    significand = (a.significand & All << (r >> 20) % 64) | (random() & ~(All << (r >> 20) % 64));
  return Bits(static_cast<std::uint16_t>(((r >> 40) & 1 ? 0x8000 : 0) | field), significand | Top);
}

template <class Oracle> void RunRandom(std::uint64_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  Tally binary, unary;
  for (std::uint64_t i = 0; i < count; ++i) {
    const Soft a = RandomValue(random), b = RandomPartner(random, a);
    CheckBinary<Oracle>(binary, a, b);
    CheckUnary<Oracle>(unary, a);
    // Doubles of every kind in, integers in.
    const double d = AsDouble(random());
    binary.Check(Agrees(Oracle::FromDouble(d), Soft(d)),
                 [&] { return "from double " + std::to_string(DoubleBits(d)); });
    const std::int64_t n = static_cast<std::int64_t>(random()) >> (random() % 64);
    binary.Check(Agrees(Oracle::FromInteger(n), Soft(n)) &&
                     Agrees(Oracle::FromUnsigned(std::uint64_t(n)), Soft(std::uint64_t(n))),
                 [&] { return "from integer " + std::to_string(n); });
    if (::testing::Test::HasFatalFailure())
      return;
  }
  EXPECT_EQ(binary.differences + unary.differences, 0u);
  std::printf("%s: %llu operand pairs, each through + - * / and the comparisons, and %llu unary "
              "checks (sqrt, double, rint, neighbours), conversions in: %llu differences\n",
              Oracle::name, static_cast<unsigned long long>(count),
              static_cast<unsigned long long>(unary.checked),
              static_cast<unsigned long long>(binary.differences + unary.differences));
  ::testing::Test::RecordProperty("pairs", std::to_string(count));
}

// ---- The groups, per oracle -------------------------------------------------------

template <class Oracle> void RunEdgeGroups() {
  const struct {
    const char *name;
    std::vector<Soft> values;
  } groups[] = {{"zeros", ZeroGroup()},
                {"infinities", InfinityGroup()},
                {"NaNs", NaNGroup()},
                {"carry into the next binade", CarryGroup()},
                {"overflow at the top exponent", OverflowGroup()},
                {"gradual underflow", UnderflowGroup()},
                {"ties", TieGroup()},
                {"conversions to double", DoubleConversionGroup()}};

  for (const auto &group : groups) {
    Tally t;
    CheckAllPairs<Oracle>(t, group.values);
    EXPECT_EQ(t.differences, 0u) << group.name;
  }
  // 64-bit integer extremes in, and back out by truncation.
  Tally t;
  for (std::int64_t n :
       {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min() + 1,
        std::int64_t(-1), std::int64_t(0), std::int64_t(1), (std::int64_t(1) << 53) + 1,
        std::numeric_limits<std::int64_t>::max() - 1, std::numeric_limits<std::int64_t>::max()}) {
    t.Check(Agrees(Oracle::FromInteger(n), Soft(n)) && static_cast<std::int64_t>(Soft(n)) == n,
            [&] { return "int64 " + std::to_string(n); });
    const std::uint64_t u = std::uint64_t(n);
    t.Check(Agrees(Oracle::FromUnsigned(u), Soft(u)) && static_cast<std::uint64_t>(Soft(u)) == u,
            [&] { return "uint64 " + std::to_string(u); });
  }
  EXPECT_EQ(t.differences, 0u) << "64-bit integer extremes";
}

template <class Oracle> void RunHardCases() {
#if defined(__SIZEOF_INT128__)
  std::mt19937_64 random(20251207);
  Tally t;
  for (const auto &[a, b] : HardQuotients(random, 20000)) {
    CheckOperation<Oracle>(t, Operation::Divide, a, b);
    CheckOperation<Oracle>(t, Operation::Multiply, Apply(Operation::Divide, a, b), b);
  }
  for (Soft x : HardRoots(random, 20000))
    CheckOperation<Oracle>(t, Operation::SquareRoot, x, x);
  EXPECT_EQ(t.differences, 0u);
  EXPECT_EQ(t.checked, 60000u);
#else
  GTEST_SKIP() << "the hard cases are built with 128-bit integers";
#endif
}

template <class Oracle> void RunNaNRules() {
  Tally t;
  for (const NaNCase &c : NaNRules()) {
    const Soft got = Apply(c.op, c.a, c.b);
    const std::string operation = Hex(c.a) + " " + OperationNames[int(c.op)] + " " + Hex(c.b);
    t.Check(SameBits(got, c.want),
            [&] { return "rule " + operation + " gave " + Hex(got) + ", want " + Hex(c.want); });
    t.Check(Agrees(Oracle::Operate(c.op, c.a, c.b), c.want),
            [&] { return std::string(Oracle::name) + " disagrees with rule " + operation; });
  }
  // The default NaN's sign reaches a double.
  t.Check(std::signbit(static_cast<double>(Bits(0, 0) / Bits(0, 0))),
          [] { return std::string("sign of 0/0 as a double"); });
  EXPECT_EQ(t.differences, 0u);
}

} // namespace

#if CALVORA_HAS_X87
class X87 : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(ControlWord(), 0x037F) << "the x87 unit's control word"; }
};

TEST_F(X87, EdgeGroups) { RunEdgeGroups<X87Oracle>(); }

TEST_F(X87, NaNRules) { RunNaNRules<X87Oracle>(); }

TEST_F(X87, HardQuotientsAndRoots) { RunHardCases<X87Oracle>(); }

TEST_F(X87, SeededRandomPairs) { RunRandom<X87Oracle>(RandomCount, 1); }
#endif

#if defined(CALVORA_DIFFERENTIAL_MPFR)
TEST(Mpfr, EdgeGroups) { RunEdgeGroups<MpfrOracle>(); }

TEST(Mpfr, NaNRules) { RunNaNRules<MpfrOracle>(); }

TEST(Mpfr, HardQuotientsAndRoots) { RunHardCases<MpfrOracle>(); }

// Where the x87 unit is the oracle, MPFR checks 100,000 pairs (it is far
// slower, and the point there is that this oracle agrees too).
TEST(Mpfr, SeededRandomPairs) { RunRandom<MpfrOracle>(CALVORA_HAS_X87 ? 100000 : RandomCount, 2); }
#endif

// The 128-bit helpers the type uses where the compiler has no 128-bit
// integer, against the ones it uses where it does.
TEST(WideInteger, PortableHalvesMatch) {
  std::mt19937_64 random(99);
  int wrong = 0;
  for (int i = 0; i < 1000000; ++i) {
    const std::uint64_t a = random() >> (random() % 64), b = random() >> (random() % 64);
    const Wide p = MultiplyWidePortable(a, b), q = MultiplyWide(a, b);
    wrong += p.high != q.high || p.low != q.low;
    const std::uint64_t divisor = b | 1, high = a % divisor, low = random();
    std::uint64_t r1 = 0, r2 = 0;
    wrong += DivideWidePortable(high, low, divisor, r1) != DivideWide(high, low, divisor, r2) ||
             r1 != r2;
  }
  EXPECT_EQ(wrong, 0);
}
