#include "core/RunCalc.h"

#include "core/ParseNumber.h"

#include <cmath>
#include <cstddef>

int ModeRowCount(int modeId) {
  switch (modeId) {
  case 1: case 2: case 13:
    return 4;
  case 6: case 10: case 11: case 12:
    return 5;
  case 3: case 4: case 5: case 7: case 8: case 9: case 14: case 15: case 16:
    return 3;
  default:
    return 0;
  }
}

namespace {

// Working values a mode assigns (C1, L1, R1, ...) are stored doubles like the
// fields; only the "let" values inside one formula (A, w) stay extended.
inline long double X(double v) { return v; }

inline double Store(long double v) { return static_cast<double>(v); }

inline long double Square(double v) { return X(v) * X(v); }

constexpr long double Micro = 0.000001L;
constexpr long double DegreesToRadians = Pi / 180.0L;

// Entered values of one calculation, row 1 first; absent rows read as zero.
struct Entries {
  double row[6] = {};
};

Entries ParseRows(int count, std::span<const std::string_view> rows) {
  Entries e;
  for (int k = 1; k <= count; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    e.row[k] = i < rows.size() ? ParseNumber(rows[i]) : ParseNumber(std::string_view());
  }
  return e;
}

void BridgeImpedance(CalcState& s, const Entries& e) { // mode 1, "R-X"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Xs = e.row[3];
  s.Rs = e.row[4];
  s.Xs = Store((X(s.F0Bridge) / X(s.F)) * X(s.Xs));
  SeriesToParallel(s);
}

void BridgeAdmittance(CalcState& s, const Entries& e) { // mode 2, "G-B"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Gp = e.row[3];
  s.Bp = e.row[4];
  s.Bp = Store((X(s.F) / X(s.F0Bridge)) * X(s.Bp));
  s.Bp = Store(Micro * X(s.Bp));
  s.Gp = Store(Micro * X(s.Gp));
  ParallelToSeries(s);
}

void SeriesCapacitorD(CalcState& s, const Entries& e) { // mode 3, "Cs-D"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.D = e.row[3];
  s.Cs = Store(-X(s.Cs) / 1000000.0L);
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void ParallelCapacitorD(CalcState& s, const Entries& e) { // mode 4, "Cp-D"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.D = e.row[3];
  s.Cp = Store(-X(s.Cp) / 1000000.0L);
  s.Cs = Store((Square(s.D) + 1.0L) * X(s.Cp));
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void SeriesCapacitorR(CalcState& s, const Entries& e) { // mode 5, "Cs-R"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.Rs = e.row[3];
  s.Cs = Store(-X(s.Cs) / 1000000.0L);
  s.Xs = Store(1.0L / (((2.0L * X(s.Cs)) * Pi) * X(s.F)));
  SeriesToParallel(s);
}

void CapacitorsInParallel(CalcState& s, const Entries& e) { // mode 6, "Cs||Cs"
  s.F = e.row[1];
  double C1 = e.row[2];
  const double D1 = e.row[3];
  double C2 = e.row[4];
  const double D2 = e.row[5];
  C1 = Store(X(C1) / 1000000.0L);
  C2 = Store(X(C2) / 1000000.0L);
  const long double A = X(C1) * (Square(D2) + 1.0L) + X(C2) * (Square(D1) + 1.0L);
  const long double dd = X(D1) - X(D2);
  s.Cs = Store((X(C1) + X(C2)) - ((X(C1) * X(C2)) * (dd * dd)) / A);
  s.D = Store(((X(D1) * X(C1)) * (Square(D2) + 1.0L) + (X(D2) * X(C2)) * (Square(D1) + 1.0L)) / A);
  s.Cs = -s.Cs;
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void SeriesInductorQ(CalcState& s, const Entries& e) { // mode 7, "Ls-Q"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Q = e.row[3];
  s.Ls = Store(X(s.Ls) / 1000.0L);
  InductorToSeries(s);
  SeriesToParallel(s);
}

void ParallelInductorQ(CalcState& s, const Entries& e) { // mode 8, "Lp-Q"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Q = e.row[3];
  s.Lp = Store(X(s.Lp) / 1000.0L);
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1.0L)) * X(s.Lp));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void MagnitudeAndPhase(CalcState& s, const Entries& e) { // mode 9, "V-Z"
  s.F = e.row[1];
  s.Z = e.row[2];
  s.Phase = e.row[3];
  // The field briefly holds radians; cosine and sine take the stored double.
  s.Phase = Store(DegreesToRadians * X(s.Phase));
  s.Rs = Store(std::cos(X(s.Phase)) * X(s.Z));
  s.Xs = Store(std::sin(X(s.Phase)) * X(s.Z));
  SeriesToParallel(s);
}

void CapacitorsInSeries(CalcState& s, const Entries& e) { // mode 10, "Cs-Cs"
  s.F = e.row[1];
  double C1 = e.row[2];
  const double D1 = e.row[3];
  double C2 = e.row[4];
  const double D2 = e.row[5];
  C1 = Store(X(C1) / 1000000.0L);
  C2 = Store(X(C2) / 1000000.0L);
  s.Cs = Store((X(C2) * X(C1)) / (X(C2) + X(C1)));
  const long double w = (Pi * 2.0L) * X(s.F);
  // Sum of the two series resistances over the combination's reactance.
  s.D = Store((X(D2) / (w * X(C2)) + X(D1) / (w * X(C1))) / (1.0L / (w * X(s.Cs))));
  s.Cs = -s.Cs;
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void InductorsInParallel(CalcState& s, const Entries& e) { // mode 11, "Ls||Ls"
  s.F = e.row[1];
  double L1 = e.row[2];
  const double Q1 = e.row[3];
  double L2 = e.row[4];
  const double Q2 = e.row[5];
  L1 = Store(X(L1) / 1000.0L);
  L2 = Store(X(L2) / 1000.0L);
  // Each inductor becomes its parallel model: inductance, then resistance.
  L1 = Store((1.0L / Square(Q1) + 1.0L) * X(L1));
  L2 = Store((1.0L / Square(Q2) + 1.0L) * X(L2));
  s.Lp = Store((X(L2) * X(L1)) / (X(L2) + X(L1)));
  const double R1 = Store((((2.0L * X(Q1)) * Pi) * X(s.F)) * X(L1));
  const double R2 = Store((((2.0L * X(Q2)) * Pi) * X(s.F)) * X(L2));
  const double R = Store((X(R2) * X(R1)) / (X(R2) + X(R1)));
  s.Q = Store(X(R) / (((Pi * 2.0L) * X(s.F)) * X(s.Lp)));
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1.0L)) * X(s.Lp));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void InductorsInSeries(CalcState& s, const Entries& e) { // mode 12, "Ls-Ls"
  s.F = e.row[1];
  double L1 = e.row[2];
  const double Q1 = e.row[3];
  double L2 = e.row[4];
  const double Q2 = e.row[5];
  L1 = Store(X(L1) / 1000.0L);
  L2 = Store(X(L2) / 1000.0L);
  s.Ls = Store(X(L1) + X(L2));
  const long double w = (Pi * 2.0L) * X(s.F);
  // Combined reactance over the sum of the two series resistances.
  s.Q = Store((w * X(s.Ls)) / ((w * X(L2)) / X(Q2) + (w * X(L1)) / X(Q1)));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void VoltageCurrentPhase(CalcState& s, const Entries& e) { // mode 13, "IVP"
  s.F = e.row[1];
  const double V = e.row[2];
  const double I = e.row[3];
  s.Phase = e.row[4];
  // The phase stays in degrees; it is converted inside each formula.
  s.Z = Store(X(V) / X(I));
  s.Rs = Store(X(s.Z) * std::cos(DegreesToRadians * X(s.Phase)));
  s.Xs = Store(X(s.Z) * std::sin(DegreesToRadians * X(s.Phase)));
  SeriesToParallel(s);
}

void ParallelInductorR(CalcState& s, const Entries& e) { // mode 14, "Lp-R"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Rp = e.row[3];
  s.Lp = Store(X(s.Lp) / 1000.0L);
  s.Gp = Store(1.0L / X(s.Rp));
  s.Aux = Store(((Pi * 2.0L) * X(s.F)) * X(s.Lp));
  s.Q = Store(-X(s.Rp) / X(s.Aux));
  // Through Q rather than directly, so a zero Rp gives NaN here.
  s.Bp = Store(X(s.Q) * X(s.Gp));
  ParallelToSeries(s);
}

void SeriesInductorR(CalcState& s, const Entries& e) { // mode 15, "Ls-R"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Rs = e.row[3];
  s.Ls = Store(X(s.Ls) / 1000.0L);
  InductorReactance(s);
  SeriesToParallel(s);
}

void ParallelCapacitorR(CalcState& s, const Entries& e) { // mode 16, "Cp-Rp"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.Rp = -e.row[3];
  s.Cp = Store(-X(s.Cp) / 1000000.0L);
  // Both Cp and Rp are negative here, so D comes out positive.
  s.D = Store(1.0L / ((((Pi * 2.0L) * X(s.F)) * X(s.Cp)) * X(s.Rp)));
  s.Cs = Store((Square(s.D) + 1.0L) * X(s.Cp));
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

using ModeReduction = void (*)(CalcState&, const Entries&);

constexpr ModeReduction Reductions[ModeCount + 1] = {
    nullptr,           BridgeImpedance,   BridgeAdmittance,     SeriesCapacitorD,
    ParallelCapacitorD, SeriesCapacitorR, CapacitorsInParallel, SeriesInductorQ,
    ParallelInductorQ, MagnitudeAndPhase, CapacitorsInSeries,   InductorsInParallel,
    InductorsInSeries, VoltageCurrentPhase, ParallelInductorR,  SeriesInductorR,
    ParallelCapacitorR};

} // namespace

void RunCalc(CalcState& s, int modeId, std::span<const std::string_view> rows) {
  const int count = ModeRowCount(modeId);
  if (count == 0)
    return;
  // Every row is read and stored before any arithmetic.
  const Entries e = ParseRows(count, rows);
  Reductions[modeId](s, e);
  DeriveQuantities(s);
}
