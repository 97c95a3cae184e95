// Extended-precision arithmetic as every formula of the program uses it.
#pragma once

#include <cmath>
#include <limits>

// Every intermediate result is carried with a 64-bit significand; results on
// any other target would differ in the last bits from the worked values.
static_assert(std::numeric_limits<long double>::digits == 64,
              "Calvora needs long double with a 64-bit significand (x87 "
              "extended precision); this target's long double is different");

// The type of every intermediate result: the x87 extended format.
using Extended = long double;

// A stored double widened for a formula: every formula widens its stored
// operands to extended precision...
inline Extended Ext(double v) { return v; }

// ...and rounds its result to double exactly once, when it is stored.
inline double Store(Extended v) { return static_cast<double>(v); }

// The square root, correctly rounded.
inline Extended SquareRoot(Extended x) { return std::sqrt(x); }

// Whether `x` carries a minus sign (-0 and negative NaNs included).
inline bool SignBit(Extended x) { return std::signbit(x); }

// The neighbours of `x` in the extended format: the next value toward
// -infinity and toward +infinity (from an infinity toward the other, the
// largest finite value; -infinity below and +infinity above stay; NaN stays).
inline Extended NextBelow(Extended x) {
  return std::nextafter(x, -std::numeric_limits<Extended>::infinity());
}

inline Extended NextAbove(Extended x) {
  return std::nextafter(x, std::numeric_limits<Extended>::infinity());
}

// The decimal constant used for π everywhere, held at extended precision.
inline constexpr Extended Pi = 3.141592653589793L;

// Degrees to radians, one extended factor: an angle in degrees is
// multiplied by it.
inline constexpr Extended DegreesToRadians = Pi / 180.0L;

// Entry units to SI: a value in micro-units (uF) or milli-units (mH) is
// divided by these; an admittance in umhos is multiplied by Micro.
inline constexpr Extended MicrosPerUnit = 1000000.0L;
inline constexpr Extended MillisPerUnit = 1000.0L;
inline constexpr Extended Micro = 0.000001L;
