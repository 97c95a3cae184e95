// x87 extended values in and out of MPFR as their fields, for oracles of the
// hardware and the software type alike: MPFR at 64 bits with the x87 exponent
// range and subnormalization rounds exactly as the x87 format does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#define MPFR_USE_INTMAX_T 1
#include <mpfr.h>

// The x87 range in MPFR's terms (x = 0.1b... * 2^e): 2^-16445 has e = -16444, the
// largest value e = 16384. MPFR's range is global: set it before rounding.
inline void UseExtendedRange() {
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
}

// m = the value of these fields exactly (m's precision at least 64).
inline void MpfrSetFields(mpfr_ptr m, int signExponent, std::uint64_t significand) {
  const int field = signExponent & 0x7FFF;
  mpfr_set_uj_2exp(m, significand, (field == 0 ? 1 : field) - 16383 - 63, MPFR_RNDN);
  if (field == 0x7FFF)
    (significand << 1) != 0 ? mpfr_set_nan(m) : mpfr_set_inf(m, 1);
  mpfr_setsign(m, m, (signExponent & 0x8000) != 0, MPFR_RNDN);
}

// The fields of m rounded to the nearest x87 value (ties to even, gradual
// underflow, overflow to infinity); a NaN gives the default NaN's. Sets the x87 range.
inline std::pair<int, std::uint64_t> ExtendedFields(mpfr_srcptr m) {
  const int sign = mpfr_signbit(m) ? 0x8000 : 0;
  if (mpfr_nan_p(m))
    return {0xFFFF, std::uint64_t(3) << 62};
  UseExtendedRange();
  mpfr_t r;
  mpfr_init2(r, 64);
  mpfr_subnormalize(r, mpfr_set(r, m, MPFR_RNDN), MPFR_RNDN);
  std::pair<int, std::uint64_t> fields{sign | (mpfr_inf_p(r) ? 0x7FFF : 0),
                                       mpfr_inf_p(r) ? std::uint64_t(1) << 63 : 0};
  if (mpfr_regular_p(r)) {
    const mpfr_exp_t e = mpfr_get_exp(r); // |r| = 0.1b... * 2^e
    mpfr_abs(r, r, MPFR_RNDN);
    mpfr_mul_2si(r, r, 64 - e, MPFR_RNDN);
    const int field = static_cast<int>(e) + 16382; // below 1: a subnormal
    fields = {sign | std::max(field, 0), mpfr_get_uj(r, MPFR_RNDN) >> std::max(1 - field, 0)};
  }
  mpfr_clear(r);
  return fields;
}

#if defined(CALVORA_HARDWARE_EXTENDED) // core/Extended.h included first: the same for Extended
#include "tests/support/ExtendedChecks.h"

inline void MpfrSetExtended(mpfr_ptr m, Extended x) {
  MpfrSetFields(m, ExtendedSignExponent(x), ExtendedSignificand(x));
}

inline Extended ExtendedFromMpfr(mpfr_srcptr m) {
  const auto [signExponent, significand] = ExtendedFields(m);
  if ((signExponent & 0x7FFF) != 0x7FFF)
    return ExtendedFromBits(static_cast<std::uint16_t>(signExponent), significand);
  return mpfr_nan_p(m)           ? ExtendedNaN()
         : signExponent & 0x8000 ? -ExtendedInfinity
                                 : ExtendedInfinity;
}
#endif
