// Sine, cosine and arctangent at extended precision, computed by the program
// itself so that every build gives the same bits: no call into the
// platform's maths library, only + - * / on Extended and integer
// arithmetic.
#pragma once

#include "core/Extended.h"

// Each takes any extended value and returns its exact value rounded to the
// nearest extended value (ties to even). A first pass approximates the value
// within 2^-72 (relative) and returns it when no value that close can round
// differently; otherwise a second pass, within 2^-120, is rounded once. So
// the result is the correctly rounded value unless the exact value lies
// within 2^-120 (relative) of a midpoint between two extended values. Arguments
// of any size are reduced exactly (to at least 177 correct bits).
// NaN and infinities give NaN; sin(±0) = ±0 and atan(±0) = ±0, keeping the
// sign; cos(±0) = 1; atan(±inf) = ±(the extended value nearest to π/2).
Extended Sine(Extended x);
Extended Cosine(Extended x);
Extended Arctangent(Extended x);

// Both of the same argument, as Sine(x) and Cosine(x), for about the cost of
// one of them.
void SineCosine(Extended x, Extended &sine, Extended &cosine);

// The approximations before their final rounding, for the tests: hi + lo
// with hi the nearest extended value to hi + lo. `accurate` picks the second
// pass. Only for finite x with 2^-32 <= |x| (and |x| < 2^66 for the
// arctangent); x's sign is applied.
struct ExtendedPair {
  Extended hi, lo;
};

void SineCosinePairs(Extended x, bool accurate, ExtendedPair &sine, ExtendedPair &cosine);
ExtendedPair ArctangentPair(Extended x, bool accurate);
