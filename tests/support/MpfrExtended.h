// Extended values in and out of MPFR on every build (hardware or software type),
// for oracles: MPFR at 64 bits with the x87 exponent range and subnormalization
// rounds exactly as the x87 format does.
#pragma once

#include "core/Extended.h"
#include "tests/support/ExtendedChecks.h"

#include <cstdint>
#define MPFR_USE_INTMAX_T 1
#include <mpfr.h>

// The x87 range in MPFR's terms (x = 0.1b... * 2^e): 2^-16445 has e = -16444, the
// largest value e = 16384. MPFR's range is global: set it before rounding.
inline void UseExtendedRange() {
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
}

// m = x exactly (m's precision at least 64; the range at least the x87 one).
inline void MpfrSetExtended(mpfr_ptr m, Extended x) {
  const int field = ExtendedSignExponent(x) & 0x7FFF;
  const std::uint64_t significand = ExtendedSignificand(x);
  mpfr_set_uj_2exp(m, significand, (field == 0 ? 1 : field) - 16383 - 63, MPFR_RNDN);
  if (field == 0x7FFF)
    (significand << 1) != 0 ? mpfr_set_nan(m) : mpfr_set_inf(m, 1);
  mpfr_setsign(m, m, SignBit(x), MPFR_RNDN);
}

// m rounded to the nearest extended value (ties to even, gradual underflow,
// overflow to infinity); a NaN gives a NaN. Sets the x87 range.
inline Extended ExtendedFromMpfr(mpfr_srcptr m) {
  if (mpfr_nan_p(m))
    return ExtendedNaN();
  UseExtendedRange();
  mpfr_t r;
  mpfr_init2(r, 64);
  mpfr_subnormalize(r, mpfr_set(r, m, MPFR_RNDN), MPFR_RNDN);
  Extended x = 0;
  if (mpfr_inf_p(r)) {
    x = ExtendedInfinity;
  } else if (!mpfr_zero_p(r)) {
    // r = significand * 2^(e - 64), the significand's low bits zero for a subnormal.
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
