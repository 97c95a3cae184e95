// The meter-pair conversion: calvora-cli convert, and the readings and
// accuracies that the batch converter's --pair shares with it.
#include "cli/CliCommands.h"

#include "core/CalcState.h"
#include "present/NumberText.h"
#include "present/ResultContent.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

// How a message names what a quantity's text should have been.
const char *QuantityDescription(Quantity quantity) {
  switch (quantity) {
  case Quantity::Frequency:
    return "a frequency";
  case Quantity::Capacitance:
    return "a capacitance";
  case Quantity::Inductance:
    return "an inductance";
  case Quantity::Resistance:
    return "a resistance";
  case Quantity::Conductance:
    return "a conductance";
  case Quantity::Ratio:
    return "a plain number";
  case Quantity::Degrees:
    return "an angle in degrees";
  case Quantity::Radians:
    return "an angle in radians";
  }
  return "a value";
}

// "A 'x' is not a capacitance: expected a decimal number ..."
std::string NotA(std::string_view what, std::string_view text, Quantity quantity) {
  std::string message = std::string(what) + " '" + std::string(text) + "' is not " +
                        QuantityDescription(quantity) +
                        ": expected a decimal number with an optional SI prefix "
                        "(a f p n u m k M G T)";
  const char *unit = QuantityUnit(quantity);
  if (*unit != '\0') {
    message += " and an optional unit ";
    message += unit;
  }
  message += ", such as 4.7n, 4n7 or 1e-9";
  return message;
}

// What the command-line and batch readers share: `what` names the text in
// the message ("A", "field 2").
bool ReadValue(std::string_view text, Quantity quantity, std::string_view what, double &value,
               std::string &problem) {
  switch (ParseMeterValue(text, quantity, value)) {
  case MeterValueStatus::Ok:
    return true;
  case MeterValueStatus::OutOfRange:
    problem = std::string(what) + " '" + std::string(text) + "' is beyond the range of a double";
    return false;
  case MeterValueStatus::WrongUnit:
  case MeterValueStatus::NotANumber:
    break;
  }
  problem = NotA(what, text, quantity);
  return false;
}

// A result's value (or an end of its range) as the panel writes it, but
// signed: the companion keeps the record's own signs. An infinite or
// undefined result is said to be so, with the sign's place kept as for
// numbers, never written as the panel's large number or zero.
std::string ResultText(const ResultField &field, double value) {
  if (value != value)
    return " undefined";
  if (value - value != 0)
    return value > 0 ? " inf" : "-inf";
  switch (field.style) {
  case ResultStyle::QualityFactor:
  case ResultStyle::DissipationFactor:
    return NumberText(RoundDecimals(value, field.places));
  case ResultStyle::Phase:
    return NumberText(RoundDecimals(value, field.places)) + " degrees";
  default:
    return EngineeringFormatter(value, field.places, field.unit);
  }
}

// The panel's field of each result column (places and unit).
const ResultField &ColumnField(double CalcState::*member) {
  for (const ResultField &f : ResultFields)
    if (f.member == member)
      return f;
  return ResultFields[0];
}

void PutNumber(CliOutput &out, double value, bool bound = false) {
  char number[NumberSpellingMax];
  char *end = bound ? SpellBound(number, value) : SpellDoubleShortest(number, value);
  // JSON has no literal for infinities and NaN: they travel as strings.
  const bool finite = std::isfinite(value);
  if (!finite)
    PutCliOutput(out, "\"");
  PutCliOutput(out, std::string_view(number, static_cast<std::size_t>(end - number)));
  if (!finite)
    PutCliOutput(out, "\"");
}

// {"Z": ..., ...} of the result columns: `put` writes each one's value.
template <class PutValue> void PutJsonObject(CliOutput &out, PutValue put) {
  PutCliOutput(out, "{");
  for (std::size_t i = 0; i < ResultColumns.size(); ++i) {
    PutCliOutput(out, i == 0 ? "\"" : ", \"");
    PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
    PutCliOutput(out, "\": ");
    put(ResultColumns[i]);
  }
  PutCliOutput(out, "}");
}

// "LOW … HIGH", each end written like the value (the high end without the
// sign's blank), or the value's word for an undefined range.
std::string RangeText(const ResultField &field, double low, double high) {
  if (low != low || high != high)
    return ResultText(field, low != low ? low : high);
  std::string text = ResultText(field, low);
  text += " \xE2\x80\xA6 "; // …
  const std::string highText = ResultText(field, high);
  text.append(highText, highText[0] == ' ' ? 1 : 0);
  return text;
}

} // namespace

const MeterReading FrequencyReading{"F", Quantity::Frequency, false, "frequency"};

bool ReadMeterReading(std::string_view text, const MeterReading &reading, std::string_view what,
                      double &value, std::string &problem) {
  if (!ReadValue(text, reading.quantity, what, value, problem))
    return false;
  const auto quoted = [&] { return std::string(what) + " '" + std::string(text) + "'"; };
  // No impedance has a frequency of zero or below.
  if (reading.quantity == Quantity::Frequency && !(value > 0)) {
    problem = quoted() + " is not a frequency above zero";
    return false;
  }
  // Past a right angle the reading would be a part that gives energy back
  // (a negative resistance), which no passive part is.
  if (reading.quantity == Quantity::Degrees && !(value >= -90 && value <= 90)) {
    problem = quoted() + " is beyond \xC2\xB1"
                         "90 degrees; a passive part's phase lies within "
                         "\xC2\xB1"
                         "90\xC2\xB0";
    return false;
  }
  if (reading.quantity == Quantity::Radians &&
      !(value >= -0x1.921fb54442d18p0 && value <= 0x1.921fb54442d18p0)) {
    problem = quoted() + " is beyond \xC2\xB1\xCF\x80/2; a passive part's phase lies within "
                         "\xC2\xB1"
                         "90\xC2\xB0 (\xC2\xB1"
                         "1.5707963267948966 rad)";
    return false;
  }
  if (!reading.isSigned && std::signbit(value) && value != 0) {
    problem = std::string(what) + " '" + std::string(text) + "' is negative; " + reading.name +
              " is entered as a magnitude";
    return false;
  }
  return true;
}

bool ReadMeterAccuracy(std::string_view text, const MeterReading &reading, std::string_view what,
                       MeterAccuracy &accuracy, std::string &problem) {
  accuracy = MeterAccuracy{};
  if (!text.empty() && text.back() == '%') {
    accuracy.relative = true;
    text.remove_suffix(1);
    if (!ReadValue(text, Quantity::Ratio, what, accuracy.amount, problem)) {
      problem += " (before the %)";
      return false;
    }
  } else if (!ReadValue(text, reading.quantity, what, accuracy.amount, problem)) {
    problem += ", or a percentage such as 0.05%";
    return false;
  }
  if (std::signbit(accuracy.amount) && accuracy.amount != 0) {
    problem = std::string(what) + " '" + std::string(text) + "' is negative; an accuracy is not";
    return false;
  }
  return true;
}

double AbsoluteBound(const MeterAccuracy &accuracy, double value) {
  if (!accuracy.relative)
    return accuracy.amount;
  // Rounded up past the two roundings of the product and the quotient, so
  // that the box holds every reading the percentage allows.
  const Extended magnitude = Ext(value) < 0 ? -Ext(value) : Ext(value);
  const Extended bound = magnitude * Ext(accuracy.amount) / 100 * (1 + Ext(0x1p-60));
  const double rounded = Store(bound);
  return Ext(rounded) < bound ? std::nextafter(rounded, HUGE_VAL) : rounded;
}

double RangeBound(double value, double low, double high) {
  const Extended below = Ext(value) - Ext(low), above = Ext(high) - Ext(value);
  const Extended bound = below > above ? below : above;
  if (bound != bound || low != low || high != high)
    return std::numeric_limits<double>::quiet_NaN();
  const double rounded = Store(bound);
  return Ext(rounded) < bound ? std::nextafter(rounded, HUGE_VAL) : rounded;
}

void PutPairHelp(CliOutput &out) {
  PutCliOutput(out, "\nPAIR is one of (case ignored), with what A and B are:\n");
  for (const MeterPair &p : MeterPairs) {
    std::string line = "  ";
    line += p.name;
    line.append(8 - std::string_view(p.name).size(), ' ');
    line += "A = ";
    line += p.a.meaning;
    line += ", B = ";
    line += p.b.meaning;
    line += '\n';
    PutCliOutput(out, line);
  }
}

int RunConvertCommand(int argc, const char *const *argv, const CliStreams &streams,
                      CliOutput &out) {
  // Step 1: the options, then PAIR F A B.
  bool json = false;
  const char *accuracyText[2] = {nullptr, nullptr};
  int next = 2;
  for (; next < argc; ++next) {
    const std::string_view arg = argv[next];
    if (arg == "--") {
      ++next;
      break;
    }
    if (arg == "--json") {
      json = true;
    } else if (arg == "--accuracy") {
      if (next + 2 >= argc)
        return ReportUsageError(streams, "--accuracy takes ACC_A and ACC_B");
      accuracyText[0] = argv[next + 1];
      accuracyText[1] = argv[next + 2];
      next += 2;
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9') &&
               arg[1] != '.') {
      return ReportUsageError(streams,
                              std::string("unknown option '") + argv[next] + "' for convert");
    } else {
      break;
    }
  }
  if (argc - next != 4)
    return ReportUsageError(streams, "convert takes PAIR F A B");
  const MeterPair *pair = FindMeterPair(argv[next]);
  if (pair == nullptr)
    return ReportUsageError(streams, std::string("unknown pair '") + argv[next] +
                                         "'; see calvora-cli --help for the pairs");

  // Step 2: the readings and the accuracies, every one validated.
  double f = 0, a = 0, b = 0;
  std::string problem;
  if (!ReadMeterReading(argv[next + 1], FrequencyReading, "F", f, problem) ||
      !ReadMeterReading(argv[next + 2], pair->a, "A", a, problem) ||
      !ReadMeterReading(argv[next + 3], pair->b, "B", b, problem))
    return ReportUsageError(streams, problem);
  const bool withBounds = accuracyText[0] != nullptr;
  MeterAccuracy accuracyA, accuracyB;
  if (withBounds && (!ReadMeterAccuracy(accuracyText[0], pair->a, "ACC_A", accuracyA, problem) ||
                     !ReadMeterAccuracy(accuracyText[1], pair->b, "ACC_B", accuracyB, problem)))
    return ReportUsageError(streams, problem);

  // Step 3: the record and, with accuracy, the ranges.
  CalcState s{};
  ConvertMeterPair(s, *pair, f, a, b);
  CalcState low{}, high{};
  if (withBounds)
    MeterPairRanges(*pair, f, a, b, AbsoluteBound(accuracyA, a), AbsoluteBound(accuracyB, b), s,
                    low, high);

  // Step 4: one row per result, or one JSON object.
  if (json) {
    PutCliOutput(out, "{\"pair\": \"");
    PutCliOutput(out, pair->name);
    PutCliOutput(out, "\", \"F\": ");
    PutNumber(out, f);
    PutCliOutput(out, ", \"values\": ");
    PutJsonObject(out, [&](double CalcState::*column) { PutNumber(out, s.*column); });
    if (withBounds) {
      PutCliOutput(out, ", \"ranges\": ");
      PutJsonObject(out, [&](double CalcState::*column) {
        PutCliOutput(out, "[");
        PutNumber(out, low.*column);
        PutCliOutput(out, ", ");
        PutNumber(out, high.*column);
        PutCliOutput(out, "]");
      });
      PutCliOutput(out, ", \"bounds\": ");
      PutJsonObject(out, [&](double CalcState::*column) {
        PutNumber(out, RangeBound(s.*column, low.*column, high.*column), true);
      });
      PutCliOutput(out, ", \"unreliable\": [");
      bool first = true;
      for (double CalcState::*column : ResultColumns) {
        if (!IsUnreliable(low.*column, high.*column))
          continue;
        PutCliOutput(out, first ? "\"" : ", \"");
        first = false;
        PutCliOutput(out, CalcStateFieldName(column));
        PutCliOutput(out, "\"");
      }
      PutCliOutput(out, "]");
    }
    PutCliOutput(out, "}\n");
    return CliOk;
  }
  for (double CalcState::*column : ResultColumns) {
    const ResultField &field = ColumnField(column);
    std::string line = CalcStateFieldName(column);
    line += '\t';
    line += ResultText(field, s.*column);
    if (withBounds) {
      line += '\t';
      line += RangeText(field, low.*column, high.*column);
      if (IsUnreliable(low.*column, high.*column))
        line += "\tunreliable";
    }
    line += '\n';
    PutCliOutput(out, line);
  }
  return CliOk;
}
