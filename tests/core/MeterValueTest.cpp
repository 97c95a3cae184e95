// The strict meter-value reader's spellings: every entry of its prefix and
// unit tables, the bench spellings (resistor and capacitor codes, K, meg,
// units in any letter case, one space, decimal commas), the ambiguities it
// refuses, and every spelling of its earlier grammar read as before.
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

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The double nearest the decimal `text` ("47e-10"), as the C++ library
// reads it (the same on every platform, which strtod is not); infinity when
// it is beyond the range of a double.
double Nearest(const std::string &text) {
  double value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
    return HUGE_VAL;
  return value;
}

void Check(const Case &c) {
  double v = 123;
  EXPECT_EQ(ParseMeterValue(c.text, c.quantity, v, c.mark), c.status) << "'" << c.text << "'";
  EXPECT_TRUE(SameBits(v, c.value)) << "'" << c.text << "' gave " << v;
}

// A wrong power of ten for any prefix (pico as 1e-11) shows here: each one
// alone, with a unit, and standing for the decimal mark.
TEST(MeterValuePrefixes, EveryPrefixHasItsPowerOfTen) {
  const struct {
    const char *prefix;
    double three, threeFive; // 3 and 3.5 times the prefix's power
  } prefixes[] = {{"a", 3e-18, 3.5e-18},      {"f", 3e-15, 3.5e-15}, {"p", 3e-12, 3.5e-12},
                  {"n", 3e-9, 3.5e-9},        {"u", 3e-6, 3.5e-6},   {"\xC2\xB5", 3e-6, 3.5e-6},
                  {"\xCE\xBC", 3e-6, 3.5e-6}, {"m", 3e-3, 3.5e-3},   {"k", 3e3, 3.5e3},
                  {"K", 3e3, 3.5e3},          {"M", 3e6, 3.5e6},     {"G", 3e9, 3.5e9},
                  {"T", 3e12, 3.5e12},        {"meg", 3e6, 3.5e6},   {"MEG", 3e6, 3.5e6},
                  {"Meg", 3e6, 3.5e6}};

  for (const auto &p : prefixes) {
    const std::string prefix = p.prefix;
    Check({"3" + prefix, Q::Ratio, Ok, p.three});
    Check({"3.5" + prefix + "Hz", Q::Frequency, Ok, p.threeFive});
    Check({"-3.5" + prefix + "F", Q::Capacitance, Ok, -p.threeFive});
    if (prefix[0] != 'm' && prefix[0] != 'M') // meg stands for no decimal mark
      Check({"3" + prefix + "5", Q::Ratio, Ok, p.threeFive});
  }
  Check({"3meg5", Q::Ratio, NotANumber, 123});
  Check({"3mEg", Q::Ratio, Ok, 3e6}); // meg in any case
  // R: no power of ten, and only for a resistance.
  Check({"3R", Q::Resistance, Ok, 3}), Check({"3R5", Q::Resistance, Ok, 3.5});
  Check({"3R", Q::Ratio, WrongUnit, 123}), Check({"3R5", Q::Capacitance, WrongUnit, 123});
}

// Each unit as listed, in other letter cases where it has letters, after a
// prefix, and with a quantity it does not fit.
TEST(MeterValueUnits, EveryUnitInAnyLetterCase) {
  const struct {
    const char *unit;
    Quantity quantity;
    Quantity other;
  } units[] = {{"Hz", Q::Frequency, Q::Ratio},
               {"F", Q::Capacitance, Q::Inductance},
               {"H", Q::Inductance, Q::Capacitance},
               {"Ohm", Q::Resistance, Q::Conductance},
               {"ohm", Q::Resistance, Q::Conductance},
               {"Ohms", Q::Resistance, Q::Frequency},
               {"ohms", Q::Resistance, Q::Frequency},
               {"\xCE\xA9", Q::Resistance, Q::Ratio},
               {"\xE2\x84\xA6", Q::Resistance, Q::Ratio},
               {"S", Q::Conductance, Q::Resistance},
               {"mho", Q::Conductance, Q::Resistance},
               {"mhos", Q::Conductance, Q::Resistance},
               {"deg", Q::Degrees, Q::Radians},
               {"\xC2\xB0", Q::Degrees, Q::Radians},
               {"rad", Q::Radians, Q::Degrees}};

  for (const auto &u : units) {
    std::string lower = u.unit, upper = u.unit;
    for (char &c : lower)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char &c : upper)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Check({std::string("2") + u.unit, u.quantity, Ok, 2});
    Check({std::string("2.5k") + u.unit, u.quantity, Ok, 2500});
    Check({std::string("2") + u.unit, u.other, WrongUnit, 123});
    if (lower != "f") // "2f" is two femto
      Check({"2" + lower, u.quantity, Ok, 2});
    Check({"2" + upper, u.quantity, Ok, 2});
    Check({"2n" + upper, u.quantity, Ok, 2e-9});
  }
  Check({"2f", Q::Capacitance, Ok, 2e-15}), Check({"2ff", Q::Capacitance, Ok, 2e-15});
}

// Resistor and capacitor markings (IEC 60062): the prefix or R stands for
// the decimal mark, at the start too; nothing but a unit may follow.
TEST(MeterValueMarkings, ResistorAndCapacitorCodes) {
  const Case cases[] = {
      {"4K7", Q::Resistance, Ok, 4700},
      {"4k7", Q::Resistance, Ok, 4700},
      {"1R5", Q::Resistance, Ok, 1.5},
      {"100R", Q::Resistance, Ok, 100},
      {"2M2", Q::Resistance, Ok, 2.2e6},
      {"R47", Q::Resistance, Ok, 0.47},
      {"-R47", Q::Resistance, Ok, -0.47},
      {"4R7Ohm", Q::Resistance, Ok, 4.7},
      {"4n7", Q::Capacitance, Ok, 4.7e-9},
      {"4n7F", Q::Capacitance, Ok, 4.7e-9},
      {"4n7f", Q::Capacitance, Ok, 4.7e-9},
      {"n47", Q::Capacitance, Ok, 0.47e-9},
      {"p68", Q::Capacitance, Ok, 0.68e-12},
      {"2\xC2\xB5"
       "2",
       Q::Capacitance, Ok, 2.2e-6},
      {"4m7h", Q::Inductance, AmbiguousPrefix, 123},
      {"4K7e3", Q::Resistance, NotANumber, 123},
      {"4K7k", Q::Resistance, NotANumber, 123},
      {"4 K7", Q::Resistance, NotANumber, 123},
      {"4K7 Ohm", Q::Resistance, NotANumber, 123},
      {"4.7K7", Q::Resistance, NotANumber, 123},
      {"R", Q::Resistance, NotANumber, 123},
      {"4n7", Q::Resistance, Ok, 4.7e-9}, // a prefix fits any quantity
      {"4R7", Q::Capacitance, WrongUnit, 123},
  };
  for (const Case &c : cases)
    Check(c);
}

// Units are read in any letter case, prefixes in theirs (K and meg aside);
// m or M before a unit whose case was not kept is milli or mega.
TEST(MeterValueCase, UnitsInAnyCaseAmbiguousPrefixesRefused) {
  const Case cases[] = {
      {"4.7uf", Q::Capacitance, Ok, 4.7e-6},
      {"1KHz", Q::Frequency, Ok, 1e3},
      {"1KHZ", Q::Frequency, Ok, 1e3},
      {"1khz", Q::Frequency, Ok, 1e3},
      {"1GHZ", Q::Frequency, Ok, 1e9},
      {"4.7meghz", Q::Frequency, Ok, 4.7e6},
      {"1mHz", Q::Frequency, Ok, 1e-3},
      {"1MHz", Q::Frequency, Ok, 1e6},
      {"1mS", Q::Conductance, Ok, 1e-3},
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
  };
  for (const Case &c : cases)
    Check(c);
}

TEST(MeterValueSpace, OneSpaceBeforePrefixOrUnit) {
  const Case cases[] = {
      {"4.7 nF", Q::Capacitance, Ok, 4.7e-9},
      {"4.7 n", Q::Capacitance, Ok, 4.7e-9},
      {"100 Ohm", Q::Resistance, Ok, 100},
      {"-12.5 deg", Q::Degrees, Ok, -12.5},
      {"1e3 k", Q::Ratio, Ok, 1e6},
      {"1 kHz", Q::Frequency, Ok, 1e3},
      {"4.7  nF", Q::Capacitance, NotANumber, 123},
      {"4.7 ", Q::Ratio, NotANumber, 123},
      {" 4.7", Q::Ratio, NotANumber, 123},
      {"4n7 F", Q::Capacitance, NotANumber, 123},
      {"4.7\tnF", Q::Capacitance, NotANumber, 123},
      {"1 e3", Q::Ratio, NotANumber, 123},
      {"1 2", Q::Ratio, NotANumber, 123},
  };
  for (const Case &c : cases)
    Check(c);
}

// The decimal mark each reader takes: a log's (point or comma) or the
// command line's (either, but "1,000" may group thousands).
TEST(MeterValueMarks, PointCommaOrEither) {
  const Case cases[] = {
      {"4,7n", Q::Ratio, WrongMark, 123, M::Point},
      {"4,7n", Q::Ratio, Ok, 4.7e-9, M::Comma},
      {"4,7n", Q::Ratio, Ok, 4.7e-9, M::Either},
      {"4.7n", Q::Ratio, WrongMark, 123, M::Comma},
      {"4.7n", Q::Ratio, Ok, 4.7e-9, M::Either},
      {"1,000", Q::Ratio, Ok, 1, M::Comma},
      {"1,000", Q::Ratio, WrongMark, 123, M::Point},
      {"1,000", Q::Ratio, AmbiguousComma, 123, M::Either},
      {"999,999k", Q::Ratio, AmbiguousComma, 123, M::Either},
      {"0,001", Q::Ratio, Ok, 0.001, M::Either},
      {"1234,567", Q::Ratio, Ok, 1234.567, M::Either},
      {"12,3456", Q::Ratio, Ok, 12.3456, M::Either},
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

// Every spelling of the earlier grammar (a number, an optional prefix of
// the earlier set, an optional unit, or the prefix as the point) reads the
// value it read before: the digits times the prefix's power of ten, rounded
// once, with a point or either mark (the digits spelled with the summed
// exponent are the oracle).
TEST(MeterValue, EarlierSpellingsReadAsBefore) {
  const struct {
    const char *mantissa;
    int exponent; // written after it as "e<exponent>" unless 0
  } numbers[] = {{"4.7", 0},   {"4", 0},   {"-12.5", 0}, {"+.5", 0}, {"5.", 0},
                 {"1", -9},    {"1.5", 3}, {"0.1", -8},  {"-0", 0},  {"123456789012345678901", 0},
                 {"9.99", 290}};

  const struct {
    const char *text;
    int exponent;
  } prefixes[] = {{"", 0},   {"a", -18},       {"f", -15},      {"p", -12}, {"n", -9},
                  {"u", -6}, {"m", -3},        {"k", 3},        {"M", 6},   {"G", 9},
                  {"T", 12}, {"\xC2\xB5", -6}, {"\xCE\xBC", -6}};

  const struct {
    const char *text;
    Quantity quantity;
  } units[] = {{"", Q::Ratio},
               {"Hz", Q::Frequency},
               {"F", Q::Capacitance},
               {"H", Q::Inductance},
               {"Ohm", Q::Resistance},
               {"ohms", Q::Resistance},
               {"\xCE\xA9", Q::Resistance},
               {"\xE2\x84\xA6", Q::Resistance},
               {"S", Q::Conductance},
               {"mho", Q::Conductance},
               {"mhos", Q::Conductance},
               {"deg", Q::Degrees},
               {"\xC2\xB0", Q::Degrees},
               {"rad", Q::Radians},
               {"ohm", Q::Resistance},
               {"Ohms", Q::Resistance}};

  int checked = 0;
  for (const auto &n : numbers)
    for (const auto &p : prefixes)
      for (const auto &u : units) {
        std::string text = n.mantissa;
        if (n.exponent != 0) {
          text += 'e'; // on its own: mingw's -Wrestrict misreads "e" + text
          text += std::to_string(n.exponent);
        }
        text += std::string(p.text) + u.text;
        const std::string exact =
            std::string(n.mantissa) + "e" + std::to_string(n.exponent + p.exponent);
        const double expected = Nearest(exact);
        if (!std::isfinite(expected))
          continue; // out of range: refused before and now
        for (DecimalMark mark : {M::Point, M::Either}) {
          Check({text, u.quantity, Ok, expected, mark});
          ++checked;
        }
      }
  // The prefix as the decimal point.
  for (const auto &p : prefixes)
    for (const char *digits : {"4", "47", "100"})
      for (const char *fraction : {"7", "68", "001"}) {
        if (*p.text == '\0')
          continue;
        const std::string exact =
            std::string(digits) + "." + fraction + "e" + std::to_string(p.exponent);
        Check({std::string(digits) + p.text + fraction, Q::Ratio, Ok, Nearest(exact)});
        ++checked;
      }
  EXPECT_GT(checked, 3000);
}

} // namespace
