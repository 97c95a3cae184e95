#include "core/CalcState.h"

#include "core/Trigonometry.h"

#include <cmath>

const char *const CalcStateFieldNames[CalcStateFieldCount] = {
    "F", "F0Bridge", "Z",  "Rs", "Rp", "Xs", "Aux", "Gp",   "Bp",
    "Y", "Cs",       "Cp", "Ls", "Lp", "Q",  "D",   "Phase"};

void CalcStateFields(const CalcState &s, double out[CalcStateFieldCount]) {
  const double fields[CalcStateFieldCount] = {s.F,   s.F0Bridge, s.Z,  s.Rs, s.Rp,   s.Xs,
                                              s.Aux, s.Gp,       s.Bp, s.Y,  s.Cs,   s.Cp,
                                              s.Ls,  s.Lp,       s.Q,  s.D,  s.Phase};
  for (int i = 0; i < CalcStateFieldCount; ++i)
    out[i] = fields[i];
}

namespace {

// Every formula widens its stored operands to extended precision, and the
// result is rounded to double exactly once, when it is stored.
inline long double Ext(double v) { return v; }

inline double Store(long double v) { return static_cast<double>(v); }

} // namespace

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
  s.Xs = Store(1.0L / (((2.0L * Ext(s.Cs)) * Pi) * Ext(s.F)));
  s.Rs = Store(-Ext(s.D) * Ext(s.Xs));
}

void InductorToSeries(CalcState &s) {
  s.Xs = Store(((2.0L * Ext(s.Ls)) * Pi) * Ext(s.F));
  s.Rs = Store(Ext(s.Xs) / Ext(s.Q));
}

void InductorReactance(CalcState &s) { s.Xs = Store(((2.0L * Ext(s.Ls)) * Pi) * Ext(s.F)); }

void DeriveQuantities(CalcState &s) {
  s.Z = Store(std::sqrt(Ext(s.Rs) * Ext(s.Rs) + Ext(s.Xs) * Ext(s.Xs)));
  s.Y = Store(std::sqrt(Ext(s.Gp) * Ext(s.Gp) + Ext(s.Bp) * Ext(s.Bp)));
  s.Cs = Store(1.0L / (((Pi * 2.0L) * Ext(s.F)) * Ext(s.Xs)));
  s.Ls = Store(Ext(s.Xs) / ((Pi * 2.0L) * Ext(s.F)));
  // Q and D come from the parallel model, and the phase from the stored Q,
  // so all three agree with the susceptance sign that readers test.
  s.Q = Store(-Ext(s.Bp) / Ext(s.Gp));
  s.D = Store(Ext(s.Gp) / Ext(s.Bp));
  s.Phase = Store(Arctangent(Ext(s.Q)) * (180.0L / Pi));
  s.Cp = Store((1.0L / (Ext(s.D) * Ext(s.D) + 1.0L)) * Ext(s.Cs));
  s.Lp = Store((1.0L / (Ext(s.Q) * Ext(s.Q)) + 1.0L) * Ext(s.Ls));
  s.Rp = Store(1.0L / Ext(s.Gp));
}
