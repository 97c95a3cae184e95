#include "core/RunCalc.h"

#include "core/ParseNumber.h"
#include "core/Reductions.h"

#include <cstddef>

int ModeRowCount(int modeId) {
  const ModeRows *mode = FindModeRows(modeId);
  return mode != nullptr ? mode->rowCount : 0;
}

namespace {

// Entered values of one calculation, row 1 first; absent rows read as zero.
template <class T> struct Entries {
  T row[6] = {};
};

Entries<double> ParseRows(int count, std::span<const std::string_view> rows) {
  Entries<double> e;
  for (int k = 1; k <= count; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    e.row[k] = i < rows.size() ? ParseNumber(rows[i]) : ParseNumber(std::string_view());
  }
  return e;
}

// Each mode stores its rows, converts their units, and reduces them to the
// series or the parallel model, written once over the record's number type.
// Working values a mode assigns (C1, L1, R1, ...) are stored values like the
// fields; only the "let" values inside one formula (A, w) stay extended.

template <class T> void BridgeImpedance(CalcRecord<T> &s, const Entries<T> &e) { // mode 1, "R-X"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Xs = e.row[3];
  s.Rs = e.row[4];
  s.Xs = Store((Ext(s.F0Bridge) / Ext(s.F)) * Ext(s.Xs));
  SeriesToParallel(s);
}

template <class T> void BridgeAdmittance(CalcRecord<T> &s, const Entries<T> &e) { // mode 2, "G-B"
  s.F0Bridge = e.row[1];
  s.F = e.row[2];
  s.Gp = e.row[3];
  s.Bp = e.row[4];
  s.Bp = Store((Ext(s.F) / Ext(s.F0Bridge)) * Ext(s.Bp));
  s.Bp = Store(Micro * Ext(s.Bp));
  s.Gp = Store(Micro * Ext(s.Gp));
  ParallelToSeries(s);
}

template <class T> void SeriesCapacitorD(CalcRecord<T> &s, const Entries<T> &e) { // mode 3, "Cs-D"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.D = e.row[3];
  s.Cs = Store(-Ext(s.Cs) / MicrosPerUnit);
  ReduceSeriesCapacitorD(s);
}

template <class T>
void ParallelCapacitorD(CalcRecord<T> &s, const Entries<T> &e) { // mode 4, "Cp-D"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.D = e.row[3];
  s.Cp = Store(-Ext(s.Cp) / MicrosPerUnit);
  ReduceParallelCapacitorD(s);
}

template <class T> void SeriesCapacitorR(CalcRecord<T> &s, const Entries<T> &e) { // mode 5, "Cs-R"
  s.F = e.row[1];
  s.Cs = e.row[2];
  s.Rs = e.row[3];
  s.Cs = Store(-Ext(s.Cs) / MicrosPerUnit);
  ReduceSeriesCapacitorR(s);
}

template <class T>
void CapacitorsInParallel(CalcRecord<T> &s, const Entries<T> &e) { // mode 6, "Cs||Cs"
  s.F = e.row[1];
  T C1 = e.row[2];
  const T D1 = e.row[3];
  T C2 = e.row[4];
  const T D2 = e.row[5];
  C1 = Store(Ext(C1) / MicrosPerUnit);
  C2 = Store(Ext(C2) / MicrosPerUnit);
  const Working<T> A = Ext(C1) * (Square(D2) + 1) + Ext(C2) * (Square(D1) + 1);
  const Working<T> dd = Ext(D1) - Ext(D2);
  s.Cs = Store((Ext(C1) + Ext(C2)) - ((Ext(C1) * Ext(C2)) * (dd * dd)) / A);
  s.D =
      Store(((Ext(D1) * Ext(C1)) * (Square(D2) + 1) + (Ext(D2) * Ext(C2)) * (Square(D1) + 1)) / A);
  s.Cs = -s.Cs;
  ReduceSeriesCapacitorD(s);
}

template <class T> void SeriesInductorQ(CalcRecord<T> &s, const Entries<T> &e) { // mode 7, "Ls-Q"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Q = e.row[3];
  s.Ls = Store(Ext(s.Ls) / MillisPerUnit);
  ReduceSeriesInductorQ(s);
}

template <class T> void ParallelInductorQ(CalcRecord<T> &s, const Entries<T> &e) { // mode 8, "Lp-Q"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Q = e.row[3];
  s.Lp = Store(Ext(s.Lp) / MillisPerUnit);
  ReduceParallelInductorQ(s);
}

template <class T> void MagnitudeAndPhase(CalcRecord<T> &s, const Entries<T> &e) { // mode 9, "V-Z"
  s.F = e.row[1];
  s.Z = e.row[2];
  s.Phase = e.row[3];
  // The field briefly holds radians; cosine and sine take the stored double.
  s.Phase = Store(DegreesToRadians * Ext(s.Phase));
  PolarToRectangular(s.Z, s.Phase, s.Rs, s.Xs);
  SeriesToParallel(s);
}

template <class T>
void CapacitorsInSeries(CalcRecord<T> &s, const Entries<T> &e) { // mode 10, "Cs-Cs"
  s.F = e.row[1];
  T C1 = e.row[2];
  const T D1 = e.row[3];
  T C2 = e.row[4];
  const T D2 = e.row[5];
  C1 = Store(Ext(C1) / MicrosPerUnit);
  C2 = Store(Ext(C2) / MicrosPerUnit);
  s.Cs = Store((Ext(C2) * Ext(C1)) / (Ext(C2) + Ext(C1)));
  const Working<T> w = (Pi * 2) * Ext(s.F);
  // Sum of the two series resistances over the combination's reactance.
  s.D = Store((Ext(D2) / (w * Ext(C2)) + Ext(D1) / (w * Ext(C1))) / (1 / (w * Ext(s.Cs))));
  s.Cs = -s.Cs;
  ReduceSeriesCapacitorD(s);
}

template <class T>
void InductorsInParallel(CalcRecord<T> &s, const Entries<T> &e) { // mode 11, "Ls||Ls"
  s.F = e.row[1];
  T L1 = e.row[2];
  const T Q1 = e.row[3];
  T L2 = e.row[4];
  const T Q2 = e.row[5];
  L1 = Store(Ext(L1) / MillisPerUnit);
  L2 = Store(Ext(L2) / MillisPerUnit);
  // Each inductor becomes its parallel model: inductance, then resistance.
  L1 = Store((1 / Square(Q1) + 1) * Ext(L1));
  L2 = Store((1 / Square(Q2) + 1) * Ext(L2));
  s.Lp = Store((Ext(L2) * Ext(L1)) / (Ext(L2) + Ext(L1)));
  const T R1 = Store((((2 * Ext(Q1)) * Pi) * Ext(s.F)) * Ext(L1));
  const T R2 = Store((((2 * Ext(Q2)) * Pi) * Ext(s.F)) * Ext(L2));
  const T R = Store((Ext(R2) * Ext(R1)) / (Ext(R2) + Ext(R1)));
  s.Q = Store(Ext(R) / (((Pi * 2) * Ext(s.F)) * Ext(s.Lp)));
  s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1)) * Ext(s.Lp));
  ReduceSeriesInductorQ(s);
}

template <class T>
void InductorsInSeries(CalcRecord<T> &s, const Entries<T> &e) { // mode 12, "Ls-Ls"
  s.F = e.row[1];
  T L1 = e.row[2];
  const T Q1 = e.row[3];
  T L2 = e.row[4];
  const T Q2 = e.row[5];
  L1 = Store(Ext(L1) / MillisPerUnit);
  L2 = Store(Ext(L2) / MillisPerUnit);
  s.Ls = Store(Ext(L1) + Ext(L2));
  const Working<T> w = (Pi * 2) * Ext(s.F);
  // Combined reactance over the sum of the two series resistances.
  s.Q = Store((w * Ext(s.Ls)) / ((w * Ext(L2)) / Ext(Q2) + (w * Ext(L1)) / Ext(Q1)));
  ReduceSeriesInductorQ(s);
}

template <class T>
void VoltageCurrentPhase(CalcRecord<T> &s, const Entries<T> &e) { // mode 13, "IVP"
  s.F = e.row[1];
  const T V = e.row[2];
  const T I = e.row[3];
  s.Phase = e.row[4];
  // The phase stays in degrees; it is converted inside each formula.
  s.Z = Store(Ext(V) / Ext(I));
  Working<T> sine, cosine;
  SineCosine(DegreesToRadians * Ext(s.Phase), sine, cosine);
  s.Rs = Store(Ext(s.Z) * cosine);
  s.Xs = Store(Ext(s.Z) * sine);
  SeriesToParallel(s);
}

template <class T>
void ParallelInductorR(CalcRecord<T> &s, const Entries<T> &e) { // mode 14, "Lp-R"
  s.F = e.row[1];
  s.Lp = e.row[2];
  s.Rp = e.row[3];
  s.Lp = Store(Ext(s.Lp) / MillisPerUnit);
  ReduceParallelInductorR(s);
}

template <class T> void SeriesInductorR(CalcRecord<T> &s, const Entries<T> &e) { // mode 15, "Ls-R"
  s.F = e.row[1];
  s.Ls = e.row[2];
  s.Rs = e.row[3];
  s.Ls = Store(Ext(s.Ls) / MillisPerUnit);
  ReduceSeriesInductorR(s);
}

template <class T>
void ParallelCapacitorR(CalcRecord<T> &s, const Entries<T> &e) { // mode 16, "Cp-Rp"
  s.F = e.row[1];
  s.Cp = e.row[2];
  s.Rp = -e.row[3];
  s.Cp = Store(-Ext(s.Cp) / MicrosPerUnit);
  ReduceParallelCapacitorR(s);
}

using ModeReduction = void (*)(CalcState &, const Entries<double> &);

constexpr ModeReduction Reductions[ModeCount + 1] = {nullptr,
                                                     BridgeImpedance<double>,
                                                     BridgeAdmittance<double>,
                                                     SeriesCapacitorD<double>,
                                                     ParallelCapacitorD<double>,
                                                     SeriesCapacitorR<double>,
                                                     CapacitorsInParallel<double>,
                                                     SeriesInductorQ<double>,
                                                     ParallelInductorQ<double>,
                                                     MagnitudeAndPhase<double>,
                                                     CapacitorsInSeries<double>,
                                                     InductorsInParallel<double>,
                                                     InductorsInSeries<double>,
                                                     VoltageCurrentPhase<double>,
                                                     ParallelInductorR<double>,
                                                     SeriesInductorR<double>,
                                                     ParallelCapacitorR<double>};

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
