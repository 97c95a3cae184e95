// The range of every result of a meter pair over the box its readings may
// lie in. Each pair's readings fix the impedance in one of three shapes, and
// in each shape every result rises or falls steadily along each reading
// except across a few known places: zero for a reading with a sign, and the
// turns found below. So the lowest and the highest value lie among the
// corners of the box, those places, and those turns; the pair's own steps,
// kept at extended precision, are evaluated there.
#include "core/MeterPairs.h"
#include "core/Unrounded.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

// How a pair's readings fix the impedance.
enum class Shape {
  // |Z| or |Y| and its phase θ. Every result is a power of the magnitude
  // times a function of θ (cos θ, sin θ, their reciprocals, tan θ, cot θ,
  // θ), and each of those rises or falls steadily on each side of θ = 0
  // within ±90°.
  Polar,
  // The magnitude m of the reactive part (Xs of Cs or Ls, Bp of Cp or Lp)
  // and the loss tangent t (D, or 1/Q): Z or Y is m·(t ± j). Every result
  // is a power of m times a function of t, steady for t >= 0 but for
  // t/(1 + t²) and t + 1/t (the other model's real part and its
  // reciprocal), which turn at t = 1: D = 1, or Q = 1.
  Loss,
  // The real part u and the imaginary part v of Z (or of Y). The results of
  // the same model (u, v, |Z|, u/v, v/u, 1/v, ...) are steady in u and in v
  // on each side of v = 0. The other model's parts and what follows from
  // them turn: u/(u² + v²) and (u² + v²)/u where u = |v|, v/(u² + v²) and
  // (u² + v²)/v where |v| = u, each along an edge of the box (there is no
  // turn inside it but at u = v = 0).
  Parts,
};

// How a reading gives a part of Z or Y in the Parts shape: itself (R, X,
// G, B), its reciprocal (G from Rp), ω times it (X from Ls, B from Cp), or
// -1/(ω times it) (X from Cs, B from Lp).
enum class PartOf { Itself, Reciprocal, TimesOmega, MinusReciprocalOfOmegaTimes };

struct PairShape {
  Shape shape;
  bool realFromA; // Parts: A gives the real part and B the imaginary one, or the reverse
  PartOf partA, partB;
};

constexpr PartOf Self = PartOf::Itself, Reciprocal = PartOf::Reciprocal,
                 TimesOmega = PartOf::TimesOmega,
                 MinusReciprocal = PartOf::MinusReciprocalOfOmegaTimes;
constexpr PairShape LossShape{Shape::Loss, false, Self, Self};
constexpr PairShape PolarShape{Shape::Polar, false, Self, Self};

// The shapes, in the order of MeterPairs.
constexpr PairShape Shapes[MeterPairCount] = {
    LossShape,                                          // Cs-D
    LossShape,                                          // Cs-Q
    {Shape::Parts, false, MinusReciprocal, Self},       // Cs-Rs: Xs, Rs
    LossShape,                                          // Cp-D
    LossShape,                                          // Cp-Q
    {Shape::Parts, false, TimesOmega, Self},            // Cp-G: Bp, Gp
    {Shape::Parts, false, TimesOmega, Reciprocal},      // Cp-Rp: Bp, Gp
    LossShape,                                          // Ls-D
    LossShape,                                          // Ls-Q
    {Shape::Parts, false, TimesOmega, Self},            // Ls-Rs: Xs, Rs
    LossShape,                                          // Lp-D
    LossShape,                                          // Lp-Q
    {Shape::Parts, false, MinusReciprocal, Self},       // Lp-G: Bp, Gp
    {Shape::Parts, false, MinusReciprocal, Reciprocal}, // Lp-Rp: Bp, Gp
    {Shape::Parts, true, Self, Self},                   // R-X
    {Shape::Parts, true, Self, Self},                   // G-B
    PolarShape,                                         // Z-thd
    PolarShape,                                         // Z-thr
    PolarShape,                                         // Y-thd
    PolarShape,                                         // Y-thr
};

// The largest double not above π/2: a phase in radians reaches this far.
constexpr double QuarterTurn = 0x1.921fb54442d18p0;

constexpr double CalcState::*Results[] = {
    &CalcState::Z,  &CalcState::Rs, &CalcState::Xs, &CalcState::Y,    &CalcState::Gp,
    &CalcState::Bp, &CalcState::Cs, &CalcState::Cp, &CalcState::Ls,   &CalcState::Lp,
    &CalcState::Rp, &CalcState::Q,  &CalcState::D,  &CalcState::Phase};

Extended Smaller(Extended x, Extended y) { return y < x ? y : x; }

Extended Larger(Extended x, Extended y) { return y > x ? y : x; }

// The values a reading takes along the box: its ends, clipped to what the
// reading can be, and for a reading with a sign that may cross zero, zero
// reached from either side (-0 and +0, so that each side's limit is seen).
struct ReadingValues {
  Extended lo, hi;
  Extended at[4];
  int count = 0;
};

void Add(ReadingValues &r, Extended x) {
  for (int i = 0; i < r.count; ++i)
    if (r.at[i] == x && SignBit(r.at[i]) == SignBit(x))
      return;
  r.at[r.count++] = x;
}

ReadingValues ReadingRange(const MeterReading &reading, double value, double bound) {
  // Step 1: the ends, rounded outward (the sum of two doubles may not be
  // an extended number).
  Extended lo = Ext(value), hi = Ext(value);
  if (bound != 0) {
    lo = NextBelow(Ext(value) - Ext(bound));
    hi = NextAbove(Ext(value) + Ext(bound));
  }
  // Step 2: clipped to what the reading can be: a magnitude not below 0, a
  // phase within a quarter turn either way.
  Extended floor = -ExtendedInfinity, ceiling = ExtendedInfinity;
  if (reading.quantity == Quantity::Degrees)
    floor = -90, ceiling = 90;
  else if (reading.quantity == Quantity::Radians)
    floor = -Ext(QuarterTurn), ceiling = Ext(QuarterTurn);
  else if (!reading.isSigned)
    floor = 0;
  if (bound != 0) {
    lo = Smaller(Larger(lo, floor), ceiling);
    hi = Larger(Smaller(hi, ceiling), floor);
    if (lo == 0)
      lo = 0; // a magnitude reaches zero from above
  }
  ReadingValues r;
  r.lo = lo;
  r.hi = hi;
  Add(r, lo);
  if (lo < 0 && hi > 0) {
    Add(r, -Extended(0));
    Add(r, Extended(0));
  }
  Add(r, hi);
  return r;
}

bool Inside(const ReadingValues &r, Extended x) { return x > r.lo && x < r.hi; }

// A part of Z or Y from a reading, and the reading that gives a part.
Extended PartFromReading(PartOf map, Extended omega, Extended reading) {
  switch (map) {
  case PartOf::Reciprocal:
    return 1 / reading;
  case PartOf::TimesOmega:
    return omega * reading;
  case PartOf::MinusReciprocalOfOmegaTimes:
    return -1 / (omega * reading);
  case PartOf::Itself:
    break;
  }
  return reading;
}

Extended ReadingFromPart(PartOf map, Extended omega, Extended part) {
  switch (map) {
  case PartOf::Reciprocal:
    return 1 / part;
  case PartOf::TimesOmega:
    return part / omega;
  case PartOf::MinusReciprocalOfOmegaTimes:
    return -1 / (omega * part);
  case PartOf::Itself:
    break;
  }
  return part;
}

// The points of the box to evaluate, A then B.
struct Points {
  Extended a[24], b[24];
  int count = 0;
};

void AddPoint(Points &p, Extended a, Extended b) {
  p.a[p.count] = a;
  p.b[p.count] = b;
  ++p.count;
}

// Step 3: the corners, with the zero crossings among them, and the turns
// of the pair's shape.
Points PointsToEvaluate(const PairShape &shape, Extended omega, ReadingValues a, ReadingValues b) {
  if (shape.shape == Shape::Loss && Inside(b, 1))
    Add(b, 1); // D = 1, or Q = 1
  Points p;
  for (int i = 0; i < a.count; ++i)
    for (int j = 0; j < b.count; ++j)
      AddPoint(p, a.at[i], b.at[j]);
  if (shape.shape != Shape::Parts)
    return p;
  // The real reading r gives u, the imaginary reading x gives v.
  const ReadingValues &r = shape.realFromA ? a : b, &x = shape.realFromA ? b : a;
  const PartOf partR = shape.realFromA ? shape.partA : shape.partB;
  const PartOf partX = shape.realFromA ? shape.partB : shape.partA;
  const auto add = [&](Extended readingR, Extended readingX) {
    if (shape.realFromA)
      AddPoint(p, readingR, readingX);
    else
      AddPoint(p, readingX, readingR);
  };
  // Along each edge of fixed v: the turn at u = |v|.
  for (int j = 0; j < x.count; ++j) {
    const Extended v = PartFromReading(partX, omega, x.at[j]);
    const Extended turn = ReadingFromPart(partR, omega, v < 0 ? -v : v);
    if (Inside(r, turn))
      add(turn, x.at[j]);
  }
  // Along each edge of fixed u: the turns at v = u and v = -u.
  for (int i = 0; i < r.count; ++i) {
    const Extended u = PartFromReading(partR, omega, r.at[i]);
    for (const Extended v : {u, -u}) {
      const Extended turn = ReadingFromPart(partX, omega, v);
      if (Inside(x, turn))
        add(r.at[i], turn);
    }
  }
  return p;
}

// Rounds an end outward to a double.
double DownToDouble(Extended x) {
  double d = Store(x);
  if (Ext(d) > x)
    d = std::nextafter(d, -std::numeric_limits<double>::infinity());
  return d;
}

double UpToDouble(Extended x) {
  double d = Store(x);
  if (Ext(d) < x)
    d = std::nextafter(d, std::numeric_limits<double>::infinity());
  return d;
}

} // namespace

void MeterPairRanges(const MeterPair &pair, double f, double a, double b, double boundA,
                     double boundB, const CalcState &values, CalcState &low, CalcState &high) {
  const PairShape &shape = Shapes[&pair - MeterPairs];
  const Extended omega = (Pi * 2) * Ext(f);
  const Points points = PointsToEvaluate(shape, omega, ReadingRange(pair.a, a, boundA),
                                         ReadingRange(pair.b, b, boundB));

  // Step 4: every result at every point, at extended precision; the
  // calculated value is inside the range too.
  constexpr std::size_t count = std::size(Results);
  static const auto members = [] {
    std::array<Unrounded CalcRecord<Unrounded>::*, count> m{};
    for (std::size_t k = 0; k < count; ++k)
      m[k] = RecordMember<Unrounded>(Results[k]);
    return m;
  }();
  Extended lowest[count], highest[count];
  bool undefined[count];
  for (std::size_t k = 0; k < count; ++k) {
    lowest[k] = highest[k] = Ext(values.*Results[k]);
    undefined[k] = lowest[k] != lowest[k];
  }
  for (int i = 0; i < points.count; ++i) {
    CalcRecord<Unrounded> s;
    ConvertMeterPair(s, pair, Unrounded{Ext(f)}, Unrounded{points.a[i]}, Unrounded{points.b[i]});
    for (std::size_t k = 0; k < count; ++k) {
      const Extended v = (s.*members[k]).v;
      undefined[k] = undefined[k] || v != v;
      lowest[k] = Smaller(lowest[k], v);
      highest[k] = Larger(highest[k], v);
    }
  }

  // Step 5: undefined at any point: undefined; otherwise a phase within
  // ±90° and both ends rounded outward.
  low = CalcState{};
  high = CalcState{};
  for (std::size_t k = 0; k < count; ++k) {
    double CalcState::*member = Results[k];
    if (undefined[k]) {
      low.*member = high.*member = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    if (member == &CalcState::Phase) {
      lowest[k] = Larger(lowest[k], -90);
      highest[k] = Smaller(highest[k], 90);
    }
    low.*member = DownToDouble(lowest[k]);
    high.*member = UpToDouble(highest[k]);
  }
}
