// Meter parameter pairs to the calculation record, over any number type.
#include "core/MeterPairs.h"

#include "core/AsciiCase.h"
#include "core/Unrounded.h"
#include "core/Reductions.h"

namespace {

constexpr MeterReading Capacitance(const char *name, const char *meaning) {
  return {name, Quantity::Capacitance, false, meaning};
}

constexpr MeterReading Inductance(const char *name, const char *meaning) {
  return {name, Quantity::Inductance, false, meaning};
}

constexpr MeterReading DReading{"D", Quantity::Ratio, false, "dissipation factor"};
constexpr MeterReading QReading{"Q", Quantity::Ratio, false, "quality factor"};
constexpr MeterReading RsReading{"Rs", Quantity::Resistance, false, "series resistance"};
constexpr MeterReading RpReading{"Rp", Quantity::Resistance, false, "parallel resistance"};
constexpr MeterReading GReading{"G", Quantity::Conductance, false, "parallel conductance"};
constexpr MeterReading ZReading{"Z", Quantity::Resistance, false, "impedance magnitude"};
constexpr MeterReading YReading{"Y", Quantity::Conductance, false, "admittance magnitude"};

// The pairs' places in MeterPairs.
enum PairIndex {
  CsD,
  CsQ,
  CsRs,
  CpD,
  CpQ,
  CpG,
  CpRp,
  LsD,
  LsQ,
  LsRs,
  LpD,
  LpQ,
  LpG,
  LpRp,
  RX,
  GB,
  Zthd,
  Zthr,
  Ythd,
  Ythr
};

} // namespace

const MeterPair MeterPairs[MeterPairCount] = {
    {"Cs-D", Capacitance("Cs", "series capacitance"), DReading, 3},
    {"Cs-Q", Capacitance("Cs", "series capacitance"), QReading, 0},
    {"Cs-Rs", Capacitance("Cs", "series capacitance"), RsReading, 5},
    {"Cp-D", Capacitance("Cp", "parallel capacitance"), DReading, 4},
    {"Cp-Q", Capacitance("Cp", "parallel capacitance"), QReading, 0},
    {"Cp-G", Capacitance("Cp", "parallel capacitance"), GReading, 0},
    {"Cp-Rp", Capacitance("Cp", "parallel capacitance"), RpReading, 16},
    {"Ls-D", Inductance("Ls", "series inductance"), DReading, 0},
    {"Ls-Q", Inductance("Ls", "series inductance"), QReading, 7},
    {"Ls-Rs", Inductance("Ls", "series inductance"), RsReading, 15},
    {"Lp-D", Inductance("Lp", "parallel inductance"), DReading, 0},
    {"Lp-Q", Inductance("Lp", "parallel inductance"), QReading, 8},
    {"Lp-G", Inductance("Lp", "parallel inductance"), GReading, 0},
    {"Lp-Rp", Inductance("Lp", "parallel inductance"), RpReading, 14},
    {"R-X",
     {"R", Quantity::Resistance, false, "series resistance"},
     {"X", Quantity::Resistance, true, "series reactance, + inductive"},
     1},
    {"G-B",
     {"G", Quantity::Conductance, false, "parallel conductance"},
     {"B", Quantity::Conductance, true, "parallel susceptance, + capacitive"},
     2},
    {"Z-thd", ZReading, {"thd", Quantity::Degrees, true, "phase of Z in degrees, + inductive"}, 9},
    {"Z-thr", ZReading, {"thr", Quantity::Radians, true, "phase of Z in radians, + inductive"}, 0},
    {"Y-thd", YReading, {"thd", Quantity::Degrees, true, "phase of Y in degrees, + capacitive"}, 0},
    {"Y-thr", YReading, {"thr", Quantity::Radians, true, "phase of Y in radians, + capacitive"}, 0},
};

const MeterPair *FindMeterPair(std::string_view name) {
  for (const MeterPair &p : MeterPairs)
    if (EqualIgnoringAsciiCase(p.name, name))
      return &p;
  return nullptr;
}

template <class T>
void ConvertMeterPair(CalcRecord<T> &s, const MeterPair &pair, std::type_identity_t<T> f,
                      std::type_identity_t<T> a, std::type_identity_t<T> b) {
  const int index = static_cast<int>(&pair - MeterPairs);
  s.F = f;
  switch (index) {
  case CsQ: // Cs-Q: D from Q, then as Cs-D
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case CsD: // Cs-D, as mode Cs-D: capacitances are carried negative
    s.Cs = -a;
    s.D = b;
    ReduceSeriesCapacitorD(s);
    break;
  case CsRs: // Cs-Rs, as mode Cs-R
    s.Cs = -a;
    s.Rs = b;
    ReduceSeriesCapacitorR(s);
    break;
  case CpQ: // Cp-Q: D from Q, then as Cp-D
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case CpD: // Cp-D, as mode Cp-D
    s.Cp = -a;
    s.D = b;
    ReduceParallelCapacitorD(s);
    break;
  case CpG: // Cp-G: the susceptance of the capacitance, positive
    s.Cp = -a;
    s.Gp = b;
    s.Bp = Store(((Pi * 2) * Ext(s.F)) * Ext(a));
    ParallelToSeries(s);
    break;
  case CpRp: // Cp-Rp, as mode Cp-Rp: both carried negative
    s.Cp = -a;
    s.Rp = -b;
    ReduceParallelCapacitorR(s);
    break;
  case LsD: // Ls-D: Q from D, then as Ls-Q
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case LsQ: // Ls-Q, as mode Ls-Q
    s.Ls = a;
    s.Q = b;
    ReduceSeriesInductorQ(s);
    break;
  case LsRs: // Ls-Rs, as mode Ls-R
    s.Ls = a;
    s.Rs = b;
    ReduceSeriesInductorR(s);
    break;
  case LpD: // Lp-D: Q from D, then as Lp-Q
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case LpQ: // Lp-Q, as mode Lp-Q
    s.Lp = a;
    s.Q = b;
    ReduceParallelInductorQ(s);
    break;
  case LpG: // Lp-G: the susceptance of the inductance, negative
    s.Lp = a;
    s.Gp = b;
    s.Bp = Store(-1 / (((Pi * 2) * Ext(s.F)) * Ext(s.Lp)));
    ParallelToSeries(s);
    break;
  case LpRp: // Lp-Rp, as mode Lp-R
    s.Lp = a;
    s.Rp = b;
    ReduceParallelInductorR(s);
    break;
  case RX: // R-X
    s.Rs = a;
    s.Xs = b;
    SeriesToParallel(s);
    break;
  case GB: // G-B
    s.Gp = a;
    s.Bp = b;
    ParallelToSeries(s);
    break;
  case Zthd: // Z-thd, as mode V-Z: the angle is stored in radians first
  case Zthr: // Z-thr
    s.Z = a;
    s.Phase = index == Zthd ? Store(DegreesToRadians * Ext(b)) : b;
    PolarToRectangular(s.Z, s.Phase, s.Rs, s.Xs);
    SeriesToParallel(s);
    break;
  default: // Y-thd, Y-thr: the admittance's phase
    s.Y = a;
    s.Phase = index == Ythd ? Store(DegreesToRadians * Ext(b)) : b;
    PolarToRectangular(s.Y, s.Phase, s.Gp, s.Bp);
    ParallelToSeries(s);
    break;
  }
  DeriveQuantities(s);
}

template void ConvertMeterPair(CalcState &, const MeterPair &, double, double, double);
template void ConvertMeterPair(CalcRecord<Unrounded> &, const MeterPair &, Unrounded, Unrounded,
                               Unrounded);
