// The calculation record and the six conversion operations that complete it.
#pragma once

#include "core/Extended.h"
#include "core/Trigonometry.h"

#include <utility>

// Quantities of one impedance at one frequency, in SI units (mhos for
// conductance, degrees for the phase), each of the number type `T`: stored
// doubles for the calculation, other types where the same steps compute
// something else (the range a result takes over a meter's accuracy). Field
// order is part of the contract: the command-line JSON output lists the
// fields in this order.
template <class T> struct CalcRecord {
  T F{};        // working frequency, Hz
  T F0Bridge{}; // nominal frequency of a bridge reading, Hz
  T Z{};        // impedance magnitude, never negative
  T Rs{};       // series resistance
  T Rp{};       // parallel resistance, 1/Gp
  T Xs{};       // series reactance: positive inductive, negative capacitive
  T Aux{};      // scratch value of the Lp-R mode (2·π·F·Lp)
  T Gp{};       // parallel conductance
  T Bp{};       // parallel susceptance: positive capacitive, negative inductive
  T Y{};        // admittance magnitude, never negative
  T Cs{};       // series capacitance, negative for a capacitive impedance
  T Cp{};       // parallel capacitance, same sign as Cs
  T Ls{};       // series inductance, positive for an inductive impedance
  T Lp{};       // parallel inductance, same sign as Ls
  T Q{};        // −Bp/Gp
  T D{};        // Gp/Bp
  T Phase{};    // degrees, arctangent of Q
};

// The record of the calculation: every field a stored double.
using CalcState = CalcRecord<double>;

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

// The fields of a record of any number type, in record order, as
// CalcStateFields lists them.
template <class T>
inline constexpr T CalcRecord<T>::*CalcRecordMembers[CalcStateFieldCount] = {
    &CalcRecord<T>::F,    &CalcRecord<T>::F0Bridge, &CalcRecord<T>::Z,   &CalcRecord<T>::Rs,
    &CalcRecord<T>::Rp,   &CalcRecord<T>::Xs,       &CalcRecord<T>::Aux, &CalcRecord<T>::Gp,
    &CalcRecord<T>::Bp,   &CalcRecord<T>::Y,        &CalcRecord<T>::Cs,  &CalcRecord<T>::Cp,
    &CalcRecord<T>::Ls,   &CalcRecord<T>::Lp,       &CalcRecord<T>::Q,   &CalcRecord<T>::D,
    &CalcRecord<T>::Phase};

// The field of `s` that `member` names in the calculation's record.
template <class T> T CalcRecord<T>::*RecordMember(double CalcState::*member) {
  int i = 0;
  while (i + 1 < CalcStateFieldCount && CalcStateFields[i].member != member)
    ++i;
  return CalcRecordMembers<T>[i];
}

template <class T> T &FieldOf(CalcRecord<T> &s, double CalcState::*member) {
  return s.*RecordMember<T>(member);
}

template <class T> const T &FieldOf(const CalcRecord<T> &s, double CalcState::*member) {
  return s.*RecordMember<T>(member);
}

// The type a formula carries a stored value of type T in: Extended for a
// stored double.
template <class T> using Working = decltype(Ext(std::declval<T>()));

// A stored value squared for a formula, x·x at extended precision.
inline Extended Square(double v) { return Ext(v) * Ext(v); }

// The six operations read and write only the fields named, in the order
// written; intermediates stay in extended precision and are rounded when
// stored. None of them ever fails: degenerate inputs give infinities or
// NaNs, which are stored like any other value. They are written once for
// every number type that provides Ext, Store, Square, SquareRoot,
// Arctangent and the four operations.

// Rs, Xs -> Gp, Bp: the admittance of the series impedance (the sum of
// squares is formed again for Bp from the same Rs and Xs).
template <class T> void SeriesToParallel(CalcRecord<T> &s) {
  s.Gp = Store(Ext(s.Rs) / (Square(s.Rs) + Square(s.Xs)));
  s.Bp = Store(-Ext(s.Xs) / (Square(s.Rs) + Square(s.Xs)));
}

// Gp, Bp -> Rs, Xs: the impedance of the parallel admittance.
template <class T> void ParallelToSeries(CalcRecord<T> &s) {
  s.Rs = Store(Ext(s.Gp) / (Square(s.Gp) + Square(s.Bp)));
  s.Xs = Store(-Ext(s.Bp) / (Square(s.Gp) + Square(s.Bp)));
}

// Cs, D, F -> Xs, then Rs. A capacitance carried as a negative number gives
// a negative reactance.
template <class T> void CapacitorToSeries(CalcRecord<T> &s) {
  s.Xs = Store(1 / (((2 * Ext(s.Cs)) * Pi) * Ext(s.F)));
  s.Rs = Store(-Ext(s.D) * Ext(s.Xs));
}

// Ls, Q, F -> Xs, then Rs.
template <class T> void InductorToSeries(CalcRecord<T> &s) {
  s.Xs = Store(((2 * Ext(s.Ls)) * Pi) * Ext(s.F));
  s.Rs = Store(Ext(s.Xs) / Ext(s.Q));
}

// Ls, F -> Xs; Rs is left as it is.
template <class T> void InductorReactance(CalcRecord<T> &s) {
  s.Xs = Store(((2 * Ext(s.Ls)) * Pi) * Ext(s.F));
}

// Rs, Xs, Gp, Bp, F -> Z, Y, Cs, Ls, Q, D, Phase, Cp, Lp, Rp, in this order,
// each later step reading what the earlier ones stored.
template <class T> void DeriveQuantities(CalcRecord<T> &s) {
  s.Z = Store(SquareRoot(Square(s.Rs) + Square(s.Xs)));
  s.Y = Store(SquareRoot(Square(s.Gp) + Square(s.Bp)));
  s.Cs = Store(1 / (((Pi * 2) * Ext(s.F)) * Ext(s.Xs)));
  s.Ls = Store(Ext(s.Xs) / ((Pi * 2) * Ext(s.F)));
  // Q and D come from the parallel model, and the phase from the stored Q,
  // so all three agree with the susceptance sign that readers test.
  s.Q = Store(-Ext(s.Bp) / Ext(s.Gp));
  s.D = Store(Ext(s.Gp) / Ext(s.Bp));
  s.Phase = Store(Arctangent(Ext(s.Q)) * (180 / Pi));
  s.Cp = Store((1 / (Square(s.D) + 1)) * Ext(s.Cs));
  s.Lp = Store((1 / Square(s.Q) + 1) * Ext(s.Ls));
  s.Rp = Store(1 / Ext(s.Gp));
}
