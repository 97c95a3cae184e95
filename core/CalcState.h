// The calculation record and the six conversion operations that complete it.
#pragma once

#include "core/Extended.h"

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

// One field of the record with the name every reader lists it under (the
// companion's JSON and batch columns, the result texts' lookups).
struct CalcStateField {
  const char *name;
  double CalcState::*member;
};

inline constexpr int CalcStateFieldCount = 17;

// Every field, in record order.
inline constexpr CalcStateField CalcStateFields[CalcStateFieldCount] = {
    {"F", &CalcState::F},        {"F0Bridge", &CalcState::F0Bridge},
    {"Z", &CalcState::Z},        {"Rs", &CalcState::Rs},
    {"Rp", &CalcState::Rp},      {"Xs", &CalcState::Xs},
    {"Aux", &CalcState::Aux},    {"Gp", &CalcState::Gp},
    {"Bp", &CalcState::Bp},      {"Y", &CalcState::Y},
    {"Cs", &CalcState::Cs},      {"Cp", &CalcState::Cp},
    {"Ls", &CalcState::Ls},      {"Lp", &CalcState::Lp},
    {"Q", &CalcState::Q},        {"D", &CalcState::D},
    {"Phase", &CalcState::Phase}};

// The name of the field `member` ("Phase" for &CalcState::Phase).
constexpr const char *CalcStateFieldName(double CalcState::*member) {
  for (const CalcStateField &f : CalcStateFields)
    if (f.member == member)
      return f.name;
  return "";
}

// Each operation reads and writes only the fields named, in the documented
// order; intermediates stay in extended precision and are rounded to double
// when stored. None of them ever fails: degenerate inputs give infinities or
// NaNs, which are stored like any other value.
void SeriesToParallel(CalcState &s);  // Rs, Xs -> Gp, Bp
void ParallelToSeries(CalcState &s);  // Gp, Bp -> Rs, Xs
void CapacitorToSeries(CalcState &s); // Cs, D, F -> Xs, then Rs
void InductorToSeries(CalcState &s);  // Ls, Q, F -> Xs, then Rs
void InductorReactance(CalcState &s); // Ls, F -> Xs
void DeriveQuantities(CalcState &s);  // Rs, Xs, Gp, Bp, F -> Z, Y, Cs, Ls, Q, D, Phase, Cp, Lp, Rp
