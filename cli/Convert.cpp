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

// {"Z": ..., ...} of the result columns from `s`: shortest round-trip
// numbers, or bounds rounded up to three significant digits.
void PutJsonObject(CliOutput &out, const CalcState &s, bool bounds = false) {
  PutCliOutput(out, "{");
  for (std::size_t i = 0; i < ResultColumns.size(); ++i) {
    PutCliOutput(out, i == 0 ? "\"" : ", \"");
    PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
    PutCliOutput(out, "\": ");
    PutNumber(out, s.*ResultColumns[i], bounds);
  }
  PutCliOutput(out, "}");
}

} // namespace

bool ReadMeterReading(std::string_view text, const MeterReading &reading, std::string_view what,
                      double &value, std::string &problem) {
  if (!ReadValue(text, reading.quantity, what, value, problem))
    return false;
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
  return Store(Abs(Ext(value)) * Ext(accuracy.amount) / 100);
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
  static constexpr MeterReading Frequency{"F", Quantity::Frequency, false, "frequency"};
  double f = 0, a = 0, b = 0;
  std::string problem;
  if (!ReadMeterReading(argv[next + 1], Frequency, "F", f, problem) ||
      !ReadMeterReading(argv[next + 2], pair->a, "A", a, problem) ||
      !ReadMeterReading(argv[next + 3], pair->b, "B", b, problem))
    return ReportUsageError(streams, problem);
  const bool withBounds = accuracyText[0] != nullptr;
  MeterAccuracy accuracyA, accuracyB;
  if (withBounds && (!ReadMeterAccuracy(accuracyText[0], pair->a, "ACC_A", accuracyA, problem) ||
                     !ReadMeterAccuracy(accuracyText[1], pair->b, "ACC_B", accuracyB, problem)))
    return ReportUsageError(streams, problem);

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
    PutNumber(out, f);
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
