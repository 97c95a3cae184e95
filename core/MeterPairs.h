// The parameter pairs an LCR meter shows (Cp-D, Ls-Q, |Z|-θ, ...) turned
// into the whole calculation record, and how far each result can be
// trusted given the meter's accuracy of the two readings.
#pragma once

#include "core/CalcState.h"
#include "core/MeterValue.h"

#include <string_view>
#include <type_traits>

// One reading of a pair: its name, its quantity, and whether the meter
// shows it signed (a reactance, a susceptance, a phase) or as a magnitude.
struct MeterReading {
  const char *name;
  Quantity quantity;
  bool isSigned;
  const char *meaning; // for --help: "series capacitance"
};

// Results that depend on one reading alone, whatever the other: the series
// resistance (Rs), the series reactance and what is read from it (Xs, Cs,
// Ls), the parallel conductance (Gp, Rp), the parallel susceptance (Bp, Cp,
// Lp), the magnitudes (Z, Y), and the angle (Q, D, Phase).
enum class ResultGroup {
  SeriesReal,
  SeriesImaginary,
  ParallelReal,
  ParallelImaginary,
  Magnitude,
  Angle
};

struct MeterPair {
  const char *name; // "Cp-D"; matched ignoring ASCII case
  MeterReading a, b;
  int modeId; // the mode that takes the same readings, 0 for none
};

inline constexpr int MeterPairCount = 20;

// Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp
// R-X G-B Z-thd Z-thr Y-thd Y-thr, in this order.
extern const MeterPair MeterPairs[MeterPairCount];

// The pair named `name` ignoring ASCII case; nullptr for none.
const MeterPair *FindMeterPair(std::string_view name);

// Fills `s` (from an all-zero record) from the frequency and the pair's two
// readings in SI units (degrees or radians for a phase), with the meter's
// sign conventions: capacitance, inductance, D, Q, Rs, Rp, G, |Z| and |Y| as
// magnitudes; X positive inductive, B positive capacitive, θ the phase of
// the quantity the pair names (Z: positive inductive; Y: positive
// capacitive). The record then carries the program's own conventions. The
// operations and their order are those of the mode that takes the same
// readings, so such a pair gives that mode's bits. Never fails. Written once
// for the record's number type: double (the calculation) and Unrounded (the
// same steps kept at extended precision, for the ranges).
template <class T>
void ConvertMeterPair(CalcRecord<T> &s, const MeterPair &pair, std::type_identity_t<T> f,
                      std::type_identity_t<T> a, std::type_identity_t<T> b);

// The lowest and the highest value each result takes while the readings
// lie anywhere in the box [a - boundA, a + boundA] × [b - boundB, b + boundB]
// (the frequency exact), the box clipped to what a reading can be: a
// magnitude not below 0, a phase within ±90° (±π/2 in radians). Each result
// goes into its field of `low` and `high` (F, F0Bridge and Aux are left 0).
// The ends are the result's values, carried at extended precision and
// rounded outward to doubles, at the points of the box where the result is
// lowest and highest: the corners, the points where a signed reading
// crosses zero, and the few points where a result turns (found from the
// pair's shape); the calculated value `values` lies inside too. An end is
// infinite where the result is unbounded, and both are NaN where the result
// is undefined at one of those points. `boundA` and `boundB` are absolute
// and not negative. Never fails.
void MeterPairRanges(const MeterPair &pair, double f, double a, double b, double boundA,
                     double boundB, const CalcState &values, CalcState &low, CalcState &high);
