// Extended-precision arithmetic as every formula of the program uses it.
#pragma once

#include <bit>
#include <cstdint>

// The type of every intermediate result: the x87 extended format (64-bit
// significand, 15-bit exponent, round to nearest even). Where the
// compiler's long double is that format (x86 and x86-64 with GCC or Clang,
// the mingw builds included) it is the hardware type; everywhere else, and
// on any target built with CALVORA_SOFT_EXTENDED, it is the software type
// of core/SoftExtended.h, which gives the same bits.
#if !defined(CALVORA_SOFT_EXTENDED) && (defined(__i386__) || defined(__x86_64__)) &&               \
    defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 64
#define CALVORA_HARDWARE_EXTENDED 1
#else
#define CALVORA_HARDWARE_EXTENDED 0
#endif

#if CALVORA_HARDWARE_EXTENDED

#include <cmath>
#include <cstring>
#include <limits>

using Extended = long double;

inline constexpr Extended ExtendedInfinity = std::numeric_limits<Extended>::infinity();

// A stored double widened for a formula: every formula widens its stored
// operands to extended precision...
inline Extended Ext(double v) { return v; }

// ...and rounds its result to double exactly once, when it is stored.
inline double Store(Extended v) { return static_cast<double>(v); }

// The square root, correctly rounded.
inline Extended SquareRoot(Extended x) { return std::sqrt(x); }

// Whether `x` carries a minus sign (-0 and negative NaNs included).
inline bool SignBit(Extended x) { return std::signbit(x); }

// |x|, the sign bit cleared.
inline Extended Abs(Extended x) { return std::fabs(x); }

// The neighbours of `x` in the extended format: the next value toward
// -infinity and toward +infinity (from an infinity toward the other, the
// largest finite value; -infinity below and +infinity above stay; a NaN comes back quiet).
inline Extended NextBelow(Extended x) {
  return std::nextafter(x, -std::numeric_limits<Extended>::infinity());
}

inline Extended NextAbove(Extended x) {
  return std::nextafter(x, std::numeric_limits<Extended>::infinity());
}

// x rounded to an integer, ties to even (the numeric mode rounds to
// nearest), keeping the sign of a zero result.
inline Extended RoundToInteger(Extended x) { return std::rint(x); }

// significand * 2^exponent, for values that are exactly representable
// (constant tables and literals): scaled in exact steps at compile time.
constexpr Extended ExactExtended(std::uint64_t significand, int exponent) {
  Extended v = static_cast<Extended>(significand);
  for (; exponent > 0; exponent -= exponent > 60 ? 60 : exponent)
    v *= static_cast<Extended>(std::uint64_t(1) << (exponent > 60 ? 60 : exponent));
  for (; exponent<0; exponent += -exponent> 60 ? 60 : -exponent)
    v /= static_cast<Extended>(std::uint64_t(1) << (-exponent > 60 ? 60 : -exponent));
  return v;
}

// The fields of `x` as the x87 format stores them: the 64-bit significand
// and the sign bit above the 15-bit biased exponent.
inline std::uint64_t ExtendedSignificand(Extended x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

inline std::uint16_t ExtendedSignExponent(Extended x) {
  unsigned char bytes[sizeof x];
  std::memcpy(bytes, &x, sizeof x);
  std::uint16_t field = 0;
  std::memcpy(&field, bytes + 8, sizeof field);
  return field;
}

#else

#include "core/SoftExtended.h"

using Extended = SoftExtended;

inline constexpr Extended ExtendedInfinity = SoftExtended::FromBits(0x7FFF, 0x8000000000000000);

inline Extended Ext(double v) { return SoftExtended(v); }

inline double Store(Extended v) { return static_cast<double>(v); }

constexpr Extended ExactExtended(std::uint64_t significand, int exponent) {
  return significand == 0 ? SoftExtended() : SoftExtended::Exact(significand, exponent);
}

inline std::uint64_t ExtendedSignificand(Extended x) { return x.significand; }

inline std::uint16_t ExtendedSignExponent(Extended x) { return x.signExponent; }

#endif

// The finite value with these x87 fields (constants that a decimal literal
// would give differently in another format are held this way).
constexpr Extended ExtendedFromBits(std::uint16_t signExponent, std::uint64_t significand) {
  const int field = signExponent & 0x7FFF;
  const Extended magnitude = ExactExtended(significand, (field == 0 ? 1 : field) - 16383 - 63);
  return (signExponent & 0x8000) != 0 ? -magnitude : magnitude;
}

// The binary exponent of a finite nonzero x: 2^e <= |x| < 2^(e+1).
inline int BinaryExponent(Extended x) {
  const int field = ExtendedSignExponent(x) & 0x7FFF;
  return field != 0 ? field - 16383 : -16382 - std::countl_zero(ExtendedSignificand(x));
}

// The largest finite extended value, (2 - 2^-63) * 2^16383.
inline constexpr Extended ExtendedMax = ExtendedFromBits(0x7FFE, 0xFFFFFFFFFFFFFFFF);

// The decimal constant 3.141592653589793 used for π everywhere, rounded to
// extended precision.
inline constexpr Extended Pi = ExtendedFromBits(0x4000, 0xC90FDAA22168BDE9);

// Degrees to radians, one extended factor (Pi / 180 rounded once): an angle
// in degrees is multiplied by it.
inline constexpr Extended DegreesToRadians = ExtendedFromBits(0x3FF9, 0x8EFA351294E9C5A0);

// Entry units to SI: a value in micro-units (uF) or milli-units (mH) is
// divided by these; an admittance in umhos is multiplied by Micro (10^-6
// rounded to extended precision).
inline constexpr Extended MicrosPerUnit = 1000000;
inline constexpr Extended MillisPerUnit = 1000;
inline constexpr Extended Micro = ExtendedFromBits(0x3FEB, 0x8637BD05AF6C69B6);
