#include "core/ParseNumber.h"

#include "core/EntryText.h"
#include "core/Extended.h"
#include "core/PowersOfTen.h"

#include <cstdint>

namespace {

// Working state of one decimal parse.
struct DecimalParse {
  std::uint64_t mantissa = 0;     // M: the first 18 significant digits, exact
  std::int64_t digitCount = 0;    // N: significant digits, including dropped ones
  std::int64_t pointPosition = 0; // P: significant digits before the point
  int exponent = 0;               // E: written exponent, limited to -9999..9999
  bool negative = false;
  bool sawDigit = false;
  bool sawPoint = false;
};

constexpr int MantissaDigits = 18;
constexpr int ExponentLimit = 9999;
// Decimal positions at or beyond these bounds mean overflow or underflow.
constexpr std::int64_t UpperRange = 4933;
constexpr std::int64_t LowerRange = -4933;

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline double Signed(bool negative, Extended magnitude) {
  return Store(negative ? -magnitude : magnitude);
}

// One read: the value, and where the number read ended (`stop`), for the
// readers that refuse a text holding more than its number.
struct NumberRead {
  double value;
  EntryTextKind kind;
  const unsigned char *stop;
};

// A number that ends at `stop`; `beyond` when its value only stands in for it.
inline NumberRead Ended(double value, const unsigned char *stop, const unsigned char *end,
                        bool beyond) {
  const EntryTextKind kind = stop != end ? EntryTextKind::TrailingText
                             : beyond    ? EntryTextKind::BeyondRange
                                         : EntryTextKind::Number;
  return {value, kind, stop};
}

// With `ExtentOnly` the value of an ordinary decimal is not computed (0):
// the measure needs only where the number ends.
template <bool ExtentOnly>
NumberRead ReadDecimal(const unsigned char *p, const unsigned char *end) {
  DecimalParse d;

  // Step 1: one optional sign, directly before the digits.
  if (p != end && (*p == '+' || *p == '-')) {
    d.negative = *p == '-';
    ++p;
  }

  // Step 2: digits with at most one point. Leading zeros only move the point;
  // digits past the 18th are counted for the scale but not accumulated.
  for (; p != end; ++p) {
    const unsigned char c = *p;
    if (IsDigit(c)) {
      d.sawDigit = true;
      if (d.digitCount == 0 && c == '0') {
        if (d.sawPoint)
          --d.pointPosition;
      } else {
        ++d.digitCount;
        if (d.digitCount <= MantissaDigits)
          d.mantissa = d.mantissa * 10 + (c - '0');
      }
    } else if (c == '.' && !d.sawPoint) {
      d.sawPoint = true;
      d.pointPosition = d.digitCount;
    } else {
      break;
    }
  }

  // Step 3: a sign or point without any digit is a (signed) zero.
  if (!d.sawDigit)
    return {Signed(d.negative, 0), EntryTextKind::NoNumber, p};

  // Step 4: without a point, every significant digit stands before it.
  if (!d.sawPoint)
    d.pointPosition = d.digitCount;

  // Step 5: an exponent letter directly after the digits, then an optional
  // sign and digits; longer exponents saturate at the limit while reading.
  // The number ends before a letter that has no digits after it.
  const unsigned char *stop = p;
  if (p != end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
    ++p;
    bool negativeExponent = false;
    if (p != end && (*p == '+' || *p == '-')) {
      negativeExponent = *p == '-';
      ++p;
    }
    const unsigned char *digits = p;
    for (; p != end && IsDigit(*p); ++p) {
      d.exponent = d.exponent * 10 + (*p - '0');
      if (d.exponent > ExponentLimit)
        d.exponent = ExponentLimit;
    }
    if (p != digits)
      stop = p;
    if (negativeExponent)
      d.exponent = -d.exponent;
  }

  // Step 6: only zeros were written.
  if (d.digitCount == 0)
    return Ended(Signed(d.negative, 0), stop, end, false);

  // Step 7: far outside the extended range, a fixed large value or zero.
  const std::int64_t decimalExponent = d.pointPosition + d.exponent;
  if (decimalExponent >= UpperRange)
    return Ended(Signed(d.negative, ExactExtended(1, 127)), stop, end, true);
  if (decimalExponent <= LowerRange)
    return Ended(Signed(d.negative, 0), stop, end, false);
  if constexpr (ExtentOnly)
    return Ended(0.0, stop, end, false);

  // Step 8: scale the exact mantissa by one multiplication or division.
  const std::int64_t kept = d.digitCount < MantissaDigits ? d.digitCount : MantissaDigits;
  const int scale = static_cast<int>(decimalExponent - kept);
  Extended magnitude = d.mantissa;
  if (scale > 0)
    magnitude *= PowerOfTen(scale);
  else if (scale < 0)
    magnitude /= PowerOfTen(-scale);

  // Step 9: sign, then one rounding to double.
  return Ended(Signed(d.negative, magnitude), stop, end, false);
}

// Value of `c` as a digit of any radix up to 36, or 99 for no digit.
inline unsigned DigitValue(unsigned char c) {
  if (IsDigit(c))
    return c - '0';
  const unsigned char upper =
      (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
  if (upper >= 'A' && upper <= 'Z')
    return upper - 'A' + 10u;
  return 99;
}

// `p` points just past the "&".
NumberRead ReadRadix(const unsigned char *p, const unsigned char *end) {
  // Step 1: the letter after "&" picks the radix; any other character is
  // already the first octal digit.
  unsigned shift = 3;
  if (p != end) {
    const unsigned char c = *p;
    if (c == 'H' || c == 'h') {
      shift = 4;
      ++p;
    } else if (c == 'O' || c == 'o' || c == 'Q' || c == 'q') {
      ++p;
    } else if (c == 'B' || c == 'b') {
      shift = 1;
      ++p;
    }
  }
  const unsigned radix = 1u << shift;

  // Step 2: accumulate digits; a bit shifted out of 64 gives zero (the
  // digits are still read to find where the number ends).
  std::uint64_t value = 0;
  bool overflow = false;
  const unsigned char *first = p;
  for (; p != end; ++p) {
    const unsigned digit = DigitValue(*p);
    if (digit >= radix)
      break;
    if ((value >> (64 - shift)) != 0)
      overflow = true;
    value = (value << shift) | digit;
  }
  if (p == first)
    return {0.0, EntryTextKind::NoNumber, p};
  const bool leadingZero = *first == '0';

  // Step 3: an optional type suffix, part of the number: "&", "&&", "%", or
  // up to three "?".
  int ampersands = 0;
  bool query = false;
  const unsigned char *stop = p;
  if (p != end) {
    if (*p == '&') {
      ampersands = (end - p >= 2 && p[1] == '&') ? 2 : 1;
      stop += ampersands;
    } else if (*p == '%') {
      ++stop;
    } else if (*p == '?') {
      query = true;
      while (stop != end && stop - p < 3 && *stop == '?')
        ++stop;
    }
  }
  if (overflow)
    return Ended(0.0, stop, end, true);

  // Step 4: the sign follows from the leading digit, the suffix and the
  // number of bits the value needs.
  Extended result;
  if (leadingZero && !query)
    result = static_cast<std::int64_t>(value);
  else if (query)
    result = (value >> 63) ? 0 : value;
  else if (value > 0xFFFFFFFFu)
    result = static_cast<std::int64_t>(value);
  else if (ampersands == 2)
    result = value;
  else if (value > 0xFFFFu)
    result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  else if (ampersands == 1)
    result = value;
  else
    result = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));

  // Step 5: exact in extended precision, then one rounding to double. With
  // "?" a value of bit 63 reads as 0 and only stands in for the number.
  return Ended(Store(result), stop, end, query && (value >> 63) != 0);
}

template <bool ExtentOnly> NumberRead ReadNumber(const unsigned char *p, const unsigned char *end) {
  // Blanks before the number are skipped; an "&" selects the radix form.
  while (p != end && IsBlank(*p))
    ++p;
  if (p == end)
    return {0.0, EntryTextKind::NoNumber, p};
  if (*p == '&')
    return ReadRadix(p + 1, end);
  return ReadDecimal<ExtentOnly>(p, end);
}

} // namespace

double ParseNumber(const char *text, std::size_t length) {
  if (text == nullptr || length == 0)
    return 0.0;
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  return ReadNumber<false>(p, p + length).value;
}

EntryTextExtent MeasureEntryText(std::string_view text) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
  const NumberRead read = ReadNumber<true>(p, p + text.size());
  return {read.kind, static_cast<std::size_t>(read.stop - p)};
}
