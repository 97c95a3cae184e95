// The software extended type bit for bit against the x87 unit (x86) and MPFR
// (Linux; the oracle where there is no x87): edge, NaN, hard and random cases.
#include "core/SoftExtended.h"
#include "core/WideInteger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <tuple>
#include <vector>

#if defined(CALVORA_DIFFERENTIAL_MPFR)
#include "tests/support/MpfrExtended.h"
#endif

#if (defined(__i386__) || defined(__x86_64__)) && LDBL_MANT_DIG == 64
#define CALVORA_HAS_X87 1
#else
#define CALVORA_HAS_X87 0
#endif

// The fields in hex for failure messages: "0x3fff:8000000000000000".
std::ostream &operator<<(std::ostream &out, SoftExtended x) {
  return out << std::hex << "0x" << x.signExponent << ":" << x.significand << std::dec;
}

namespace {

#ifdef CALVORA_SOFT_EXTENDED_LONG
const char *const LongCount = std::getenv("CALVORA_SOFT_EXTENDED_LONG_COUNT");
const std::uint64_t RandomCount = LongCount ? std::strtoull(LongCount, nullptr, 10) : 1000000000;
#else
const std::uint64_t RandomCount = 1000000;
#endif

using Soft = SoftExtended;
using U64 = std::uint64_t;
using L = long double;

constexpr U64 Top = U64(1) << 63, Quiet = Top >> 1, All = ~U64(0);

constexpr Soft Bits(int field, U64 significand) { return Soft::FromBits(field, significand); }

constexpr Soft NaN(U64 payload) { return Bits(0x7FFF, Top | payload); }

constexpr Soft Zero = Bits(0, 0), One = Bits(0x3FFF, Top), Inf = Bits(0x7FFF, Top);

bool Same(Soft a, Soft b) { return std::memcmp(&a, &b, 10) == 0; }

#if CALVORA_HAS_X87
// The x87 twins. NOTE: mingw-w64's nextafterl keeps a zero's sign: step by hand.
L SquareRoot(L x) { return std::sqrt(x); }

L RoundToInteger(L x) { return std::rint(x); }

L NextAbove(L x) { return x == 0 ? LDBL_TRUE_MIN : std::nextafter(x, HUGE_VALL); }

L NextBelow(L x) { return x == 0 ? -LDBL_TRUE_MIN : std::nextafter(x, -HUGE_VALL); }
#endif

// The operations, written once for both types; from Root on unary (b unused).
enum { Add, Subtract, Multiply, Divide, Root, Rint, Above, Below, Count };

const char *const Names[] = {"+", "-", "*", "/", "sqrt", "rint", "next above", "next below"};
template <class T>
T (*const Apply[])
(T, T) = {[](T a, T b) { return a + b; },       [](T a, T b) { return a - b; },
          [](T a, T b) { return a * b; },       [](T a, T b) { return a / b; },
          [](T a, T) { return SquareRoot(a); }, [](T a, T) { return RoundToInteger(a); },
          [](T a, T) { return NextAbove(a); },  [](T a, T) { return NextBelow(a); }};

// Bit 0 <, bit 1 <=, bit 2 ==, bit 3 >, bit 4 >=.
template <class T> int Relations(T x, T y) {
  return (x < y) | (x <= y) << 1 | (x == y) << 2 | (x > y) << 3 | (x >= y) << 4;
}

// MPFR can't tell a NaN's bits: any NaN agrees (the NaN rules hold the bits).
template <class Oracle> bool Agrees(Soft want, Soft got) {
  return Same(want, got) || (!Oracle::exactNaNs && want.IsNaN() && got.IsNaN());
}

// Into a double a NaN keeps its sign.
template <class Oracle> bool Agrees(double want, double got) {
  return std::bit_cast<U64>(want) == std::bit_cast<U64>(got) ||
         (!Oracle::exactNaNs && std::isnan(want) && std::isnan(got) &&
          std::signbit(want) == std::signbit(got));
}

#if CALVORA_HAS_X87
// The type's two fields lie in memory as the x87 format stores them.
template <class To, class From> To Reinterpret(From from) {
  To to{};
  std::memcpy(static_cast<void *>(&to), &from, 10);
  return to;
}

struct X87Oracle {
  static constexpr const char *name = "x87";
  static constexpr bool exactNaNs = true;

  static Soft Operate(int op, Soft a, Soft b) {
    return Reinterpret<Soft>(Apply<L>[op](Reinterpret<L>(a), Reinterpret<L>(b)));
  }

  template <class T> static Soft Exact(T v) { return Reinterpret<Soft>(L(v)); }

  static double ToDouble(Soft a) { return static_cast<double>(Reinterpret<L>(a)); }

  static int Compare(Soft a, Soft b) { return Relations(Reinterpret<L>(a), Reinterpret<L>(b)); }
};
#endif

#if defined(CALVORA_DIFFERENTIAL_MPFR)
mpfr_t X, Y, R;
const bool Made =
    (mpfr_inits2(64, X, Y, R, static_cast<mpfr_ptr>(nullptr)), UseExtendedRange(), true);

void Load(Soft a, Soft b = Zero) {
  MpfrSetFields(X, a.signExponent, a.significand);
  MpfrSetFields(Y, b.signExponent, b.significand);
}

// Rounded at 64 bits, then at the subnormal positions; a neighbour is MPFR's, rounded outward.
using MpfrBinary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);
using MpfrUnary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
const std::tuple<MpfrBinary, MpfrUnary, mpfr_rnd_t> MpfrOperations[] = {
    {mpfr_add, nullptr, MPFR_RNDN},  {mpfr_sub, nullptr, MPFR_RNDN},
    {mpfr_mul, nullptr, MPFR_RNDN},  {mpfr_div, nullptr, MPFR_RNDN},
    {nullptr, mpfr_sqrt, MPFR_RNDN}, {nullptr, mpfr_rint, MPFR_RNDN},
    {nullptr, mpfr_set, MPFR_RNDU},  {nullptr, mpfr_set, MPFR_RNDD}};

struct MpfrOracle {
  static constexpr const char *name = "MPFR";
  static constexpr bool exactNaNs = false;

  static Soft Operate(int op, Soft a, Soft b) {
    Load(a, b);
    const auto [binary, unary, rounding] = MpfrOperations[op];
    const int inexact = binary ? binary(R, X, Y, rounding) : unary(R, X, rounding);
    if (rounding != MPFR_RNDN)
      rounding == MPFR_RNDU ? mpfr_nextabove(R) : mpfr_nextbelow(R);
    mpfr_subnormalize(R, inexact, rounding);
    return std::apply(Bits, ExtendedFields(R));
  }

  template <class T> static Soft Exact(T v) {
    if constexpr (std::is_same_v<T, double>)
      mpfr_set_d(R, v, MPFR_RNDN);
    else
      std::is_signed_v<T> ? mpfr_set_sj(R, v, MPFR_RNDN) : mpfr_set_uj(R, v, MPFR_RNDN);
    return std::apply(Bits, ExtendedFields(R));
  }

  // mpfr_get_d rounds once, at the double's subnormal positions too.
  static double ToDouble(Soft a) {
    Load(a);
    return mpfr_nan_p(X) ? (a.IsNegative() ? -NAN : NAN) : mpfr_get_d(X, MPFR_RNDN);
  }

  static int Compare(Soft a, Soft b) {
    Load(a, b);
    return mpfr_unordered_p(X, Y) ? 0 : Relations(mpfr_cmp(X, Y), 0);
  }
};
#endif

bool Failed(U64 &differences, bool same) { return !same && ++differences <= 10; }

// The unary operations and the double of a, or the binary ones and comparisons.
template <class Oracle> void CheckOperations(U64 &differences, Soft a, Soft b, bool unary) {
  for (int op = unary ? Root : Add; op < (unary ? Count : Root); ++op) {
    const Soft got = Apply<Soft>[op](a, b), want = Oracle::Operate(op, a, b);
    if (Failed(differences, Agrees<Oracle>(want, got)))
      ADD_FAILURE() << Oracle::name << ": " << a << " " << Names[op] << " " << b << " gave " << got
                    << ", want " << want;
  }
  if (Failed(differences, unary ? Agrees<Oracle>(Oracle::ToDouble(a), static_cast<double>(a))
                                : Relations(a, b) == Oracle::Compare(a, b)))
    ADD_FAILURE() << Oracle::name << (unary ? ": double of " : ": comparisons of ") << a << ", "
                  << b;
}

// A double or a 64-bit integer in, exactly, and back out unchanged (but a NaN).
template <class Oracle, class T> void CheckExact(U64 &differences, T v) {
  const bool same = Agrees<Oracle>(Oracle::Exact(v), Soft(v)) &&
                    (static_cast<T>(Soft(v)) == v || std::isnan(static_cast<double>(v)));
  if (Failed(differences, same))
    ADD_FAILURE() << Oracle::name << ": " << std::hexfloat << v << " in gave " << Soft(v);
}

std::vector<Soft> DoubleConversions() {
  std::vector<Soft> values;
  // At and next to the double's ties, at 1, the top and the bottom of its range.
  for (int field : {0x3FFF, 0x43FE, 0x43FF, 0x3C01, 0x3C00, 0x3BFF, 0x3BCD, 0x3BCC, 0x3BCB})
    for (U64 significand : {Top, Top | 0x400, Top | 0x401, Top | 0x3FF, Top | 0xC00, Top | 0x800,
                            All, All - 0x3FF, Top | 0xBFF, Top | 1, All << 11})
      values.push_back(Bits(field, significand));
  // Every position of the double's subnormal range: 2^-1022 down to 2^-1076.
  for (int field = 0x3C01; field >= 0x3BCA; --field)
    for (U64 significand : {Top, Top | Top >> 1, Top | Top >> 1 | 1, All})
      values.push_back(Bits(field, significand));
  return values;
}

const std::pair<const char *, std::vector<Soft>> EdgeGroups[] = {
    {"zeros and infinities",
     {Zero, One, Bits(0, 1), Bits(1, Top), Bits(0x7FFE, All), Inf, NaN(Quiet),
      NaN(3 * (Top >> 2))}},
    {"NaNs (quiet and signalling, small and large payloads)",
     {NaN(Quiet), NaN(Quiet | 1), NaN(Quiet | 0x123456789), NaN(5), NaN(9), NaN(All), NaN(Top >> 2),
      One, Zero, Inf}},
    {"carry into the next binade (all-ones significands and neighbours)",
     {Bits(0x3FFF, All), Bits(0x3FFF, All - 1), Bits(0x3FBF, Top), Bits(0x3FBE, Top),
      Bits(0x3FBE, Top | 1), Bits(0x3FC0, Top), Bits(0x3FFE, All), Bits(0x4000, All),
      Bits(0x3FFF, Top | 1), Bits(0x403D, All), Bits(0x403E, All)}},
    {"overflow at the top exponent (results that overflow or just do not)",
     {Bits(0x7FFE, All), Bits(0x7FFE, All - 1), Bits(0x7FFE, Top), Bits(0x7FBE, Top),
      Bits(0x7FBD, Top), Bits(0x7FBD, Top | 1), One, Bits(0x3FFF, Top | 1), Bits(0x3FFE, All),
      Bits(0x4000, Top), Bits(0x3FFE, Top), Bits(0x2000, Top)}},
    {"gradual underflow (subnormal operands and results, ties there, rounding to 2^-16382)",
     {Bits(0, 1), Bits(0, 2), Bits(0, 3), Bits(0, Top - 1), Bits(0, Top >> 1), Bits(1, Top),
      Bits(1, Top | 1), Bits(1, All), Bits(2, Top), Bits(0x3FFE, Top), Bits(0x3FFE, Top | 1),
      Bits(0x3FFF, All), Bits(0x3FBF, Top), Bits(0x3FC0, Top | 1), Bits(0x3FBE, All),
      Bits(0x1FFF, Top), Bits(0x2000, Top | 3), Bits(0x0040, Top)}},
    {"ties (exact sums and products halfway between two values, both parities)",
     {One, Bits(0x3FFF, Top | 1), Bits(0x3FFF, Top | 2), Bits(0x3FFF, Top | 3), Bits(0x3FBF, Top),
      Bits(0x3FBE, Top), Bits(0x3FBE, Top | Top >> 1), Bits(0x403E, Top | 1),
      Bits(0x3FFF, Top | Top >> 32), Bits(0x4000, Top | Top >> 32 | 1),
      Bits(0x401F, Top | 1ULL << 32)}},
    {"conversions to double", DoubleConversions()}};

// The x87 NaN rules as literals, so that MPFR builds check them too.
constexpr Soft Q1 = NaN(Quiet | 1), Q2 = NaN(Quiet | 2), Q5 = NaN(Quiet | 5), Q9 = NaN(Quiet | 9);
constexpr Soft S5 = NaN(5), S9 = NaN(9), DefaultNaN = -NaN(Quiet);

// clang-format off
const std::tuple<int, Soft, Soft, Soft> NaNRules[] = {
    {Divide, Zero, Zero, DefaultNaN}, {Subtract, Inf, Inf, DefaultNaN}, // 0/0, inf - inf
    {Add, Inf, -Inf, DefaultNaN}, {Multiply, Zero, Inf, DefaultNaN},    // inf + -inf, 0 * inf
    {Divide, Inf, -Inf, DefaultNaN}, {Root, -One, -One, DefaultNaN},    // inf / inf, sqrt(-1)
    {Root, -Inf, -Inf, DefaultNaN},                                     // sqrt(-inf)
    {Add, Q1, -Q1, Q1}, {Multiply, -Q1, Q1, Q1}, // equal significands: the positive one, either order
    {Add, Q1, Q2, Q2},                           // the larger significand
    {Subtract, One, -Q1, -Q1},                   // a NaN keeps its sign through a difference
    {Add, S9, -Q1, -Q1},                         // a quiet NaN before a signalling one
    {Divide, S5, S9, Q9},                        // two signalling ones: the larger, quieted
    {Multiply, S5, -S5, Q5},                     // equal signalling ones: the positive one
    {Add, -S5, One, -Q5}, {Root, -S9, -S9, -Q9}}; // a signalling one alone comes back quiet
// clang-format on

#if defined(__SIZEOF_INT128__)
using U128 = unsigned __int128;

// a * 2^(64 + s) = b (2^64 + m) + rho, rho small and odd, m = -rho / b mod
// 2^64: the quotient's 64 bits are followed by a half and then rho / 2b.
std::pair<Soft, Soft> HardQuotient(std::mt19937_64 &random) {
  for (;;) {
    const U64 b = random() | Top | 1;
    U64 inverse = b; // 1/b mod 2^64 by Newton's iteration: 3 correct bits, doubling
    for (int i = 0; i < 5; ++i)
      inverse *= 2 - b * inverse;
    const long long rho = static_cast<long long>(random() % 8) * 2 - 7;
    const U128 t = b + ((U128(b) * ((0 - U64(rho)) * inverse) + U128(rho)) >> 64); // a * 2^s
    const int s = int(random() & 1), sign = random() & 1 ? 0x8000 : 0;
    if ((t & U128(s)) == 0 && t >> s >> 63 == 1)
      return {Bits(sign | (0x3FFF + int(random() % 200) - 100), U64(t >> s)),
              Bits(0x3FFF + int(random() % 200) - 100, b)};
  }
}

// u^2 + u + k = x * 2^s, k small and even (u lifted bit by bit, as 2u + 1 is odd; s = 64
// for an odd exponent): sqrt(x * 2^s) = u + 1/2 + about (k - 1/4) / 2u.
Soft HardRoot(std::mt19937_64 &random) {
  for (;;) {
    const int s = 63 + int(random() & 1);
    const long long k = static_cast<long long>(random() % 1025) * 2 - 1024;
    U64 u = random() & 1;
    for (int j = 1; j < s; ++j)
      if ((u * u + u + U64(k)) >> j & 1)
        u += U64(1) << j;
    u |= s == 63 ? Top : 0;
    const U128 x = (U128(u) * u + u + U128(k)) >> s;
    if (x >> 63 == 1)
      return Bits(0x3FFF + 2 * (int(random() % 400) - 200) + s - 63, U64(x));
  }
}
#endif

// Normal values (random, short or all-ones significands; near 1, the ends or anywhere), subnormals,
// zeros, infinities, NaNs; or, half the time, one near `near` (sums cancel, quotients in range).
Soft RandomValue(std::mt19937_64 &random, Soft near = Zero) {
  const U64 r = random(), bits = random() | Top, spread = r >> 24, keep = All << (r >> 20) % 64;
  const int sign = r & 1 ? 0x8000 : 0, shape = int(r >> 1 & 15), kind = int(r >> 16 & 63);
  if (const int field = near.signExponent & 0x7FFF; field != 0 && field != 0x7FFF && r & 0x20)
    return Bits(sign | std::clamp(field + int(spread % 131) - 65, 1, 0x7FFE),
                shape < 4 ? (near.significand & keep) | (bits & ~keep) : bits);
  if (kind < 3) // a zero, an infinity, a NaN
    return Bits(sign | (kind ? 0x7FFF : 0), kind ? Top | (kind - 1) * (bits >> 1 | 1) : 0);
  if (kind < 6) // subnormal or zero
    return Bits(sign, (bits & ~Top) >> spread % 64);
  const int at = kind < 10   ? 1 + int(spread % 80)
                 : kind < 14 ? 0x7FFE - int(spread % 80)
                 : kind < 40 ? 0x3FFF - 80 + int(spread % 160)
                             : 1 + int(spread % 0x7FFE);
  return Bits(sign | at, shape == 0   ? bits & All << (r >> 8) % 64 // short: exact results, ties
                         : shape == 1 ? All << (r >> 8) % 8         // runs of ones: carries
                                      : bits);
}

// Edge groups with their negatives (all pairs), integer extremes, NaN rules, hard and random pairs.
template <class Oracle> void CheckAgainst(U64 count, U64 seed) {
  for (const auto &[name, group] : EdgeGroups) {
    std::vector<Soft> values = group;
    for (Soft x : group)
      values.push_back(-x);
    U64 differences = 0;
    for (Soft a : values) {
      CheckOperations<Oracle>(differences, a, a, true);
      for (Soft b : values)
        CheckOperations<Oracle>(differences, a, b, false);
    }
    EXPECT_EQ(differences, 0u) << name;
  }
  for (const auto &[op, a, b, want] : NaNRules)
    EXPECT_TRUE(Same(Apply<Soft>[op](a, b), want) &&
                Agrees<Oracle>(Oracle::Operate(op, a, b), want))
        << "NaN rule " << a << " " << Names[op] << " " << b << " gave " << Apply<Soft>[op](a, b)
        << ", the rule says " << want;
  U64 differences = 0; // 64-bit integer extremes
  for (std::int64_t n : std::initializer_list<std::int64_t>{
           INT64_MIN, INT64_MIN + 1, -1, 0, 1, (1LL << 53) + 1, INT64_MAX - 1, INT64_MAX}) {
    CheckExact<Oracle>(differences, n);
    CheckExact<Oracle>(differences, U64(n));
  }
  // 20,000 hard quotients and roots (needs a 128-bit integer), then random pairs.
  std::mt19937_64 random(seed);
#if defined(__SIZEOF_INT128__)
  for (int i = 0; i < 20000; ++i) {
    const auto [a, b] = HardQuotient(random);
    CheckOperations<Oracle>(differences, a, b, false);
    CheckOperations<Oracle>(differences, a / b, b, false); // and back
    CheckOperations<Oracle>(differences, HardRoot(random), b, true);
  }
#endif
  for (U64 i = 0; i < count; ++i) {
    const Soft a = RandomValue(random), b = RandomValue(random, a);
    CheckOperations<Oracle>(differences, a, b, false);
    CheckOperations<Oracle>(differences, a, a, true);
    const std::int64_t n = static_cast<std::int64_t>(random()) >> (random() % 64);
    CheckExact<Oracle>(differences, std::bit_cast<double>(random())); // doubles of every kind
    CheckExact<Oracle>(differences, n);
    CheckExact<Oracle>(differences, U64(n));
  }
  EXPECT_EQ(differences, 0u) << "integer extremes, hard cases and " << count << " random pairs";
}

} // namespace

#if CALVORA_HAS_X87
TEST(X87, EdgeHardAndRandom) {
  unsigned short word = 0; // the control word: round to nearest, 64-bit precision, all masked
  __asm__ volatile("fnstcw %0" : "=m"(word));
  ASSERT_EQ(word, 0x037F);
  CheckAgainst<X87Oracle>(RandomCount, 1);
}
#endif

#if defined(CALVORA_DIFFERENTIAL_MPFR)
// Beside the x87 unit 100,000 pairs: MPFR is slow, and there only checks itself.
TEST(Mpfr, EdgeHardAndRandom) {
  CheckAgainst<MpfrOracle>(CALVORA_HAS_X87 ? 100000 : RandomCount, 2);
}
#endif

// The 128-bit helpers without a 128-bit integer against those with one.
TEST(WideInteger, PortableHalvesMatch) {
  std::mt19937_64 random(99);
  int wrong = 0;
  for (int i = 0; i < 1000000; ++i) {
    const U64 a = random() >> (random() % 64), b = random() >> (random() % 64), d = b | 1;
    const Wide p = MultiplyWidePortable(a, b), q = MultiplyWide(a, b);
    U64 r1 = 0, r2 = 0, low = random();
    wrong += p.high != q.high || p.low != q.low ||
             DivideWidePortable(a % d, low, d, r1) != DivideWide(a % d, low, d, r2) || r1 != r2;
  }
  EXPECT_EQ(wrong, 0);
}
