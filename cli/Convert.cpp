// The meter-pair conversion: calvora-cli convert, and the readings and
// accuracies that the batch converter's --pair shares with it.
#include "cli/CliCommands.h"

#include "core/CalcState.h"
#include "present/NumberText.h"
#include "present/ResultContent.h"

#include <cmath>
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

// A result's value (or bound) as the panel writes it, but signed: the
// companion keeps the record's own signs.
std::string ResultText(const ResultField &field, double value) {
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

// {"Z": ..., ...} of the result columns from `s`: shortest round-trip
// numbers, or bounds rounded up to three significant digits.
void PutJsonObject(CliOutput &out, const CalcState &s, bool bounds = false) {
  PutCliOutput(out, "{");
  for (std::size_t i = 0; i < ResultColumns.size(); ++i) {
    PutCliOutput(out, i == 0 ? "\"" : ", \"");
    PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
    PutCliOutput(out, "\": ");
    PutJsonNumber(out, s.*ResultColumns[i], bounds ? SpellBound : SpellDoubleShortest);
  }
  PutCliOutput(out, "}");
}

} // namespace

bool ReadMeterReading(std::string_view text, const MeterReading &reading, std::string_view what,
                      double &value, std::string &problem, DecimalMark mark) {
  if (!ReadValue(text, reading.quantity, what, mark, value, problem))
    return false;
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
  return Store(std::fabs(Ext(value)) * Ext(accuracy.amount) / 100.0L);
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
  if (call.operands.size() != 4)
    return ReportOperandError(streams, call, "convert",
                              call.operands.size() < 4 ? std::string(Usage)
                                                       : TooMany(Usage, call.operands[4]));
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
  static constexpr MeterReading Frequency{"F", Quantity::Frequency, false, "frequency"};
  double f = 0, a = 0, b = 0;
  std::string problem;
  if (!ReadMeterReading(operand[1], Frequency, "F", f, problem) ||
      !ReadMeterReading(operand[2], pair->a, "A", a, problem) ||
      !ReadMeterReading(operand[3], pair->b, "B", b, problem))
    return ReportOperandError(streams, call, "convert", problem);
  const bool withBounds = accuracyText[0] != nullptr;
  MeterAccuracy accuracyA, accuracyB;
  if (withBounds && (!ReadMeterAccuracy(accuracyText[0], pair->a, "ACC_A", accuracyA, problem) ||
                     !ReadMeterAccuracy(accuracyText[1], pair->b, "ACC_B", accuracyB, problem)))
    return ReportUsageError(streams, problem, "convert");

  // Step 3: the record and, with accuracy, the bounds.
  CalcState s{};
  ConvertMeterPair(s, *pair, f, a, b);
  CalcState bounds{};
  if (withBounds)
    MeterPairBounds(*pair, f, a, b, AbsoluteBound(accuracyA, a), AbsoluteBound(accuracyB, b),
                    bounds);

  // Step 4: one row per result, or one JSON object.
  if (json) {
    PutCliOutput(out, "{\"pair\": \"");
    PutCliOutput(out, pair->name);
    PutCliOutput(out, "\", \"F\": ");
    PutJsonNumber(out, f);
    PutCliOutput(out, ", \"values\": ");
    PutJsonObject(out, s);
    if (withBounds) {
      PutCliOutput(out, ", \"bounds\": ");
      PutJsonObject(out, bounds, true);
      PutCliOutput(out, ", \"unreliable\": [");
      bool first = true;
      for (double CalcState::*column : ResultColumns) {
        if (!IsUnreliable(s.*column, bounds.*column))
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
      line += "\t\xC2\xB1"; // ±
      line += ResultText(field, bounds.*column);
      if (IsUnreliable(s.*column, bounds.*column))
        line += "\tunreliable";
    }
    line += '\n';
    PutCliOutput(out, line);
  }
  return CliOk;
}
