// Number-to-text rules: decimal rounding, 15-digit plain text and the
// SI-prefix bands.
#include "present/NumberText.h"

#include "core/PowersOfTen.h"

#include <cmath>
#include <cstdint>

namespace {

// Places are clamped to [-18, 18]: 10^±18 keeps every double's scaled value
// far inside the extended range, and no int (INT_MIN included) is negated.
constexpr int MaxPlaces = 18;

constexpr Extended Ten17 = 100000000000000000;
constexpr Extended Ten18 = 1000000000000000000;
constexpr std::uint64_t Ten14 = 100000000000000ULL;
constexpr std::uint64_t Ten15 = 1000000000000000ULL;

// Beyond this a single power of ten would overflow the extended range; only
// extended values far below the double range ever need a second scaling step.
constexpr int MaxSingleScale = 4900;

// m × 10^s in extended precision (m finite and positive).
Extended ScaleByPowerOfTen(Extended m, int s) {
  if (s >= 0) {
    if (s > MaxSingleScale) {
      m *= PowerOfTen(s - MaxSingleScale);
      s = MaxSingleScale;
    }
    return m * PowerOfTen(s);
  }
  return m / PowerOfTen(-s);
}

// Writes the decimal digits of n (n > 0) to out, returns how many.
int WriteDigits(std::uint64_t n, char *out) {
  char rev[20];
  int len = 0;
  while (n != 0) {
    rev[len++] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  for (int i = 0; i < len; ++i)
    out[i] = rev[len - 1 - i];
  return len;
}

char *WriteRepeated(char *p, char c, int count) {
  for (int i = 0; i < count; ++i)
    *p++ = c;
  return p;
}

struct Band {
  double bound; // magnitudes below this take the band
  double factor;
  const char *prefix;
};

// The bounds of the small bands and of "G" are the single-precision values
// nearest their powers of ten, compared as doubles; the others are exact.
constexpr Band Bands[] = {
    {static_cast<double>(1e-15f), 1e18, "a"},
    {static_cast<double>(1e-12f), 1e15, "f"},
    {static_cast<double>(1e-9f), 1e12, "p"},
    {static_cast<double>(1e-6f), 1e9, "n"},
    {static_cast<double>(1e-3f), 1e6, "u"},
    {1.0, 1000.0, "m"},
    {1000.0, 1.0, ""},
    {1e6, 0.001, "k"},
    {1e9, 1e-6, "M"},
    {static_cast<double>(1e12f), 1e-9, "G"},
};
constexpr Band TeraBand = {0.0, 1e-12, "T"};
constexpr int UnscaledBand = 6;

} // namespace

Extended RoundDecimals(double value, int places) {
  if (places > MaxPlaces)
    places = MaxPlaces;
  if (places < -MaxPlaces)
    places = -MaxPlaces;
  // RoundToInteger rounds ties to even and keeps the sign of a value that
  // rounds to zero.
  const Extended v = Ext(value);
  if (places >= 0) {
    const Extended scale = PowerOfTen(places);
    return RoundToInteger(v * scale) / scale;
  }
  const Extended scale = PowerOfTen(-places);
  return RoundToInteger(v / scale) * scale;
}

std::string NumberText(Extended value) {
  // Step 1: zero, NaN and the infinities have fixed texts.
  if (value == 0 || value != value)
    return " 0";
  const bool negative = SignBit(value);
  const Extended m = Abs(value);
  if (m == ExtendedInfinity)
    return negative ? "-9.99999999999999E+998" : " 9.99999999999999E+998";

  // Step 2: estimate the decimal exponent p (10^p <= m < 10^(p+1)) from the
  // binary exponent: cheaper than a logarithm, and since one binary octave
  // spans less than a decade the estimate is p or p-1, so one check fixes it.
  int p = static_cast<int>(std::floor(BinaryExponent(m) * 0.30102999566398120));

  // Step 3: scale into [10^17, 10^18) with one extended multiplication or
  // division, correcting the estimate once in either direction.
  Extended scaled = ScaleByPowerOfTen(m, 17 - p);
  if (scaled >= Ten18) {
    ++p;
    scaled = ScaleByPowerOfTen(m, 17 - p);
  } else if (scaled < Ten17) {
    --p;
    scaled = ScaleByPowerOfTen(m, 17 - p);
  }

  // Step 4: 18 significant digits by rounding in extended precision; a
  // round-up to 10^18 is brought back to 18 digits.
  Extended digits18 = RoundToInteger(scaled);
  if (digits18 >= Ten18) {
    digits18 = RoundToInteger(digits18 / 10);
    ++p;
  }
  std::uint64_t n = static_cast<std::uint64_t>(digits18);
  int exponent = p + 1; // magnitude = 0.d1d2... × 10^exponent
  // Scaling error next to a power of ten can leave 17 digits just below
  // 10^17; widen them so that the digit positions below stay meaningful.
  if (n < Ten15 * 100) {
    n *= 10;
    --exponent;
  }

  // Step 5: keep 15 digits and round on the 16th alone; 5 rounds up only
  // after an odd 15th digit, whatever digits 17 and 18 hold.
  std::uint64_t kept = n / 1000;
  const unsigned sixteenth = static_cast<unsigned>((n / 100) % 10);
  if (sixteenth > 5 || (sixteenth == 5 && kept % 2 == 1))
    ++kept;
  if (kept == Ten15) {
    kept = Ten14;
    ++exponent;
  }
  while (kept != 0 && kept % 10 == 0)
    kept /= 10;

  // Step 6: lay out the k significant digits around the decimal point.
  char digits[20];
  const int k = WriteDigits(kept, digits);
  const int e = exponent;
  char buffer[48];
  char *out = buffer;
  *out++ = negative ? '-' : ' ';
  if (e >= k && e <= 15) {
    for (int i = 0; i < k; ++i)
      *out++ = digits[i];
    out = WriteRepeated(out, '0', e - k);
  } else if (e >= 1 && e < k) {
    for (int i = 0; i < e; ++i)
      *out++ = digits[i];
    *out++ = '.';
    for (int i = e; i < k; ++i)
      *out++ = digits[i];
  } else if (e <= 0 && k - e <= 15) {
    *out++ = '.';
    out = WriteRepeated(out, '0', -e);
    for (int i = 0; i < k; ++i)
      *out++ = digits[i];
  } else {
    *out++ = digits[0];
    if (k > 1) {
      *out++ = '.';
      for (int i = 1; i < k; ++i)
        *out++ = digits[i];
    }
    *out++ = 'E';
    *out++ = e - 1 < 0 ? '-' : '+';
    const int shown = e - 1 < 0 ? 1 - e : e - 1;
    out += WriteDigits(static_cast<std::uint64_t>(shown), out);
  }
  return std::string(buffer, static_cast<std::size_t>(out - buffer));
}

std::string EngineeringFormatter(double value, int places, std::string_view unit) {
  // Step 1: the first band whose bound the magnitude does not reach; a NaN
  // reaches no bound and lands in the first band.
  const double m = std::fabs(value);
  const Band *band = &TeraBand;
  int row = 0;
  for (const Band &b : Bands) {
    if (!(m >= b.bound)) {
      band = &b;
      break;
    }
    ++row;
  }

  // Step 2: scale with one extended product rounded to double; the unscaled
  // band keeps the value as it is.
  double scaled = value;
  if (row != UnscaledBand)
    scaled = Store(Ext(value) * Ext(band->factor));

  // Step 3: the rounded number keeps its band even if it reaches 1000.
  std::string text = NumberText(RoundDecimals(scaled, places));
  text.reserve(text.size() + 2 + unit.size());
  text += ' ';
  text += band->prefix;
  text += unit;
  return text;
}
