#include "core/EntryText.h"

#include <cstdint>

namespace {

// The decimal positions and the exponent limit at which ParseNumber stops
// computing and stands in with 2^127.
constexpr std::int64_t UpperRange = 4933;
constexpr int ExponentLimit = 9999;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

EntryTextExtent Ended(std::string_view text, std::size_t end, bool beyond) {
  if (end < text.size())
    return {EntryTextKind::TrailingText, end};
  return {beyond ? EntryTextKind::BeyondRange : EntryTextKind::Number, end};
}

// `i` is just past the "&".
EntryTextExtent MeasureRadix(std::string_view text, std::size_t i) {
  // Step 1: the radix letter, if any (any other character is a digit).
  const std::size_t n = text.size();
  unsigned shift = 3;
  if (i < n) {
    const char c = text[i];
    if (c == 'H' || c == 'h') {
      shift = 4;
      ++i;
    } else if (c == 'O' || c == 'o' || c == 'Q' || c == 'q') {
      ++i;
    } else if (c == 'B' || c == 'b') {
      shift = 1;
      ++i;
    }
  }

  // Step 2: the digits; a bit pushed out of 64 makes ParseNumber give 0.
  const unsigned radix = 1u << shift;
  const std::size_t first = i;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < n; ++i) {
    const char c = text[i];
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    const unsigned digit = IsDigit(c)                     ? static_cast<unsigned>(c - '0')
                           : upper >= 'A' && upper <= 'Z' ? static_cast<unsigned>(upper - 'A' + 10)
                                                          : 99u;
    if (digit >= radix)
      break;
    if ((value >> (64 - shift)) != 0)
      overflow = true;
    value = (value << shift) | digit;
  }
  if (i == first)
    return {EntryTextKind::NoNumber, i};

  // Step 3: the type suffix belongs to the number. With "?" a value of
  // bit 63 reads as 0 too.
  if (i < n && text[i] == '&') {
    i += i + 1 < n && text[i + 1] == '&' ? 2 : 1;
  } else if (i < n && text[i] == '%') {
    ++i;
  } else if (i < n && text[i] == '?') {
    overflow = overflow || (value >> 63) != 0;
    for (int q = 0; q < 3 && i < n && text[i] == '?'; ++q)
      ++i;
  }
  return Ended(text, i, overflow);
}

// The decimal position of a mantissa as ParseNumber counts it: the
// significant digits before the point (negative for zeros between the point
// and the first significant digit); `significant` is false when every digit
// is a zero.
std::int64_t DecimalPosition(std::string_view mantissa, bool &significant) {
  std::int64_t digitCount = 0, pointPosition = 0;
  bool sawPoint = false;
  for (char c : mantissa) {
    if (c == '.') {
      sawPoint = true;
      pointPosition = digitCount;
    } else if (digitCount > 0 || c != '0') {
      ++digitCount;
    } else if (sawPoint) {
      --pointPosition;
    }
  }
  significant = digitCount > 0;
  return sawPoint ? pointPosition : digitCount;
}

EntryTextExtent MeasureDecimal(std::string_view text, std::size_t i) {
  // Step 1: the sign, then digits with at most one point.
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-'))
    ++i;
  const std::size_t mantissaStart = i;
  bool sawDigit = false, sawPoint = false;
  for (; i < n; ++i) {
    if (IsDigit(text[i]))
      sawDigit = true;
    else if (text[i] == '.' && !sawPoint)
      sawPoint = true;
    else
      break;
  }
  if (!sawDigit)
    return {EntryTextKind::NoNumber, i};
  const std::size_t mantissaEnd = i;

  // Step 2: an exponent letter with digits after it; without digits the
  // letter is left over as text.
  int exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    std::size_t j = i + 1;
    bool negative = false;
    if (j < n && (text[j] == '+' || text[j] == '-'))
      negative = text[j++] == '-';
    const std::size_t digitsStart = j;
    for (; j < n && IsDigit(text[j]); ++j) {
      exponent = exponent * 10 + (text[j] - '0');
      if (exponent > ExponentLimit)
        exponent = ExponentLimit;
    }
    if (j > digitsStart) {
      i = j;
      if (negative)
        exponent = -exponent;
    }
  }

  // Step 3: the range. No more significant digits stand before the point
  // than the mantissa has characters, so only a long mantissa or a large
  // exponent can reach it; only zeros read as zero, whatever the exponent.
  const std::size_t length = mantissaEnd - mantissaStart;
  bool beyond = false;
  if (static_cast<std::int64_t>(length) + exponent >= UpperRange) {
    bool significant = false;
    const std::int64_t position = DecimalPosition(text.substr(mantissaStart, length), significant);
    beyond = significant && position + exponent >= UpperRange;
  }
  return Ended(text, i, beyond);
}

} // namespace

EntryTextExtent MeasureEntryText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  if (i == text.size())
    return {EntryTextKind::NoNumber, i};
  if (text[i] == '&')
    return MeasureRadix(text, i + 1);
  return MeasureDecimal(text, i);
}
