// The strict value reader of the companion's instrument pairs.
#include "core/MeterValue.h"

#include "core/AsciiCase.h"

#include <algorithm>
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
  bool anyCase = false;     // read in any letter case ("meg", "MEG", "Meg")
  bool asMark = true;       // may stand for the decimal mark ("4n7")
  bool caseMatters = false; // the other letter case is another prefix (m, M)
  bool ohms = false;        // R: no power of ten, and the value is a resistance
};

// SI prefixes, with the two micro signs in UTF-8 (U+00B5 and U+03BC) beside
// "u", K beside k, the circuit simulators' "meg" for mega (M stays mega and
// m milli), and the R of resistor markings. "meg" comes before "m".
constexpr Prefix Prefixes[] = {{.text = "meg", .exponent = 6, .anyCase = true, .asMark = false},
                               {.text = "a", .exponent = -18},
                               {.text = "f", .exponent = -15},
                               {.text = "p", .exponent = -12},
                               {.text = "n", .exponent = -9},
                               {.text = "u", .exponent = -6},
                               {.text = "\xC2\xB5", .exponent = -6},
                               {.text = "\xCE\xBC", .exponent = -6},
                               {.text = "m", .exponent = -3, .caseMatters = true},
                               {.text = "k", .exponent = 3},
                               {.text = "K", .exponent = 3},
                               {.text = "M", .exponent = 6, .caseMatters = true},
                               {.text = "G", .exponent = 9},
                               {.text = "T", .exponent = 12},
                               {.text = "R", .exponent = 0, .ohms = true}};

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

// The unit that the whole of `text` spells, as listed or, with `anyCase`,
// in any letter case; nullptr when none. The first byte is compared first:
// most texts have no unit, or a short one.
const Unit *FindUnit(std::string_view text, bool anyCase) {
  if (text.empty())
    return nullptr;
  for (const Unit &u : Units)
    if (anyCase ? EqualIgnoringAsciiCase(u.text, text) : u.text[0] == text[0] && u.text == text)
      return &u;
  return nullptr;
}

// The prefix that `text` starts with, or nullptr.
const Prefix *FindPrefixAt(std::string_view text) {
  if (text.empty())
    return nullptr;
  for (const Prefix &p : Prefixes) {
    if (p.anyCase) {
      if (EqualIgnoringAsciiCase(text.substr(0, p.text.size()), p.text))
        return &p;
    } else if (p.text[0] == text[0] && text.substr(0, p.text.size()) == p.text) {
      return &p;
    }
  }
  return nullptr;
}

// Whether `unit` fits `quantity` after the prefix `p` (if any).
MeterValueStatus Fits(const Unit *unit, const Prefix *p, Quantity quantity) {
  if (p != nullptr && p->ohms && quantity != Quantity::Resistance)
    return MeterValueStatus::WrongUnit;
  if (unit != nullptr && unit->quantity != quantity)
    return MeterValueStatus::WrongUnit;
  return MeterValueStatus::Ok;
}

// What follows a prefix: nothing, or a unit. A unit in another letter case
// than listed leaves m and M ambiguous ("mhz": milli or mega?).
MeterValueStatus ReadUnitAfter(const Prefix &p, std::string_view rest, Quantity quantity) {
  if (rest.empty())
    return Fits(nullptr, &p, quantity);
  if (const Unit *u = FindUnit(rest, false))
    return Fits(u, &p, quantity);
  if (const Unit *u = FindUnit(rest, true))
    return p.caseMatters ? MeterValueStatus::AmbiguousPrefix : Fits(u, &p, quantity);
  return MeterValueStatus::NotANumber;
}

// What may follow the number: nothing, a unit of the quantity, or a prefix
// and then nothing or such a unit. Sets the prefix's exponent.
MeterValueStatus ReadSuffix(std::string_view rest, Quantity quantity, int &exponent) {
  exponent = 0;
  if (rest.empty())
    return MeterValueStatus::Ok;
  // Step a: a whole unit as listed: "mho" is a unit, not milli-"ho".
  if (const Unit *u = FindUnit(rest, false))
    return Fits(u, nullptr, quantity);
  // Step b: a prefix, then nothing or a unit ("kHz", "uf", "mhz").
  if (const Prefix *p = FindPrefixAt(rest)) {
    const MeterValueStatus status = ReadUnitAfter(*p, rest.substr(p->text.size()), quantity);
    if (status != MeterValueStatus::NotANumber) {
      exponent = p->exponent;
      return status;
    }
  }
  // Step c: a whole unit in another letter case ("hz", "OHM", "Mhos").
  if (const Unit *u = FindUnit(rest, true))
    return Fits(u, nullptr, quantity);
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

MeterValueStatus ParseMeterValue(std::string_view text, Quantity quantity, double &value,
                                 DecimalMark mark) {
  // Step 1: the sign and the whole digits.
  const std::size_t n = text.size();
  const bool negative = n > 0 && text[0] == '-';
  std::size_t i = n > 0 && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  const std::size_t integerStart = i;
  while (i < n && IsDigit(text[i]))
    ++i;
  const std::size_t integerEnd = i;

  // Step 2: the fraction, after a decimal mark or after a prefix standing
  // for it ("4n7", "R47").
  char markSeen = 0;
  const Prefix *markPrefix = nullptr;
  std::size_t fractionStart = i;
  if (i < n && (text[i] == '.' || text[i] == ',')) {
    markSeen = text[i];
    fractionStart = ++i;
    while (i < n && IsDigit(text[i]))
      ++i;
    // "5." reads as 5, as it always has; a comma needs a digit after it.
    if (markSeen == ',' && i == fractionStart)
      return MeterValueStatus::NotANumber;
  } else {
    const Prefix *p = FindPrefixAt(text.substr(i));
    if (p != nullptr && p->asMark && i + p->text.size() < n && IsDigit(text[i + p->text.size()])) {
      markPrefix = p;
      i += p->text.size();
      fractionStart = i;
      while (i < n && IsDigit(text[i]))
        ++i;
    }
  }
  const std::size_t fractionEnd = markSeen != 0 || markPrefix != nullptr ? i : fractionStart;
  if (integerEnd == integerStart && fractionEnd == fractionStart)
    return MeterValueStatus::NotANumber;

  // Step 3: the exponent, saturated while it is read; none after a prefix
  // that stands for the mark.
  long exponent = 0;
  if (markPrefix == nullptr && i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
      negativeExponent = text[i++] == '-';
    const std::size_t exponentStart = i;
    while (i < n && IsDigit(text[i])) {
      if (exponent < ExponentCap)
        exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i == exponentStart)
      return MeterValueStatus::NotANumber;
    if (negativeExponent)
      exponent = -exponent;
  }

  // Step 4: the prefix and the unit, after at most one space; with a prefix
  // as the mark, only a unit may follow, directly.
  MeterValueStatus suffix;
  int prefixExponent = 0;
  std::string_view rest = text.substr(i);
  if (markPrefix != nullptr) {
    prefixExponent = markPrefix->exponent;
    suffix = ReadUnitAfter(*markPrefix, rest, quantity);
  } else {
    if (rest.size() > 1 && rest[0] == ' ')
      rest.remove_prefix(1);
    suffix = ReadSuffix(rest, quantity, prefixExponent);
  }
  if (suffix == MeterValueStatus::NotANumber)
    return suffix;

  // Step 5: the decimal mark. With either mark allowed, a comma after one to
  // three digits (not starting with 0) and before exactly three may group
  // thousands instead.
  if ((markSeen == ',' && mark == DecimalMark::Point) ||
      (markSeen == '.' && mark == DecimalMark::Comma))
    return MeterValueStatus::WrongMark;
  if (markSeen == ',' && mark == DecimalMark::Either && integerEnd - integerStart <= 3 &&
      integerEnd > integerStart && text[integerStart] != '0' && fractionEnd - fractionStart == 3)
    return MeterValueStatus::AmbiguousComma;
  if (suffix != MeterValueStatus::Ok)
    return suffix;

  // Step 6: one correctly rounded conversion of digits × 10^(exponent +
  // prefix), so that "4.7n" is exactly the double nearest 4.7e-9: the
  // digits are written out with a point and the summed exponent, on the
  // stack unless they are many.
  const long totalExponent = exponent + prefixExponent;
  const std::size_t digits = fractionEnd - integerStart;
  char local[64];
  std::string heap;
  char *const spelled =
      digits + 16 <= sizeof local ? local : (heap.resize(digits + 16), heap.data());
  char *p = spelled;
  if (negative)
    *p++ = '-';
  p = std::copy(text.data() + integerStart, text.data() + integerEnd, p);
  if (fractionEnd > fractionStart || markSeen != 0) {
    *p++ = '.';
    p = std::copy(text.data() + fractionStart, text.data() + fractionEnd, p);
  }
  if (totalExponent != 0) {
    *p++ = 'e';
    p = std::to_chars(p, p + 12, totalExponent).ptr;
  }
  return ConvertDecimal(spelled, p, value);
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
