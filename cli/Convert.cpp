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
  std::string message = std::string(what) + " " + Quoted(text) + " is not " +
                        QuantityDescription(quantity) +
                        ": expected a decimal number with an optional SI prefix "
                        "(a f p n u m k K meg M G T)";
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
bool ReadValue(std::string_view text, Quantity quantity, std::string_view what, DecimalMark mark,
               double &value, std::string &problem) {
  const MeterValueStatus status = ParseMeterValue(text, quantity, value, mark);
  if (status == MeterValueStatus::Ok)
    return true;
  const std::string named = std::string(what) + " " + Quoted(text);
  const std::string unit = QuantityUnit(quantity);
  switch (status) {
  case MeterValueStatus::Ok:
    return true;
  case MeterValueStatus::OutOfRange:
    problem = named + " is beyond the range of a double";
    return false;
  case MeterValueStatus::AmbiguousPrefix:
    problem = named + " is ambiguous: milli or mega? Write m" + unit + " or M" + unit +
              " (the prefix's case counts when the unit's is kept)";
    return false;
  case MeterValueStatus::AmbiguousComma:
    problem = named + " is ambiguous: a decimal comma or a thousands separator? Write the "
                      "decimal mark as a point, and no thousands separator";
    return false;
  case MeterValueStatus::WrongMark:
    problem = named + (mark == DecimalMark::Comma
                           ? " has a decimal point, but this input's decimal mark is the comma"
                           : " has a decimal comma, but this input's decimal mark is the point "
                             "(--decimal-comma reads commas)");
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
                      double &value, std::string &problem, DecimalMark mark) {
  if (!ReadValue(text, reading.quantity, what, mark, value, problem))
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
    problem = std::string(what) + " " + Quoted(text) + " is negative; " + reading.name +
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
    text.remove_suffix(text.size() > 2 && text[text.size() - 2] == ' ' ? 2 : 1);
    if (!ReadValue(text, Quantity::Ratio, what, DecimalMark::Either, accuracy.amount, problem)) {
      problem += " (before the %)";
      return false;
    }
  } else if (!ReadValue(text, reading.quantity, what, DecimalMark::Either, accuracy.amount,
                        problem)) {
    problem += ", or a percentage such as 0.05%";
    return false;
  }
  if (std::signbit(accuracy.amount) && accuracy.amount != 0) {
    problem = std::string(what) + " " + Quoted(text) + " is negative; an accuracy is not";
    return false;
  }
  return true;
}

double AbsoluteBound(const MeterAccuracy &accuracy, double value) {
  if (!accuracy.relative)
    return accuracy.amount;
  // Rounded up past the two roundings of the product and the quotient, so
  // that the box holds every reading the percentage allows.
  const Extended bound = Abs(Ext(value)) * Ext(accuracy.amount) / 100 * (1 + Ext(0x1p-60));
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

int RunConvertCommand(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  // Step 1: PAIR F A B, and the options.
  constexpr std::string_view Usage = "convert takes PAIR F A B";
  if (const std::string problem = OperandCountProblem(call, Usage, 4, 4); !problem.empty())
    return ReportOperandError(streams, call, "convert", problem);
  const bool json = FindOption(call, "--json") != nullptr;
  const CliCall::Given *accuracyOption = FindOption(call, "--accuracy");
  const char *const accuracyText[2] = {
      accuracyOption != nullptr ? accuracyOption->values[0] : nullptr,
      accuracyOption != nullptr ? accuracyOption->values[1] : nullptr};
  const char *const *operand = call.operands.data();
  const MeterPair *pair = FindMeterPair(operand[0]);
  if (pair == nullptr)
    return ReportOperandError(streams, call, "convert",
                              "unknown pair " + Quoted(operand[0]) +
                                  "; see calvora-cli --help for the pairs");

  // Step 2: the readings and the accuracies, every one validated.
  double f = 0, a = 0, b = 0;
  std::string problem;
  if (!ReadMeterReading(operand[1], FrequencyReading, "F", f, problem) ||
      !ReadMeterReading(operand[2], pair->a, "A", a, problem) ||
      !ReadMeterReading(operand[3], pair->b, "B", b, problem))
    return ReportOperandError(streams, call, "convert", problem);
  const bool withBounds = accuracyText[0] != nullptr;
  MeterAccuracy accuracyA, accuracyB;
  if (withBounds && (!ReadMeterAccuracy(accuracyText[0], pair->a, "ACC_A", accuracyA, problem) ||
                     !ReadMeterAccuracy(accuracyText[1], pair->b, "ACC_B", accuracyB, problem)))
    return ReportUsageError(streams, problem, "convert");

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
    PutJsonNumber(out, f);
    PutCliOutput(out, ", \"values\": ");
    PutJsonObject(out, [&](double CalcState::*column) { PutJsonNumber(out, s.*column); });
    if (withBounds) {
      PutCliOutput(out, ", \"ranges\": ");
      PutJsonObject(out, [&](double CalcState::*column) {
        PutCliOutput(out, "[");
        PutJsonNumber(out, low.*column);
        PutCliOutput(out, ", ");
        PutJsonNumber(out, high.*column);
        PutCliOutput(out, "]");
      });
      PutCliOutput(out, ", \"bounds\": ");
      PutJsonObject(out, [&](double CalcState::*column) {
        PutJsonNumber(out, RangeBound(s.*column, low.*column, high.*column), SpellBound);
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
