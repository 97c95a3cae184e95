// The reductions that the modes and the meter pairs share: from the values
// in the record, in SI units with capacitances carried negative, to the
// series or the parallel model of the impedance. Each mode and each pair
// loads its readings into the record and then runs one of these (the mode
// after its own unit conversion), then DeriveQuantities. Written once over
// the record's number type, like the six operations.
#pragma once

#include "core/CalcState.h"

// Cs (negative) and D: the series model. Modes Cs-D, Cs||Cs, Cs-Cs.
template <class T> void ReduceSeriesCapacitorD(CalcRecord<T> &s) {
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

// Cp (negative) and D: the series capacitance first. Mode Cp-D.
template <class T> void ReduceParallelCapacitorD(CalcRecord<T> &s) {
  s.Cs = Store((Square(s.D) + 1) * Ext(s.Cp));
  ReduceSeriesCapacitorD(s);
}

// Cs (negative) and Rs: the reactance of the capacitance. Mode Cs-R.
template <class T> void ReduceSeriesCapacitorR(CalcRecord<T> &s) {
  s.Xs = Store(1 / (((2 * Ext(s.Cs)) * Pi) * Ext(s.F)));
  SeriesToParallel(s);
}

// Cp and Rp, both negative, so that D comes out positive. Mode Cp-Rp.
template <class T> void ReduceParallelCapacitorR(CalcRecord<T> &s) {
  s.D = Store(1 / ((((Pi * 2) * Ext(s.F)) * Ext(s.Cp)) * Ext(s.Rp)));
  ReduceParallelCapacitorD(s);
}

// Ls and Q: the series model. Modes Ls-Q, Ls||Ls, Ls-Ls.
template <class T> void ReduceSeriesInductorQ(CalcRecord<T> &s) {
  InductorToSeries(s);
  SeriesToParallel(s);
}

// Lp and Q: the series inductance first. Mode Lp-Q.
template <class T> void ReduceParallelInductorQ(CalcRecord<T> &s) {
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1)) * Ext(s.Lp));
  ReduceSeriesInductorQ(s);
}

// Ls and Rs: the reactance of the inductance. Mode Ls-R.
template <class T> void ReduceSeriesInductorR(CalcRecord<T> &s) {
  InductorReactance(s);
  SeriesToParallel(s);
}

// Lp and Rp: the parallel model. Mode Lp-R. The susceptance goes through Q
// rather than directly, so a zero Rp gives NaN there.
template <class T> void ReduceParallelInductorR(CalcRecord<T> &s) {
  s.Gp = Store(1 / Ext(s.Rp));
  s.Aux = Store(((Pi * 2) * Ext(s.F)) * Ext(s.Lp));
  s.Q = Store(-Ext(s.Rp) / Ext(s.Aux));
  s.Bp = Store(Ext(s.Q) * Ext(s.Gp));
  ParallelToSeries(s);
}

// A magnitude and an angle in radians (a stored value) as the two parts of
// the vector: cosine and sine each times the magnitude. Mode V-Z, and the
// pairs of |Z| or |Y| and their phase.
template <class T> void PolarToRectangular(T magnitude, T radians, T &real, T &imaginary) {
  Working<T> sine, cosine;
  SineCosine(Ext(radians), sine, cosine);
  real = Store(cosine * Ext(magnitude));
  imaginary = Store(sine * Ext(magnitude));
}
