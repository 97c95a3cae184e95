// The parameter pairs an LCR meter shows (Cp-D, Ls-Q, |Z|-θ, ...) turned
// into the whole calculation record, and how far each result can be
// trusted given the meter's accuracy of the two readings.
#pragma once

#include "core/CalcState.h"
#include "core/MeterValue.h"

#include <string_view>

// One reading of a pair: its name, its quantity, and whether the meter
// shows it signed (a reactance, a susceptance, a phase) or as a magnitude.
struct MeterReading {
  const char *name;
  Quantity quantity;
  bool isSigned;
  const char *meaning; // for --help: "series capacitance"
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
// readings, so such a pair gives that mode's bits. Never fails.
void ConvertMeterPair(CalcState &s, const MeterPair &pair, double f, double a, double b);

// Worst-case first-order bounds of the results: the sum over the two
// readings of |d result / d reading| times the reading's bound (the
// frequency taken as exact), in the results' own units, each in the field
// of `bounds` that holds the result in `s` (F, F0Bridge and Aux get 0).
// `boundA` and `boundB` are absolute. A result whose derivative cannot be
// formed (infinite or undefined) gets an infinite or NaN bound.
void MeterPairBounds(const MeterPair &pair, double f, double a, double b, double boundA,
                     double boundB, CalcState &bounds);
