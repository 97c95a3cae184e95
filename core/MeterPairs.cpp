// Meter parameter pairs to the calculation record, and the first-order
// bounds of every result.
#include "core/MeterPairs.h"

#include "core/AsciiCase.h"
#include "core/Trigonometry.h"

#include <cmath>

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

inline Extended Square(double v) { return Ext(v) * Ext(v); }

// The phase of Z or Y, from degrees or radians, into (cos·magnitude,
// sin·magnitude) as mode V-Z does it: the angle is stored as a double in
// radians, then both functions take it.
void PolarToRectangular(double magnitude, double angle, bool degrees, double &real,
                        double &imaginary, double &storedAngle) {
  storedAngle = degrees ? Store(DegreesToRadians * Ext(angle)) : angle;
  Extended sine, cosine;
  SineCosine(Ext(storedAngle), sine, cosine);
  real = Store(cosine * Ext(magnitude));
  imaginary = Store(sine * Ext(magnitude));
}

// A value with its derivatives by the two readings, for the bounds.
struct Dual {
  Extended v, da, db;
};

Dual Constant(Extended c) { return {c, 0, 0}; }

Dual operator+(Dual x, Dual y) { return {x.v + y.v, x.da + y.da, x.db + y.db}; }

Dual operator-(Dual x) { return {-x.v, -x.da, -x.db}; }

Dual operator*(Dual x, Dual y) {
  return {x.v * y.v, x.da * y.v + x.v * y.da, x.db * y.v + x.v * y.db};
}

Dual operator/(Dual x, Dual y) {
  const Extended q = x.v / y.v;
  return {q, (x.da - q * y.da) / y.v, (x.db - q * y.db) / y.v};
}

Dual SquareRoot(Dual x) {
  const Extended r = ::SquareRoot(x.v);
  return {r, x.da / (2 * r), x.db / (2 * r)};
}

Dual ArctangentOf(Dual x) {
  const Extended d = 1 / (1 + x.v * x.v);
  return {Arctangent(x.v), x.da * d, x.db * d};
}

void SineCosineOf(Dual x, Dual &sine, Dual &cosine) {
  Extended s, c;
  SineCosine(x.v, s, c);
  sine = {s, c * x.da, c * x.db};
  cosine = {c, -s * x.da, -s * x.db};
}

// The bound a dual carries: a reading with no error adds nothing, even
// where the derivative by it is infinite.
double Bound(Dual x, double boundA, double boundB) {
  const Extended a = boundA == 0 ? 0 : Abs(x.da) * Ext(boundA);
  const Extended b = boundB == 0 ? 0 : Abs(x.db) * Ext(boundB);
  return Store(a + b);
}

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

void ConvertMeterPair(CalcState &s, const MeterPair &pair, double f, double a, double b) {
  const int index = static_cast<int>(&pair - MeterPairs);
  s.F = f;
  switch (index) {
  case CsQ: // Cs-Q: D from Q, then as Cs-D
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case CsD: // Cs-D, as mode Cs-D: capacitances are carried negative
    s.Cs = -a;
    s.D = b;
    CapacitorToSeries(s);
    SeriesToParallel(s);
    break;
  case CsRs: // Cs-Rs, as mode Cs-R
    s.Cs = -a;
    s.Rs = b;
    s.Xs = Store(1 / (((2 * Ext(s.Cs)) * Pi) * Ext(s.F)));
    SeriesToParallel(s);
    break;
  case CpQ: // Cp-Q: D from Q, then as Cp-D
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case CpD: // Cp-D, as mode Cp-D
    s.Cp = -a;
    s.D = b;
    s.Cs = Store((Square(s.D) + 1) * Ext(s.Cp));
    CapacitorToSeries(s);
    SeriesToParallel(s);
    break;
  case CpG: // Cp-G: the susceptance of the capacitance, positive
    s.Cp = -a;
    s.Gp = b;
    s.Bp = Store(((Pi * 2) * Ext(s.F)) * Ext(a));
    ParallelToSeries(s);
    break;
  case CpRp: // Cp-Rp, as mode Cp-Rp: with both negative, D comes out positive
    s.Cp = -a;
    s.Rp = -b;
    s.D = Store(1 / ((((Pi * 2) * Ext(s.F)) * Ext(s.Cp)) * Ext(s.Rp)));
    s.Cs = Store((Square(s.D) + 1) * Ext(s.Cp));
    CapacitorToSeries(s);
    SeriesToParallel(s);
    break;
  case LsD: // Ls-D: Q from D, then as Ls-Q
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case LsQ: // Ls-Q, as mode Ls-Q
    s.Ls = a;
    s.Q = b;
    InductorToSeries(s);
    SeriesToParallel(s);
    break;
  case LsRs: // Ls-Rs, as mode Ls-R
    s.Ls = a;
    s.Rs = b;
    InductorReactance(s);
    SeriesToParallel(s);
    break;
  case LpD: // Lp-D: Q from D, then as Lp-Q
    b = Store(1 / Ext(b));
    [[fallthrough]];
  case LpQ: // Lp-Q, as mode Lp-Q
    s.Lp = a;
    s.Q = b;
    s.Ls = Store((Square(s.Q) / (Square(s.Q) + 1)) * Ext(s.Lp));
    InductorToSeries(s);
    SeriesToParallel(s);
    break;
  case LpG: // Lp-G: the susceptance of the inductance, negative
    s.Lp = a;
    s.Gp = b;
    s.Bp = Store(-1 / (((Pi * 2) * Ext(s.F)) * Ext(s.Lp)));
    ParallelToSeries(s);
    break;
  case LpRp: // Lp-Rp, as mode Lp-R (through Q, so a zero Rp gives NaN there too)
    s.Lp = a;
    s.Rp = b;
    s.Gp = Store(1 / Ext(s.Rp));
    s.Aux = Store(((Pi * 2) * Ext(s.F)) * Ext(s.Lp));
    s.Q = Store(-Ext(s.Rp) / Ext(s.Aux));
    s.Bp = Store(Ext(s.Q) * Ext(s.Gp));
    ParallelToSeries(s);
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
  case Zthd: // Z-thd, as mode V-Z
  case Zthr: // Z-thr
    s.Z = a;
    PolarToRectangular(s.Z, b, index == Zthd, s.Rs, s.Xs, s.Phase);
    SeriesToParallel(s);
    break;
  default: // Y-thd, Y-thr: the admittance's phase
    s.Y = a;
    PolarToRectangular(s.Y, b, index == Ythd, s.Gp, s.Bp, s.Phase);
    ParallelToSeries(s);
    break;
  }
  DeriveQuantities(s);
}

void MeterPairBounds(const MeterPair &pair, double f, double a, double b, double boundA,
                     double boundB, CalcState &bounds) {
  const int index = static_cast<int>(&pair - MeterPairs);
  const Dual A{Ext(a), 1, 0}, B{Ext(b), 0, 1}, one = Constant(1);
  const Dual w = Constant((Pi * 2) * Ext(f));
  Dual Rs{}, Xs{}, Gp{}, Bp{};
  bool series = true;
  // Step 1: the series or the parallel model, as functions of the readings.
  switch (index) {
  case CsD:
  case CsQ:
  case CpD:
  case CpQ: {
    const Dual D = index == CsQ || index == CpQ ? one / B : B;
    const Dual C = index >= CpD ? (D * D + one) * -A : -A; // series capacitance, negative
    Xs = one / (w * C);
    Rs = -D * Xs;
    break;
  }
  case CsRs:
    Xs = one / (w * -A);
    Rs = B;
    break;
  case CpG:
  case CpRp:
    Gp = index == CpG ? B : one / B;
    Bp = w * A;
    series = false;
    break;
  case LsD:
  case LsQ:
  case LpD:
  case LpQ: {
    const Dual Q = index == LsD || index == LpD ? one / B : B;
    const Dual L = index >= LpD ? Q * Q / (Q * Q + one) * A : A;
    Xs = w * L;
    Rs = Xs / Q;
    break;
  }
  case LsRs:
    Xs = w * A;
    Rs = B;
    break;
  case LpG:
  case LpRp:
    Gp = index == LpG ? B : one / B;
    Bp = -one / (w * A);
    series = false;
    break;
  case RX:
    Rs = A;
    Xs = B;
    break;
  case GB:
    Gp = A;
    Bp = B;
    series = false;
    break;
  default: {
    const bool degrees = index == Zthd || index == Ythd;
    const Dual angle = degrees ? B * Constant(DegreesToRadians) : B;
    Dual sine, cosine;
    SineCosineOf(angle, sine, cosine);
    series = index <= Zthr;
    (series ? Rs : Gp) = A * cosine;
    (series ? Xs : Bp) = A * sine;
    break;
  }
  }

  // Step 2: the other model and every derived quantity, by their formulas.
  if (series) {
    const Dual den = Rs * Rs + Xs * Xs;
    Gp = Rs / den;
    Bp = -Xs / den;
  } else {
    const Dual den = Gp * Gp + Bp * Bp;
    Rs = Gp / den;
    Xs = -Bp / den;
  }
  const Dual Z = SquareRoot(Rs * Rs + Xs * Xs), Y = SquareRoot(Gp * Gp + Bp * Bp);
  const Dual Cs = one / (w * Xs), Ls = Xs / w;
  const Dual Q = -Bp / Gp, D = Gp / Bp;
  const Dual Phase = ArctangentOf(Q) * Constant(180 / Pi);

  bounds = CalcState{};
  const auto set = [&](double CalcState::*field, Dual x) {
    bounds.*field = Bound(x, boundA, boundB);
  };
  set(&CalcState::Z, Z);
  set(&CalcState::Rs, Rs);
  set(&CalcState::Xs, Xs);
  set(&CalcState::Y, Y);
  set(&CalcState::Gp, Gp);
  set(&CalcState::Bp, Bp);
  set(&CalcState::Cs, Cs);
  set(&CalcState::Cp, Cs / (D * D + one));
  set(&CalcState::Ls, Ls);
  set(&CalcState::Lp, (one / (Q * Q) + one) * Ls);
  set(&CalcState::Rp, one / Gp);
  set(&CalcState::Q, Q);
  set(&CalcState::D, D);
  set(&CalcState::Phase, Phase);
}
