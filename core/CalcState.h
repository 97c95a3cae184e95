// The calculation record and the six conversion operations that complete it.
#pragma once

#include <limits>

// Every intermediate result is carried with a 64-bit significand; results on
// any other target would differ in the last bits from the worked values.
static_assert(std::numeric_limits<long double>::digits == 64,
              "Calvora needs long double with a 64-bit significand (x87 "
              "extended precision); this target's long double is different");

// Quantities of one impedance at one frequency, in SI units (mhos for
// conductance, degrees for the phase). Field order is part of the contract:
// the command-line JSON output lists the fields in this order.
struct CalcState {
  double F = 0;        // working frequency, Hz
  double F0Bridge = 0; // nominal frequency of a bridge reading, Hz
  double Z = 0;        // impedance magnitude, never negative
  double Rs = 0;       // series resistance
  double Rp = 0;       // parallel resistance, 1/Gp
  double Xs = 0;       // series reactance: positive inductive, negative capacitive
  double Aux = 0;      // scratch value of the Lp-R mode (2·π·F·Lp)
  double Gp = 0;       // parallel conductance
  double Bp = 0;       // parallel susceptance: positive capacitive, negative inductive
  double Y = 0;        // admittance magnitude, never negative
  double Cs = 0;       // series capacitance, negative for a capacitive impedance
  double Cp = 0;       // parallel capacitance, same sign as Cs
  double Ls = 0;       // series inductance, positive for an inductive impedance
  double Lp = 0;       // parallel inductance, same sign as Ls
  double Q = 0;        // −Bp/Gp
  double D = 0;        // Gp/Bp
  double Phase = 0;    // degrees, arctangent of Q
};

inline constexpr int CalcStateFieldCount = 17;

// Field names in record order, for readers that list the whole record.
extern const char* const CalcStateFieldNames[CalcStateFieldCount];

// The fields of `s` in record order (same order as CalcStateFieldNames).
void CalcStateFields(const CalcState& s, double out[CalcStateFieldCount]);

// The decimal constant used for π everywhere, held at extended precision.
inline constexpr long double Pi = 3.141592653589793L;

// Each operation reads and writes only the fields named, in the documented
// order; intermediates stay in extended precision and are rounded to double
// when stored. None of them ever fails: degenerate inputs give infinities or
// NaNs, which are stored like any other value.
void SeriesToParallel(CalcState& s);  // Rs, Xs -> Gp, Bp
void ParallelToSeries(CalcState& s);  // Gp, Bp -> Rs, Xs
void CapacitorToSeries(CalcState& s); // Cs, D, F -> Xs, then Rs
void InductorToSeries(CalcState& s);  // Ls, Q, F -> Xs, then Rs
void InductorReactance(CalcState& s); // Ls, F -> Xs
void DeriveQuantities(CalcState& s);  // Rs, Xs, Gp, Bp, F -> Z, Y, Cs, Ls, Q, D, Phase, Cp, Lp, Rp
