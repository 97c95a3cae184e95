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

// The double nearest the decimal `text` as from_chars reads it (strtod differs by
// platform); infinity beyond a double.
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

// Every prefix with its power of ten, and whether it may stand for the
// decimal mark ("4n7"; never meg).
const struct {
  const char *text;
  int exponent;
  bool mark;
} Prefixes[] = {{"", 0, false},   {"a", -18, true}, {"f", -15, true},       {"p", -12, true},
                {"n", -9, true},  {"u", -6, true},  {"\xC2\xB5", -6, true}, {"\xCE\xBC", -6, true},
                {"m", -3, true},  {"k", 3, true},   {"K", 3, true},         {"M", 6, true},
                {"G", 9, true},   {"T", 12, true},  {"meg", 6, false},      {"MEG", 6, false},
                {"Meg", 6, false}};

// Every unit with its quantity.
// clang-format off
const std::pair<const char *, Quantity> Units[] = {
    {"", Q::Ratio}, {"Hz", Q::Frequency}, {"F", Q::Capacitance}, {"H", Q::Inductance},
    {"Ohm", Q::Resistance}, {"ohm", Q::Resistance}, {"Ohms", Q::Resistance}, {"ohms", Q::Resistance},
    {"\xCE\xA9", Q::Resistance}, {"\xE2\x84\xA6", Q::Resistance}, {"S", Q::Conductance},
    {"mho", Q::Conductance}, {"mhos", Q::Conductance}, {"deg", Q::Degrees}, {"\xC2\xB0", Q::Degrees},
    {"rad", Q::Radians}};

// clang-format on

// Every number × prefix × unit, and the prefix as the point, reads the digits times
// the prefix's power, rounded once (the digits with the summed exponent are the
// oracle); each unit in other letter cases too, and not for another quantity.
TEST(MeterValue, EveryPrefixAndUnitReadsItsValue) {
  const struct {
    const char *mantissa;
    int exponent; // written after it as "e<exponent>" unless 0
  } numbers[] = {{"4.7", 0},   {"4", 0},   {"-12.5", 0}, {"+.5", 0}, {"5.", 0},
                 {"1", -9},    {"1.5", 3}, {"0.1", -8},  {"-0", 0},  {"123456789012345678901", 0},
                 {"9.99", 290}};

  int checked = 0;
  for (const auto &n : numbers)
    for (const auto &p : Prefixes)
      for (const auto &[unit, quantity] : Units) {
        std::string text = n.mantissa;
        if (n.exponent != 0) {
          text += 'e'; // on its own: mingw's -Wrestrict misreads "e" + text
          text += std::to_string(n.exponent);
        }
        text += std::string(p.text) + unit;
        const double expected =
            Nearest(std::string(n.mantissa) + "e" + std::to_string(n.exponent + p.exponent));
        for (DecimalMark mark : {M::Point, M::Either})
          if (std::isfinite(expected)) // out of range: refused before and now
            Check({text, quantity, Ok, expected, mark}), ++checked;
      }
  for (const auto &p : Prefixes)
    for (const char *digits : {"4", "47", "100"})
      for (const char *fraction : {"7", "68", "001"})
        if (p.mark)
          Check({std::string(digits) + p.text + fraction, Q::Ratio, Ok,
                 Nearest(std::string(digits) + "." + fraction + "e" + std::to_string(p.exponent))}),
              ++checked;
  EXPECT_GT(checked, 5000);
  for (const auto &[unit, quantity] : Units) {
    std::string lower = unit, upper = unit;
    for (char &c : lower)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char &c : upper)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (lower != "f") // "2f" is two femto
      Check({"2" + lower, quantity, Ok, 2});
    Check({"2" + upper, quantity, Ok, 2});
    Check({"2n" + upper, quantity, Ok, 2e-9});
    if (*unit != '\0')
      Check({std::string("2") + unit, quantity == Q::Ratio ? Q::Frequency : Q::Ratio, WrongUnit,
             123});
  }
}

// The spellings of the bench, each with its label.
TEST(MeterValue, BenchSpellingsAndTheirAmbiguities) {
  const Case cases[] = {
      // Markings: a prefix or R stands for the point, at the start too; only a unit follows.
      {"4K7", Q::Resistance, Ok, 4700},
      {"1R5", Q::Resistance, Ok, 1.5},
      {"100R", Q::Resistance, Ok, 100}, // R alone is the ohm
      {"2M2", Q::Resistance, Ok, 2.2e6},
      {"R47", Q::Resistance, Ok, 0.47},
      {"-R47", Q::Resistance, Ok, -0.47},
      {"4R7Ohm", Q::Resistance, Ok, 4.7},
      {"4n7f", Q::Capacitance, Ok, 4.7e-9},
      {"n47", Q::Capacitance, Ok, 0.47e-9},
      {"p68", Q::Capacitance, Ok, 0.68e-12},
      {"4n7", Q::Resistance, Ok, 4.7e-9}, // a prefix fits any quantity
      {"2ff", Q::Capacitance, Ok, 2e-15},
      {"3mEg", Q::Ratio, Ok, 3e6}, // meg in any case
      {"3meg5", Q::Ratio, NotANumber, 123},
      {"4m7h", Q::Inductance, AmbiguousPrefix, 123},
      {"4K7e3", Q::Resistance, NotANumber, 123},
      {"4K7k", Q::Resistance, NotANumber, 123},
      {"4 K7", Q::Resistance, NotANumber, 123},
      {"4K7 Ohm", Q::Resistance, NotANumber, 123},
      {"4.7K7", Q::Resistance, NotANumber, 123},
      {"R", Q::Resistance, NotANumber, 123},
      {"4R7", Q::Capacitance, WrongUnit, 123},
      {"3R", Q::Ratio, WrongUnit, 123}, // R only for a resistance
      // Units in any letter case, prefixes in theirs; m or M before a unit not in its case.
      {"4.7uf", Q::Capacitance, Ok, 4.7e-6},
      {"1KHz", Q::Frequency, Ok, 1e3},
      {"1KHZ", Q::Frequency, Ok, 1e3},
      {"1khz", Q::Frequency, Ok, 1e3},
      {"1GHZ", Q::Frequency, Ok, 1e9},
      {"4.7meghz", Q::Frequency, Ok, 4.7e6},
      {"1MS", Q::Conductance, Ok, 1e6},
      {"1MOhm", Q::Resistance, Ok, 1e6},
      {"1mohm", Q::Resistance, Ok, 1e-3},
      {"1MF", Q::Capacitance, Ok, 1e6},
      {"2MHO", Q::Conductance, Ok, 2},
      {"2Mhos", Q::Conductance, Ok, 2},
      {"1mrad", Q::Radians, Ok, 1e-3},
      {"1mhz", Q::Frequency, AmbiguousPrefix, 123},
      {"1MHZ", Q::Frequency, AmbiguousPrefix, 123},
      {"1Mhz", Q::Frequency, AmbiguousPrefix, 123},
      {"1ms", Q::Conductance, AmbiguousPrefix, 123},
      {"1mOHM", Q::Resistance, AmbiguousPrefix, 123},
      {"1mf", Q::Capacitance, AmbiguousPrefix, 123},
      {"1mhz", Q::Capacitance, AmbiguousPrefix, 123}, // ambiguous before it is wrong
      {"1UF", Q::Capacitance, NotANumber, 123},
      {"1NF", Q::Capacitance, NotANumber, 123},
      // One space before a prefix or unit, and nowhere else.
      {"4.7 nF", Q::Capacitance, Ok, 4.7e-9},
      {"4.7 n", Q::Capacitance, Ok, 4.7e-9},
      {"100 Ohm", Q::Resistance, Ok, 100},
      {"-12.5 deg", Q::Degrees, Ok, -12.5},
      {"1e3 k", Q::Ratio, Ok, 1e6},
      {"4.7  nF", Q::Capacitance, NotANumber, 123},
      {"4n7 F", Q::Capacitance, NotANumber, 123},
      {"4.7\tnF", Q::Capacitance, NotANumber, 123},
      {"1 e3", Q::Ratio, NotANumber, 123},
      {"1 2", Q::Ratio, NotANumber, 123},
      // The mark of a log (point or comma) or of the command line (either; "1,000" groups?).
      {"4,7n", Q::Ratio, WrongMark, 123, M::Point},
      {"4,7n", Q::Ratio, Ok, 4.7e-9, M::Comma},
      {"4,7n", Q::Ratio, Ok, 4.7e-9, M::Either},
      {"4.7n", Q::Ratio, WrongMark, 123, M::Comma},
      {"4.7n", Q::Ratio, Ok, 4.7e-9, M::Either},
      {"1,000", Q::Ratio, Ok, 1, M::Comma},
      {"1,000", Q::Ratio, WrongMark, 123, M::Point},
      {"1,000", Q::Ratio, AmbiguousComma, 123, M::Either},
      {"999,999k", Q::Ratio, AmbiguousComma, 123, M::Either},
      {"0,001", Q::Ratio, Ok, 0.001, M::Either},       // a leading zero groups nothing
      {"1234,567", Q::Ratio, Ok, 1234.567, M::Either}, // four digits before it
      {"12,3456", Q::Ratio, Ok, 12.3456, M::Either},   // four after it
      {",5", Q::Ratio, Ok, 0.5, M::Either},
      {"12,34", Q::Ratio, Ok, 12.34, M::Either},
      {"4,7e-9", Q::Ratio, Ok, 4.7e-9, M::Either},
      {"5,", Q::Ratio, NotANumber, 123, M::Either},
      {"1,5,3", Q::Ratio, NotANumber, 123, M::Either},
      {"1.000,5", Q::Ratio, NotANumber, 123, M::Either},
      {"1,5.3", Q::Ratio, NotANumber, 123, M::Comma},
      {",", Q::Ratio, NotANumber, 123, M::Either},
  };
  for (const Case &c : cases)
    Check(c);
}

} // namespace
