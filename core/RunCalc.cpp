#include "core/RunCalc.h"

#include "core/ParseNumber.h"
#include "core/Trigonometry.h"

#include <cstddef>

int ModeRowCount(int modeId) {
  const ModeRows *mode = FindModeRows(modeId);
  return mode != nullptr ? mode->rowCount : 0;
}

namespace {

// Working values a mode assigns (C1, L1, R1, ...) are stored doubles like the
// fields; only the "let" values inside one formula (A, w) stay extended.
inline Extended Square(double v) { return Ext(v) * Ext(v); }

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

void BridgeImpedance(CalcState &s, const Entries &e) { // mode 1, "R-X"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Xs = e.row[3];
  s.Rs = e.row[4];
  s.Xs = Store((Ext(s.F0Bridge) / Ext(s.F)) * Ext(s.Xs));
  SeriesToParallel(s);
}

void BridgeAdmittance(CalcState &s, const Entries &e) { // mode 2, "G-B"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Gp = e.row[3];
  s.Bp = e.row[4];
  s.Bp = Store((Ext(s.F) / Ext(s.F0Bridge)) * Ext(s.Bp));
  s.Bp = Store(Micro * Ext(s.Bp));
  s.Gp = Store(Micro * Ext(s.Gp));
  ParallelToSeries(s);
}

void SeriesCapacitorD(CalcState &s, const Entries &e) { // mode 3, "Cs-D"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.D = e.row[3];
  s.Cs = Store(-Ext(s.Cs) / MicrosPerUnit);
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void ParallelCapacitorD(CalcState &s, const Entries &e) { // mode 4, "Cp-D"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.D = e.row[3];
  s.Cp = Store(-Ext(s.Cp) / MicrosPerUnit);
  s.Cs = Store((Square(s.D) + 1) * Ext(s.Cp));
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void SeriesCapacitorR(CalcState &s, const Entries &e) { // mode 5, "Cs-R"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.Rs = e.row[3];
  s.Cs = Store(-Ext(s.Cs) / MicrosPerUnit);
  s.Xs = Store(1 / (((2 * Ext(s.Cs)) * Pi) * Ext(s.F)));
  SeriesToParallel(s);
}

void CapacitorsInParallel(CalcState &s, const Entries &e) { // mode 6, "Cs||Cs"
  s.F = e.row[1];
  double C1 = e.row[2];
  const double D1 = e.row[3];
  double C2 = e.row[4];
  const double D2 = e.row[5];
  C1 = Store(Ext(C1) / MicrosPerUnit);
  C2 = Store(Ext(C2) / MicrosPerUnit);
  const Extended A = Ext(C1) * (Square(D2) + 1) + Ext(C2) * (Square(D1) + 1);
  const Extended dd = Ext(D1) - Ext(D2);
  s.Cs = Store((Ext(C1) + Ext(C2)) - ((Ext(C1) * Ext(C2)) * (dd * dd)) / A);
  s.D =
      Store(((Ext(D1) * Ext(C1)) * (Square(D2) + 1) + (Ext(D2) * Ext(C2)) * (Square(D1) + 1)) / A);
  s.Cs = -s.Cs;
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void SeriesInductorQ(CalcState &s, const Entries &e) { // mode 7, "Ls-Q"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Q = e.row[3];
  s.Ls = Store(Ext(s.Ls) / MillisPerUnit);
  InductorToSeries(s);
  SeriesToParallel(s);
}

void ParallelInductorQ(CalcState &s, const Entries &e) { // mode 8, "Lp-Q"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Q = e.row[3];
  s.Lp = Store(Ext(s.Lp) / MillisPerUnit);
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1)) * Ext(s.Lp));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void MagnitudeAndPhase(CalcState &s, const Entries &e) { // mode 9, "V-Z"
  s.F = e.row[1];
  s.Z = e.row[2];
  s.Phase = e.row[3];
  // The field briefly holds radians; cosine and sine take the stored double.
  s.Phase = Store(DegreesToRadians * Ext(s.Phase));
  Extended sine, cosine;
  SineCosine(Ext(s.Phase), sine, cosine);
  s.Rs = Store(cosine * Ext(s.Z));
  s.Xs = Store(sine * Ext(s.Z));
  SeriesToParallel(s);
}

void CapacitorsInSeries(CalcState &s, const Entries &e) { // mode 10, "Cs-Cs"
  s.F = e.row[1];
  double C1 = e.row[2];
  const double D1 = e.row[3];
  double C2 = e.row[4];
  const double D2 = e.row[5];
  C1 = Store(Ext(C1) / MicrosPerUnit);
  C2 = Store(Ext(C2) / MicrosPerUnit);
  s.Cs = Store((Ext(C2) * Ext(C1)) / (Ext(C2) + Ext(C1)));
  const Extended w = (Pi * 2) * Ext(s.F);
  // Sum of the two series resistances over the combination's reactance.
  s.D = Store((Ext(D2) / (w * Ext(C2)) + Ext(D1) / (w * Ext(C1))) / (1 / (w * Ext(s.Cs))));
  s.Cs = -s.Cs;
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

void InductorsInParallel(CalcState &s, const Entries &e) { // mode 11, "Ls||Ls"
  s.F = e.row[1];
  double L1 = e.row[2];
  const double Q1 = e.row[3];
  double L2 = e.row[4];
  const double Q2 = e.row[5];
  L1 = Store(Ext(L1) / MillisPerUnit);
  L2 = Store(Ext(L2) / MillisPerUnit);
  // Each inductor becomes its parallel model: inductance, then resistance.
  L1 = Store((1 / Square(Q1) + 1) * Ext(L1));
  L2 = Store((1 / Square(Q2) + 1) * Ext(L2));
  s.Lp = Store((Ext(L2) * Ext(L1)) / (Ext(L2) + Ext(L1)));
  const double R1 = Store((((2 * Ext(Q1)) * Pi) * Ext(s.F)) * Ext(L1));
  const double R2 = Store((((2 * Ext(Q2)) * Pi) * Ext(s.F)) * Ext(L2));
  const double R = Store((Ext(R2) * Ext(R1)) / (Ext(R2) + Ext(R1)));
  s.Q = Store(Ext(R) / (((Pi * 2) * Ext(s.F)) * Ext(s.Lp)));
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1)) * Ext(s.Lp));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void InductorsInSeries(CalcState &s, const Entries &e) { // mode 12, "Ls-Ls"
  s.F = e.row[1];
  double L1 = e.row[2];
  const double Q1 = e.row[3];
  double L2 = e.row[4];
  const double Q2 = e.row[5];
  L1 = Store(Ext(L1) / MillisPerUnit);
  L2 = Store(Ext(L2) / MillisPerUnit);
  s.Ls = Store(Ext(L1) + Ext(L2));
  const Extended w = (Pi * 2) * Ext(s.F);
  // Combined reactance over the sum of the two series resistances.
  s.Q = Store((w * Ext(s.Ls)) / ((w * Ext(L2)) / Ext(Q2) + (w * Ext(L1)) / Ext(Q1)));
  InductorToSeries(s);
  SeriesToParallel(s);
}

void VoltageCurrentPhase(CalcState &s, const Entries &e) { // mode 13, "IVP"
  s.F = e.row[1];
  const double V = e.row[2];
  const double I = e.row[3];
  s.Phase = e.row[4];
  // The phase stays in degrees; it is converted inside each formula.
  s.Z = Store(Ext(V) / Ext(I));
  Extended sine, cosine;
  SineCosine(DegreesToRadians * Ext(s.Phase), sine, cosine);
  s.Rs = Store(Ext(s.Z) * cosine);
  s.Xs = Store(Ext(s.Z) * sine);
  SeriesToParallel(s);
}

void ParallelInductorR(CalcState &s, const Entries &e) { // mode 14, "Lp-R"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Rp = e.row[3];
  s.Lp = Store(Ext(s.Lp) / MillisPerUnit);
  s.Gp = Store(1 / Ext(s.Rp));
  s.Aux = Store(((Pi * 2) * Ext(s.F)) * Ext(s.Lp));
  s.Q = Store(-Ext(s.Rp) / Ext(s.Aux));
  // Through Q rather than directly, so a zero Rp gives NaN here.
  s.Bp = Store(Ext(s.Q) * Ext(s.Gp));
  ParallelToSeries(s);
}

void SeriesInductorR(CalcState &s, const Entries &e) { // mode 15, "Ls-R"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Rs = e.row[3];
  s.Ls = Store(Ext(s.Ls) / MillisPerUnit);
  InductorReactance(s);
  SeriesToParallel(s);
}

void ParallelCapacitorR(CalcState &s, const Entries &e) { // mode 16, "Cp-Rp"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.Rp = -e.row[3];
  s.Cp = Store(-Ext(s.Cp) / MicrosPerUnit);
  // Both Cp and Rp are negative here, so D comes out positive.
  s.D = Store(1 / ((((Pi * 2) * Ext(s.F)) * Ext(s.Cp)) * Ext(s.Rp)));
  s.Cs = Store((Square(s.D) + 1) * Ext(s.Cp));
  CapacitorToSeries(s);
  SeriesToParallel(s);
}

using ModeReduction = void (*)(CalcState &, const Entries &);

constexpr ModeReduction Reductions[ModeCount + 1] = {nullptr,
                                                     BridgeImpedance,
                                                     BridgeAdmittance,
                                                     SeriesCapacitorD,
                                                     ParallelCapacitorD,
                                                     SeriesCapacitorR,
                                                     CapacitorsInParallel,
                                                     SeriesInductorQ,
                                                     ParallelInductorQ,
                                                     MagnitudeAndPhase,
                                                     CapacitorsInSeries,
                                                     InductorsInParallel,
                                                     InductorsInSeries,
                                                     VoltageCurrentPhase,
                                                     ParallelInductorR,
                                                     SeriesInductorR,
                                                     ParallelCapacitorR};

} // namespace

void RunCalc(CalcState &s, int modeId, std::span<const std::string_view> rows) {
  const int count = ModeRowCount(modeId);
  if (count == 0)
    return;
  // Every row is read and stored before any arithmetic.
  const Entries e = ParseRows(count, rows);
  Reductions[modeId](s, e);
  DeriveQuantities(s);
}
