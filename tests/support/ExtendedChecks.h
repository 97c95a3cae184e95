// Helpers for tests of Extended values on every build, hardware or software
// type: bit-for-bit comparison, hex text for failure messages, and the exact
// conversion to long double where that has at least 64 significand bits
// (x87 and 128-bit long double), for oracles from the C library.
#pragma once

#include "core/Extended.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

// Bit for bit, so that -0 and +0 differ; any NaN matches any NaN.
inline bool SameExtended(Extended got, Extended want) {
  return (got != got && want != want) || (got == want && SignBit(got) == SignBit(want));
}

// The fields as text: "0x3FFF:8000000000000000".
inline std::string ExtendedHex(Extended x) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%04X:%016llX", unsigned(ExtendedSignExponent(x)),
                static_cast<unsigned long long>(ExtendedSignificand(x)));
  return text;
}

// A NaN of the type (the x87 default NaN, negative).
inline Extended ExtendedNaN() { return ExtendedInfinity - ExtendedInfinity; }

#if LDBL_MANT_DIG >= 64
// x exactly as a long double.
inline long double ToLongDouble(Extended x) {
  const int field = ExtendedSignExponent(x) & 0x7FFF;
  const bool negative = SignBit(x);
  long double magnitude = 0;
  if (field == 0x7FFF)
    magnitude = (ExtendedSignificand(x) << 1) == 0 ? HUGE_VALL : NAN;
  else
    magnitude = std::ldexp(static_cast<long double>(ExtendedSignificand(x)),
                           (field == 0 ? 1 : field) - 16383 - 63);
  return negative ? -magnitude : magnitude;
}
#endif
