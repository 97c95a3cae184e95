// Extended values in and out of MPFR on every build (the hardware or the
// software type alike), for oracles: MPFR at 64 bits with the x87 exponent
// range and subnormalization rounds exactly as the x87 format does.
#pragma once

#include "core/Extended.h"
#include "tests/support/ExtendedChecks.h"

#include <cstdint>
#define MPFR_USE_INTMAX_T 1
#include <mpfr.h>

// The x87 range in MPFR's terms (x = 0.1b... * 2^e): the smallest subnormal
// 2^-16445 has e = -16444, the largest value e = 16384. MPFR's exponent
// range is global: call this before rounding to the x87 format.
inline void UseExtendedRange() {
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
}

// significand * 2^exponent for a nonzero significand, the bits that fall
// below the smallest subnormal dropped: an exact extended value on every
// build.
inline Extended ExtendedTruncated(std::uint64_t significand, int exponent) {
  int lost = -16445 - exponent;
  if (lost >= 64)
    return 0;
  if (lost > 0)
    significand = significand >> lost << lost;
  return ExactExtended(significand, exponent);
}

// m = x exactly (m's precision at least 64).
inline void MpfrSetExtended(mpfr_ptr m, Extended x) {
  const int field = ExtendedSignExponent(x) & 0x7FFF;
  const std::uint64_t significand = ExtendedSignificand(x);
  if (field == 0x7FFF) {
    if ((significand << 1) == 0)
      mpfr_set_inf(m, SignBit(x) ? -1 : 1);
    else
      mpfr_set_nan(m);
    return;
  }
  if (significand == 0) {
    mpfr_set_zero(m, SignBit(x) ? -1 : 1);
    return;
  }
  const mpfr_exp_t emin = mpfr_get_emin();
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_uj(m, significand, MPFR_RNDN);
  mpfr_mul_2si(m, m, (field == 0 ? 1 : field) - 16383 - 63, MPFR_RNDN);
  mpfr_set_emin(emin);
  if (SignBit(x))
    mpfr_neg(m, m, MPFR_RNDN);
}

// m rounded to the nearest extended value (ties to even, gradual underflow,
// overflow to infinity); a NaN gives a NaN. Sets the x87 range.
inline Extended ExtendedFromMpfr(mpfr_srcptr m) {
  if (mpfr_nan_p(m))
    return ExtendedNaN();
  UseExtendedRange();
  mpfr_t r;
  mpfr_init2(r, 64);
  const int inexact = mpfr_set(r, m, MPFR_RNDN);
  mpfr_subnormalize(r, inexact, MPFR_RNDN);
  Extended x = 0;
  if (mpfr_inf_p(r)) {
    x = ExtendedInfinity;
  } else if (!mpfr_zero_p(r)) {
    // r = significand * 2^(e - 64) with a 64-bit significand (its low bits
    // zero for a subnormal).
    const mpfr_exp_t e = mpfr_get_exp(r);
    mpfr_abs(r, r, MPFR_RNDN);
    mpfr_set_emin(mpfr_get_emin_min());
    mpfr_mul_2si(r, r, 64 - e, MPFR_RNDN);
    x = ExactExtended(mpfr_get_uj(r, MPFR_RNDN), static_cast<int>(e) - 64);
    UseExtendedRange();
  }
  const bool negative = mpfr_signbit(m) != 0;
  mpfr_clear(r);
  return negative ? -x : x;
}
