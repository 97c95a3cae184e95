// The strict value reader of the companion's instrument pairs.
#include "core/MeterValue.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

struct Prefix {
  std::string_view text;
  int exponent;
};

// SI prefixes, the two micro signs in UTF-8 (U+00B5 and U+03BC) beside "u".
constexpr Prefix Prefixes[] = {{"a", -18}, {"f", -15},       {"p", -12},       {"n", -9},
                               {"u", -6},  {"\xC2\xB5", -6}, {"\xCE\xBC", -6}, {"m", -3},
                               {"k", 3},   {"M", 6},         {"G", 9},         {"T", 12}};

struct Unit {
  std::string_view text;
  Quantity quantity;
};

// Every unit spelling, with the quantity it belongs to; Ω as U+03A9 and as
// the ohm sign U+2126, ° as U+00B0.
constexpr Unit Units[] = {{"Hz", Quantity::Frequency},
                          {"F", Quantity::Capacitance},
                          {"H", Quantity::Inductance},
                          {"Ohm", Quantity::Resistance},
                          {"ohm", Quantity::Resistance},
                          {"Ohms", Quantity::Resistance},
                          {"ohms", Quantity::Resistance},
                          {"\xCE\xA9", Quantity::Resistance},
                          {"\xE2\x84\xA6", Quantity::Resistance},
                          {"S", Quantity::Conductance},
                          {"mho", Quantity::Conductance},
                          {"mhos", Quantity::Conductance},
                          {"deg", Quantity::Degrees},
                          {"\xC2\xB0", Quantity::Degrees},
                          {"rad", Quantity::Radians}};

// Written exponents beyond this are held here while they are read: any
// double is reached long before, and the sum with a prefix cannot overflow.
constexpr int ExponentCap = 100000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The quantity a unit spelling belongs to, or nullptr when it is none. The
// first byte is compared first: most texts have no unit, or a short one.
const Unit *FindUnit(std::string_view text) {
  if (text.empty())
    return nullptr;
  for (const Unit &u : Units)
    if (u.text[0] == text[0] && u.text == text)
      return &u;
  return nullptr;
}

// The prefix that `text` starts with, or nullptr.
const Prefix *FindPrefixAt(std::string_view text) {
  if (text.empty())
    return nullptr;
  for (const Prefix &p : Prefixes)
    if (p.text[0] == text[0] && text.substr(0, p.text.size()) == p.text)
      return &p;
  return nullptr;
}

// What may follow the number: nothing, a unit of the quantity, or a prefix
// and then nothing or such a unit. Sets the prefix's exponent.
MeterValueStatus ReadSuffix(std::string_view rest, Quantity quantity, int &exponent) {
  exponent = 0;
  if (rest.empty())
    return MeterValueStatus::Ok;
  // A whole unit first: "mho" is a unit, not milli-"ho".
  if (const Unit *u = FindUnit(rest))
    return u->quantity == quantity ? MeterValueStatus::Ok : MeterValueStatus::WrongUnit;
  const Prefix *p = FindPrefixAt(rest);
  if (p == nullptr)
    return MeterValueStatus::NotANumber;
  exponent = p->exponent;
  rest.remove_prefix(p->text.size());
  if (rest.empty())
    return MeterValueStatus::Ok;
  if (const Unit *u = FindUnit(rest))
    return u->quantity == quantity ? MeterValueStatus::Ok : MeterValueStatus::WrongUnit;
  return MeterValueStatus::NotANumber;
}

// One correctly rounded conversion of the decimal text [first, last) into
// `value`: OutOfRange when it overflows to infinity or comes to zero from
// nonzero digits (a subnormal result is in range), as std::from_chars has
// it. Where the standard library has no floating-point from_chars
// (emscripten's libc++), the C library's strtod, which rounds correctly as
// well, reads a terminated copy; the program never sets a locale, so the
// point is '.' there too.
MeterValueStatus ConvertDecimal(const char *first, const char *last, double &value) {
  double parsed = 0;
#if defined(__cpp_lib_to_chars)
  const std::from_chars_result r = std::from_chars(first, last, parsed);
  if (r.ec == std::errc::result_out_of_range)
    return MeterValueStatus::OutOfRange;
  if (r.ec != std::errc() || r.ptr != last)
    return MeterValueStatus::NotANumber;
#else
  const std::string copy(first, last);
  char *end = nullptr;
  parsed = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size())
    return MeterValueStatus::NotANumber;
  const std::size_t significandEnd = copy.find_first_of("eE");
  if (std::isinf(parsed) || (parsed == 0 && copy.find_first_of("123456789") < significandEnd))
    return MeterValueStatus::OutOfRange;
#endif
  value = parsed;
  return MeterValueStatus::Ok;
}

} // namespace

MeterValueStatus ParseMeterValue(std::string_view text, Quantity quantity, double &value) {
  // Step 1: the sign and the digits, with a point or with a prefix standing
  // for the point ("4n7").
  std::size_t i = 0;
  const std::size_t n = text.size();
  const bool plus = n > 0 && text[0] == '+';
  if (n > 0 && (text[0] == '+' || text[0] == '-'))
    ++i;
  const std::size_t integerStart = i;
  while (i < n && IsDigit(text[i]))
    ++i;
  const std::size_t integerEnd = i;
  bool hasFraction = false;
  int prefixExponent = 0;
  std::size_t prefixLength = 0; // of a prefix that stands for the point
  if (i < n && text[i] == '.') {
    const std::size_t fractionStart = ++i;
    while (i < n && IsDigit(text[i]))
      ++i;
    hasFraction = i > fractionStart;
  } else if (integerEnd > integerStart) {
    const Prefix *p = FindPrefixAt(text.substr(i));
    if (p != nullptr && i + p->text.size() < n && IsDigit(text[i + p->text.size()])) {
      prefixExponent = p->exponent;
      prefixLength = p->text.size();
      i += prefixLength;
      while (i < n && IsDigit(text[i]))
        ++i;
    }
  }
  if (integerEnd == integerStart && !hasFraction)
    return MeterValueStatus::NotANumber;

  // Step 2: the exponent, saturated while it is read.
  long exponent = 0;
  if (prefixLength == 0 && i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
      negative = text[i++] == '-';
    const std::size_t exponentStart = i;
    while (i < n && IsDigit(text[i])) {
      if (exponent < ExponentCap)
        exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i == exponentStart)
      return MeterValueStatus::NotANumber;
    if (negative)
      exponent = -exponent;
  }
  const std::size_t numberEnd = i;

  // Step 3: the prefix and the unit; with the prefix as the point, only a
  // unit may follow.
  if (prefixLength != 0) {
    const std::string_view rest = text.substr(i);
    if (!rest.empty()) {
      const Unit *u = FindUnit(rest);
      if (u == nullptr)
        return MeterValueStatus::NotANumber;
      if (u->quantity != quantity)
        return MeterValueStatus::WrongUnit;
    }
  } else {
    const MeterValueStatus suffix = ReadSuffix(text.substr(i), quantity, prefixExponent);
    if (suffix != MeterValueStatus::Ok)
      return suffix;
  }

  // Step 4: one correctly rounded conversion of digits × 10^(exponent +
  // prefix), so that "4.7n" is exactly the double nearest 4.7e-9. Without a
  // prefix the text itself is converted (less its '+', which the converter
  // does not take); with one, the digits are written out with the summed
  // exponent first.
  const char *first = text.data() + (plus ? 1 : 0);
  const char *last = text.data() + numberEnd;
  std::string spelled;
  if (prefixExponent != 0) {
    const std::size_t start = plus ? 1 : 0;
    spelled.reserve(numberEnd - start + 12);
    if (prefixLength != 0) {
      spelled.append(text.substr(start, integerEnd - start));
      spelled += '.';
      spelled.append(text.substr(integerEnd + prefixLength, numberEnd - integerEnd - prefixLength));
    } else {
      // Up to the exponent's letter, which is written again below.
      std::size_t mantissaEnd = numberEnd;
      for (std::size_t k = integerStart; k < numberEnd; ++k)
        if (text[k] == 'e' || text[k] == 'E') {
          mantissaEnd = k;
          break;
        }
      spelled.append(text.substr(start, mantissaEnd - start));
    }
    spelled += 'e';
    spelled += std::to_string(exponent + prefixExponent);
    first = spelled.data();
    last = first + spelled.size();
  }
  return ConvertDecimal(first, last, value);
}

const char *QuantityUnit(Quantity quantity) {
  switch (quantity) {
  case Quantity::Frequency:
    return "Hz";
  case Quantity::Capacitance:
    return "F";
  case Quantity::Inductance:
    return "H";
  case Quantity::Resistance:
    return "Ohm";
  case Quantity::Conductance:
    return "S";
  case Quantity::Ratio:
    return "";
  case Quantity::Degrees:
    return "deg";
  case Quantity::Radians:
    return "rad";
  }
  return "";
}
