// The strict meter-value reader: every prefix and unit, every spelling of its earlier
// grammar read as before, and the bench's spellings and the ambiguities it refuses.
#include "core/MeterValue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>
#include <tuple>

namespace {

using enum MeterValueStatus;
using Q = Quantity;
using M = DecimalMark;

struct Case {
  std::string text;
  Quantity quantity;
  MeterValueStatus status;
  double value; // 123 for a refused text: the value is left alone
  DecimalMark mark = M::Point;
};

// The double nearest the decimal `text` by from_chars (strtod differs by platform); inf beyond.
double Nearest(const std::string &text) {
  double value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
    return HUGE_VAL;
  return value;
}

void Check(const Case &c) {
  double v = 123;
  EXPECT_EQ(ParseMeterValue(c.text, c.quantity, v, c.mark), c.status) << "'" << c.text << "'";
  EXPECT_EQ(std::memcmp(&v, &c.value, sizeof v), 0) << "'" << c.text << "' gave " << v;
}

// clang-format off
// Every prefix with its power of ten, and whether it may stand for the mark ("4n7"; never meg).
const std::tuple<const char *, int, bool> Prefixes[] = {
    {"", 0, false}, {"a", -18, true}, {"f", -15, true}, {"p", -12, true}, {"n", -9, true},
    {"u", -6, true}, {"\xC2\xB5", -6, true}, {"\xCE\xBC", -6, true}, {"m", -3, true},
    {"k", 3, true}, {"K", 3, true}, {"M", 6, true}, {"G", 9, true}, {"T", 12, true},
    {"meg", 6, false}, {"MEG", 6, false}, {"Meg", 6, false}};

// Every unit with its quantity.
const std::pair<const char *, Quantity> Units[] = {
    {"", Q::Ratio}, {"Hz", Q::Frequency}, {"F", Q::Capacitance}, {"H", Q::Inductance},
    {"Ohm", Q::Resistance}, {"ohm", Q::Resistance}, {"Ohms", Q::Resistance},
    {"ohms", Q::Resistance}, {"\xCE\xA9", Q::Resistance}, {"\xE2\x84\xA6", Q::Resistance},
    {"S", Q::Conductance}, {"mho", Q::Conductance}, {"mhos", Q::Conductance},
    {"deg", Q::Degrees}, {"\xC2\xB0", Q::Degrees}, {"rad", Q::Radians}};

// clang-format on

// Every number × prefix × unit, and the prefix as the point, reads the digits rounded once at
// the summed exponent; each unit in other letter cases too, and not for another quantity.
TEST(MeterValue, EveryPrefixAndUnitReadsItsValue) {
  const std::pair<const char *, int> numbers[] = {
      // mantissa, then "e<exponent>" unless 0
      {"4.7", 0},   {"4", 0},   {"-12.5", 0}, {"+.5", 0}, {"5.", 0},
      {"1", -9},    {"1.5", 3}, {"0.1", -8},  {"-0", 0},  {"123456789012345678901", 0},
      {"9.99", 290}};
  int checked = 0;
  for (const auto &[mantissa, exponent] : numbers)
    for (const auto &[prefix, power, asMark] : Prefixes)
      for (const auto &[unit, quantity] : Units) {
        std::string text = mantissa;
        if (exponent != 0)
          text.append("e").append(std::to_string(exponent)); // mingw's -Wrestrict: no "e" + ...
        const double expected =
            Nearest(std::string(mantissa) + "e" + std::to_string(exponent + power));
        for (DecimalMark mark : {M::Point, M::Either})
          if (std::isfinite(expected)) // out of range: refused before and now
            Check({text + prefix + unit, quantity, Ok, expected, mark}), ++checked;
      }
  for (const auto &[prefix, power, asMark] : Prefixes)
    for (const char *digits : {"4", "47", "100"})
      for (const char *fraction : {"7", "68", "001"})
        if (asMark)
          Check({std::string(digits) + prefix + fraction, Q::Ratio, Ok,
                 Nearest(std::string(digits) + "." + fraction + "e" + std::to_string(power))}),
              ++checked;
  EXPECT_GT(checked, 5000);
  for (const auto &[unit, quantity] : Units) {
    std::string lower = unit, upper = unit;
    for (std::size_t k = 0; k < lower.size(); ++k) {
      lower[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[k])));
      upper[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[k])));
    }
    if (lower != "f") // "2f" is two femto
      Check({"2" + lower, quantity, Ok, 2});
    Check({"2" + upper, quantity, Ok, 2});
    Check({"2n" + upper, quantity, Ok, 2e-9});
    if (*unit != '\0')
      Check({std::string("2") + unit, quantity == Q::Ratio ? Q::Frequency : Q::Ratio, WrongUnit,
             123});
  }
}

TEST(MeterValue, BenchSpellingsAndTheirAmbiguities) {
  const Q R = Q::Resistance, C = Q::Capacitance, F = Q::Frequency, X = Q::Ratio;
  // clang-format off
  const Case cases[] = {
      // Markings: a prefix or R stands for the point, at the start too; only a unit follows.
      {"4K7", R, Ok, 4700}, {"1R5", R, Ok, 1.5}, {"2M2", R, Ok, 2.2e6}, {"R47", R, Ok, 0.47},
      {"100R", R, Ok, 100}, // R alone is the ohm
      {"-R47", R, Ok, -0.47}, {"4R7Ohm", R, Ok, 4.7}, {"4n7f", C, Ok, 4.7e-9},
      {"n47", C, Ok, 0.47e-9}, {"4n7", R, Ok, 4.7e-9}, // a prefix fits any quantity
      {"2ff", C, Ok, 2e-15}, {"3mEg", X, Ok, 3e6}, // meg in any case
      {"3meg5", X, NotANumber, 123}, {"4m7h", Q::Inductance, AmbiguousPrefix, 123},
      {"4K7k", R, NotANumber, 123}, {"4 K7", R, NotANumber, 123}, {"4K7 Ohm", R, NotANumber, 123},
      {"4.7K7", R, NotANumber, 123}, {"R", R, NotANumber, 123}, {"4R7", C, WrongUnit, 123},
      {"3R", X, WrongUnit, 123}, // R only for a resistance
      // Units in any letter case, prefixes in theirs; m or M before a unit not in its case.
      {"4.7uf", C, Ok, 4.7e-6}, {"1khz", F, Ok, 1e3}, {"4.7meghz", F, Ok, 4.7e6},
      {"1mohm", R, Ok, 1e-3}, {"2Mhos", Q::Conductance, Ok, 2}, {"1mhz", F, AmbiguousPrefix, 123},
      {"1MHZ", F, AmbiguousPrefix, 123}, {"1Mhz", F, AmbiguousPrefix, 123},
      {"1ms", Q::Conductance, AmbiguousPrefix, 123}, {"1mOHM", R, AmbiguousPrefix, 123},
      {"1mhz", C, AmbiguousPrefix, 123}, // ambiguous before it is wrong
      {"1UF", C, NotANumber, 123}, {"1NF", C, NotANumber, 123},
      // One space before a prefix or unit, and nowhere else.
      {"4.7 nF", C, Ok, 4.7e-9}, {"4.7 n", C, Ok, 4.7e-9}, {"100 Ohm", R, Ok, 100},
      {"-12.5 deg", Q::Degrees, Ok, -12.5}, {"1e3 k", X, Ok, 1e6}, {"4.7  nF", C, NotANumber, 123},
      {"4n7 F", C, NotANumber, 123}, {"4.7\tnF", C, NotANumber, 123}, {"1 e3", X, NotANumber, 123},
      {"1 2", X, NotANumber, 123},
      // The mark of a log (point or comma) or of the command line (either; "1,000" groups?).
      {"4,7n", X, WrongMark, 123, M::Point}, {"4,7n", X, Ok, 4.7e-9, M::Comma},
      {"4,7n", X, Ok, 4.7e-9, M::Either}, {"4.7n", X, WrongMark, 123, M::Comma},
      {"4.7n", X, Ok, 4.7e-9, M::Either}, {"1,000", X, Ok, 1, M::Comma},
      {"1,000", X, WrongMark, 123, M::Point}, {"1,000", X, AmbiguousComma, 123, M::Either},
      {"999,999k", X, AmbiguousComma, 123, M::Either},
      {"0,001", X, Ok, 0.001, M::Either}, // a leading zero groups nothing
      {"1234,567", X, Ok, 1234.567, M::Either}, // four digits before it
      {"12,3456", X, Ok, 12.3456, M::Either}, // four after it
      {",5", X, Ok, 0.5, M::Either}, {"12,34", X, Ok, 12.34, M::Either},
      {"4,7e-9", X, Ok, 4.7e-9, M::Either}, {"5,", X, NotANumber, 123, M::Either},
      {"1,5,3", X, NotANumber, 123, M::Either}, {"1.000,5", X, NotANumber, 123, M::Either},
      {"1,5.3", X, NotANumber, 123, M::Comma}, {",", X, NotANumber, 123, M::Either}};
  // clang-format on
  for (const Case &c : cases)
    Check(c);
}

} // namespace
