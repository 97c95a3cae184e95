// A number type that runs the calculation's steps without the rounding to
// double where they store a value: every intermediate stays at extended
// precision. The ranges of the meter pairs evaluate the same steps this way
// at the points of a box, so that their ends carry no rounding of stored
// doubles.
#pragma once

#include "core/Extended.h"
#include "core/Trigonometry.h"

struct Unrounded {
  Extended v;
};

// The steps' vocabulary: nothing is widened or rounded.
inline Unrounded Ext(Unrounded x) { return x; }

inline Unrounded Store(Unrounded x) { return x; }

inline Unrounded Square(Unrounded x) { return {x.v * x.v}; }

inline Unrounded SquareRoot(Unrounded x) { return {SquareRoot(x.v)}; }

inline Unrounded Arctangent(Unrounded x) { return {Arctangent(x.v)}; }

inline void SineCosine(Unrounded x, Unrounded &sine, Unrounded &cosine) {
  SineCosine(x.v, sine.v, cosine.v);
}

inline Unrounded operator-(Unrounded x) { return {-x.v}; }

inline Unrounded operator+(Unrounded x, Unrounded y) { return {x.v + y.v}; }

inline Unrounded operator*(Unrounded x, Unrounded y) { return {x.v * y.v}; }

inline Unrounded operator/(Unrounded x, Unrounded y) { return {x.v / y.v}; }

// The constants of the formulas (1, 2, 180, π, ...).
inline Unrounded operator+(Unrounded x, Extended c) { return {x.v + c}; }

inline Unrounded operator+(Extended c, Unrounded x) { return {c + x.v}; }

inline Unrounded operator*(Unrounded x, Extended c) { return {x.v * c}; }

inline Unrounded operator*(Extended c, Unrounded x) { return {c * x.v}; }

inline Unrounded operator/(Unrounded x, Extended c) { return {x.v / c}; }

inline Unrounded operator/(Extended c, Unrounded x) { return {c / x.v}; }
