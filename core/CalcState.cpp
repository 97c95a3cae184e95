#include "core/CalcState.h"

#include "core/Trigonometry.h"

#include <cmath>

void SeriesToParallel(CalcState &s) {
  s.Gp = Store(Ext(s.Rs) / (Ext(s.Rs) * Ext(s.Rs) + Ext(s.Xs) * Ext(s.Xs)));
  s.Bp = Store(-Ext(s.Xs) / (Ext(s.Rs) * Ext(s.Rs) + Ext(s.Xs) * Ext(s.Xs)));
}

void ParallelToSeries(CalcState &s) {
  s.Rs = Store(Ext(s.Gp) / (Ext(s.Gp) * Ext(s.Gp) + Ext(s.Bp) * Ext(s.Bp)));
  s.Xs = Store(-Ext(s.Bp) / (Ext(s.Gp) * Ext(s.Gp) + Ext(s.Bp) * Ext(s.Bp)));
}

void CapacitorToSeries(CalcState &s) {
  // A capacitance carried as a negative number gives a negative reactance.
  s.Xs = Store(1 / (((2 * Ext(s.Cs)) * Pi) * Ext(s.F)));
  s.Rs = Store(-Ext(s.D) * Ext(s.Xs));
}

void InductorToSeries(CalcState &s) {
  s.Xs = Store(((2 * Ext(s.Ls)) * Pi) * Ext(s.F));
  s.Rs = Store(Ext(s.Xs) / Ext(s.Q));
}

void InductorReactance(CalcState &s) { s.Xs = Store(((2 * Ext(s.Ls)) * Pi) * Ext(s.F)); }

void DeriveQuantities(CalcState &s) {
  s.Z = Store(SquareRoot(Ext(s.Rs) * Ext(s.Rs) + Ext(s.Xs) * Ext(s.Xs)));
  s.Y = Store(SquareRoot(Ext(s.Gp) * Ext(s.Gp) + Ext(s.Bp) * Ext(s.Bp)));
  s.Cs = Store(1 / (((Pi * 2) * Ext(s.F)) * Ext(s.Xs)));
  s.Ls = Store(Ext(s.Xs) / ((Pi * 2) * Ext(s.F)));
  // Q and D come from the parallel model, and the phase from the stored Q,
  // so all three agree with the susceptance sign that readers test.
  s.Q = Store(-Ext(s.Bp) / Ext(s.Gp));
  s.D = Store(Ext(s.Gp) / Ext(s.Bp));
  s.Phase = Store(Arctangent(Ext(s.Q)) * (180 / Pi));
  s.Cp = Store((1 / (Ext(s.D) * Ext(s.D) + 1)) * Ext(s.Cs));
  s.Lp = Store((1 / (Ext(s.Q) * Ext(s.Q)) + 1) * Ext(s.Ls));
  s.Rp = Store(1 / Ext(s.Gp));
}
