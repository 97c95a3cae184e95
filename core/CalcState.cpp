#include "core/CalcState.h"

#include <cmath>

const char* const CalcStateFieldNames[CalcStateFieldCount] = {
    "F", "F0Bridge", "Z", "Rs", "Rp", "Xs", "Aux", "Gp", "Bp",
    "Y", "Cs",       "Cp", "Ls", "Lp", "Q",  "D",   "Phase"};

void CalcStateFields(const CalcState& s, double out[CalcStateFieldCount]) {
  const double fields[CalcStateFieldCount] = {s.F,  s.F0Bridge, s.Z,  s.Rs, s.Rp, s.Xs,
                                              s.Aux, s.Gp,      s.Bp, s.Y,  s.Cs, s.Cp,
                                              s.Ls, s.Lp,       s.Q,  s.D,  s.Phase};
  for (int i = 0; i < CalcStateFieldCount; ++i)
    out[i] = fields[i];
}

namespace {

// Every formula widens its stored operands to extended precision, and the
// result is rounded to double exactly once, when it is stored.
inline long double X(double v) { return v; }

inline double Store(long double v) { return static_cast<double>(v); }

} // namespace

void SeriesToParallel(CalcState& s) {
  s.Gp = Store(X(s.Rs) / (X(s.Rs) * X(s.Rs) + X(s.Xs) * X(s.Xs)));
  s.Bp = Store(-X(s.Xs) / (X(s.Rs) * X(s.Rs) + X(s.Xs) * X(s.Xs)));
}

void ParallelToSeries(CalcState& s) {
  s.Rs = Store(X(s.Gp) / (X(s.Gp) * X(s.Gp) + X(s.Bp) * X(s.Bp)));
  s.Xs = Store(-X(s.Bp) / (X(s.Gp) * X(s.Gp) + X(s.Bp) * X(s.Bp)));
}

void CapacitorToSeries(CalcState& s) {
  // A capacitance carried as a negative number gives a negative reactance.
  s.Xs = Store(1.0L / (((2.0L * X(s.Cs)) * Pi) * X(s.F)));
  s.Rs = Store(-X(s.D) * X(s.Xs));
}

void InductorToSeries(CalcState& s) {
  s.Xs = Store(((2.0L * X(s.Ls)) * Pi) * X(s.F));
  s.Rs = Store(X(s.Xs) / X(s.Q));
}

void InductorReactance(CalcState& s) { s.Xs = Store(((2.0L * X(s.Ls)) * Pi) * X(s.F)); }

void DeriveQuantities(CalcState& s) {
  s.Z = Store(std::sqrt(X(s.Rs) * X(s.Rs) + X(s.Xs) * X(s.Xs)));
  s.Y = Store(std::sqrt(X(s.Gp) * X(s.Gp) + X(s.Bp) * X(s.Bp)));
  s.Cs = Store(1.0L / (((Pi * 2.0L) * X(s.F)) * X(s.Xs)));
  s.Ls = Store(X(s.Xs) / ((Pi * 2.0L) * X(s.F)));
  // Q and D come from the parallel model, and the phase from the stored Q,
  // so all three agree with the susceptance sign that readers test.
  s.Q = Store(-X(s.Bp) / X(s.Gp));
  s.D = Store(X(s.Gp) / X(s.Bp));
  s.Phase = Store(std::atan(X(s.Q)) * (180.0L / Pi));
  s.Cp = Store((1.0L / (X(s.D) * X(s.D) + 1.0L)) * X(s.Cs));
  s.Lp = Store((1.0L / (X(s.Q) * X(s.Q)) + 1.0L) * X(s.Ls));
  s.Rp = Store(1.0L / X(s.Gp));
}
