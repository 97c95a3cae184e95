#include "cli/Cli.h"

#include "CalvoraVersion.h"
#include "cli/CliCommands.h"
#include "core/AsciiCase.h"
#include "core/CalcState.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"
#include "present/NumberText.h"
#include "present/ResultContent.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view VersionText = "calvora-cli " CALVORA_VERSION "\n";

// A whole argument read as a C-locale double; false when any of it is left.
bool ReadValueArgument(const char *text, double &value) {
  if (*text == '\0')
    return false;
  char *end = nullptr;
  value = std::strtod(text, &end);
  // Out-of-range texts still give the correctly rounded infinity or tiny
  // value, so the range flag strtod may raise is not an error here.
  return *end == '\0';
}

// A whole argument read as a number of places: an optional minus sign and
// decimal digits, within the range of int.
bool ReadPlacesArgument(std::string_view text, int &places) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative)
    text.remove_prefix(1);
  if (text.empty())
    return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + (negative ? 1 : 0))
      return false;
  }
  places = static_cast<int>(negative ? -value : value);
  return true;
}

void PutLine(CliOutput &out, std::string_view text) {
  PutCliOutput(out, text);
  PutCliOutput(out, "\n");
}

int RunParse(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  constexpr std::string_view Usage = "parse takes exactly one TEXT";
  if (const std::string problem = OperandCountProblem(call, Usage, 1, 1); !problem.empty())
    return ReportOperandError(streams, call, "parse", problem);
  const std::string_view text = call.operands[0];
  char number[NumberSpellingMax + 1];
  char *end = SpellDouble17(number, ParseNumber(text));
  *end++ = '\n';
  PutCliOutput(out, std::string_view(number, static_cast<std::size_t>(end - number)));
  return CliOk;
}

int RunFormat(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  constexpr std::string_view Usage = "format takes VALUE PLACES UNIT";
  if (const std::string problem = OperandCountProblem(call, Usage, 3, 3); !problem.empty())
    return ReportOperandError(streams, call, "format", problem);
  double value = 0;
  int places = 0;
  if (!ReadValueArgument(call.operands[0], value))
    return ReportOperandError(streams, call, "format",
                              "VALUE " + Quoted(call.operands[0]) + " is not a number");
  if (!ReadPlacesArgument(call.operands[1], places))
    return ReportUsageError(
        streams, "PLACES " + Quoted(call.operands[1]) + " is not a whole number", "format");
  PutLine(out, EngineeringFormatter(value, places, call.operands[2]));
  return CliOk;
}

int RunNumberText(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  constexpr std::string_view Usage = "numbertext takes VALUE and optionally PLACES";
  if (const std::string problem = OperandCountProblem(call, Usage, 1, 2); !problem.empty())
    return ReportOperandError(streams, call, "numbertext", problem);
  const std::size_t count = call.operands.size();
  double value = 0;
  if (!ReadValueArgument(call.operands[0], value))
    return ReportOperandError(streams, call, "numbertext",
                              "VALUE " + Quoted(call.operands[0]) + " is not a number");
  if (count == 1) {
    PutLine(out, NumberText(Ext(value)));
    return CliOk;
  }
  int places = 0;
  if (!ReadPlacesArgument(call.operands[1], places))
    return ReportUsageError(
        streams, "PLACES " + Quoted(call.operands[1]) + " is not a whole number", "numbertext");
  PutLine(out, NumberText(RoundDecimals(value, places)));
  return CliOk;
}

void PutPanel(CliOutput &out, const CalcState &state) {
  for (const ResultRow &row : ResultPanelRows(state)) {
    PutCliOutput(out, row.name);
    if (row.valueId != 0) {
      PutCliOutput(out, "\t");
      PutCliOutput(out, row.value);
    }
    PutCliOutput(out, "\n");
  }
}

void PutJson(CliOutput &out, const CalcState &state) {
  PutCliOutput(out, "{");
  bool first = true;
  for (const CalcStateField &field : CalcStateFields) {
    PutCliOutput(out, first ? "\"" : ",\"");
    first = false;
    PutCliOutput(out, field.name);
    PutCliOutput(out, "\":");
    PutJsonNumber(out, state.*field.member);
  }
  PutCliOutput(out, "}\n");
}

int RunCalcCommand(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  // Step 1: the output form; two different ones exclude each other.
  const CliCall::Given *form = nullptr;
  for (const CliCall::Given &given : call.options) {
    if (form != nullptr && form->option != given.option)
      return ReportUsageError(streams,
                              "options '" + std::string(form->option->name) + "' and '" +
                                  std::string(given.option->name) + "' exclude each other",
                              "calc");
    form = &given;
  }
  const std::string_view formName = form != nullptr ? form->option->name : "--panel";

  // Step 2: the mode and its rows' texts.
  if (call.operands.empty())
    return ReportUsageError(streams, "calc needs a MODE", "calc");
  const ModeRows *mode = FindModeArgument(call.operands[0]);
  if (mode == nullptr)
    return ReportOperandError(streams, call, "calc", "unknown mode " + Quoted(call.operands[0]));
  const std::size_t given = call.operands.size() - 1;
  if (given > static_cast<std::size_t>(mode->rowCount))
    return ReportOperandError(
        streams, call, "calc",
        std::string("mode ") + mode->caption + " has " + std::to_string(mode->rowCount) +
            " entry rows, " + std::to_string(given) + " TEXTs given (" +
            Quoted(call.operands[static_cast<std::size_t>(mode->rowCount) + 1]) +
            " is one too many)");
  std::string_view rows[5];
  for (int row = 0; row < mode->rowCount; ++row) {
    const std::size_t index = static_cast<std::size_t>(row) + 1;
    rows[row] = index < call.operands.size() ? std::string_view(call.operands[index])
                                             : std::string_view(mode->rows[row].defaultText);
  }
  CalcState state{};
  RunCalc(state, mode->ModeId,
          std::span<const std::string_view>(rows, static_cast<std::size_t>(mode->rowCount)));

  // Step 3: the chosen form.
  if (formName == "--panel")
    PutPanel(out, state);
  else if (formName == "--report")
    for (const std::string &line : ReportLines(state))
      PutLine(out, line);
  else
    PutJson(out, state);
  return CliOk;
}

// The field separator named by --delimiter: the character itself, or "tab".
bool ReadDelimiter(std::string_view text, char &delimiter) {
  if (text == "," || text == ";" || text == "|" || text == "\t") {
    delimiter = text[0];
    return true;
  }
  if (EqualIgnoringAsciiCase(text, "tab") || text == "\\t") {
    delimiter = '\t';
    return true;
  }
  return false;
}

int RunBatchCommand(const CliCall &call, const CliStreams &streams, CliOutput &out) {
  // Step 1: how the records are split and read.
  BatchReading reading;
  reading.lenient = FindOption(call, "--lenient") != nullptr;
  reading.decimalComma = FindOption(call, "--decimal-comma") != nullptr;
  if (const CliCall::Given *delimiter = FindOption(call, "--delimiter");
      delimiter != nullptr && !ReadDelimiter(delimiter->values[0], reading.delimiter))
    return ReportUsageError(
        streams, "--delimiter takes , ; | or tab, not " + Quoted(delimiter->values[0]), "batch");
  if (reading.decimalComma && reading.delimiter == ',')
    return ReportUsageError(streams, "--decimal-comma needs a delimiter other than the comma",
                            "batch");
  const bool header = FindOption(call, "--header") != nullptr;
  const CliCall::Given *pair = FindOption(call, "--pair");
  const CliCall::Given *accuracy = FindOption(call, "--accuracy");

  // Step 2: a meter pair's log, with or without accuracy.
  BatchSource source;
  if (pair != nullptr) {
    source.pair = FindMeterPair(pair->values[0]);
    if (source.pair == nullptr)
      return ReportUsageError(streams,
                              "unknown pair " + Quoted(pair->values[0]) +
                                  "; see calvora-cli --help for the pairs",
                              "batch");
    if (!call.operands.empty())
      return ReportOperandError(streams, call, "batch",
                                TooMany("batch --pair takes no MODE", call.operands[0]));
    if (reading.lenient)
      return ReportUsageError(
          streams, "--lenient reads MODE fields; batch --pair reads its values as convert does",
          "batch");
    if (accuracy != nullptr) {
      std::string problem;
      source.withBounds = true;
      if (!ReadMeterAccuracy(accuracy->values[0], source.pair->a, "ACC_A", source.accuracyA,
                             problem) ||
          !ReadMeterAccuracy(accuracy->values[1], source.pair->b, "ACC_B", source.accuracyB,
                             problem))
        return ReportUsageError(streams, problem, "batch");
    }
    return RunBatch(source, reading, header, streams, out);
  }

  // Step 3: a mode's log.
  if (accuracy != nullptr)
    return ReportUsageError(streams, "--accuracy needs --pair", "batch");
  if (call.operands.empty())
    return ReportUsageError(streams, "batch needs a MODE", "batch");
  if (call.operands.size() > 1)
    return ReportOperandError(streams, call, "batch",
                              TooMany("batch takes only a MODE", call.operands[1]));
  source.mode = FindModeArgument(call.operands[0]);
  if (source.mode == nullptr)
    return ReportOperandError(streams, call, "batch", "unknown mode " + Quoted(call.operands[0]));
  return RunBatch(source, reading, header, streams, out);
}

// ---- The command table -------------------------------------------------------

constexpr CliOption CalcOptions[] = {{"--panel", "", "the result panel (the default)"},
                                     {"--report", "", "the printed report's lines"},
                                     {"--json", "", "the calculation record as one JSON object"}};

constexpr CliOption BatchOptions[] = {
    {"--header", "", "the first record names the columns"},
    {"--lenient", "", "MODE fields read exactly as the window reads them"},
    {"--delimiter", "CHAR", "fields separated by CHAR: , ; | or tab"},
    {"--decimal-comma", "", "a comma in a number is its decimal mark"},
    {"--pair", "PAIR", "a meter's log of F, A and B records"},
    {"--accuracy", "ACC_A ACC_B", "the meter's accuracy of A and of B: range columns"}};

constexpr CliOption ConvertOptions[] = {
    {"--json", "", "one JSON object instead of NAME<tab>VALUE lines"},
    {"--accuracy", "ACC_A ACC_B", "the meter's accuracy of A and of B: ranges"}};

constexpr CliCommand Commands[] = {
    {"parse",
     "parse TEXT",
     "The number an entry row reads from TEXT, with 17 significant digits.",
     {},
     0,
     RunParse},
    {"format",
     "format VALUE PLACES UNIT",
     "VALUE with an SI prefix and UNIT, rounded to PLACES decimals.",
     {},
     ValueTopic,
     RunFormat},
    {"numbertext",
     "numbertext VALUE [PLACES]",
     "VALUE as plain decimal text, rounded to PLACES decimals if given.",
     {},
     ValueTopic,
     RunNumberText},
    {"calc", "calc [--panel|--report|--json] MODE [TEXT...]",
     "Calculates one mode from its entry-row texts, in row order; rows\n"
     "left out take their default texts. Prints the result panel (the\n"
     "default, NAME<tab>VALUE per line), the printed report, or the\n"
     "whole calculation record as one JSON object (numbers in their\n"
     "shortest round-trip form; inf, -inf and nan as strings).",
     CalcOptions, ModeTopic, RunCalcCommand},
    {"batch",
     "batch [--header] [--lenient] [--delimiter CHAR] [--decimal-comma]\n"
     " MODE\n"
     "batch --pair PAIR [--accuracy ACC_A ACC_B] [--header]\n"
     " [--delimiter CHAR] [--decimal-comma]",
     "Converts a log with one record per line into CSV: one field per\n"
     "entry row of MODE, or F, A and B of a meter's PAIR. Fields are\n"
     "separated by commas, or as the first record shows: by tabs when it\n"
     "holds a tab, else by semicolons, with decimal commas (4,7), when it\n"
     "holds a semicolon. Fields may be double-quoted; spaces and tabs\n"
     "around them are dropped. A UTF-8 byte order mark at the start is\n"
     "skipped, and so are blank lines and lines starting with '#'. Lines\n"
     "may end in LF, CR LF or CR alone. With --header the first record\n"
     "names the columns (bytes that are not printable UTF-8 written \\xB5).\n"
     "A MODE field is read as the window's entry row reads it (a decimal\n"
     "with optional sign, point and E or D exponent, or &H, &O or &B\n"
     "digits with their type suffix), and must be that number alone: text\n"
     "after it (4n7, 1kHz, 2E), no number (an empty field, -, ., &H,\n"
     "junk) or one the window only stands in for (radix digits beyond 64\n"
     "bits, 1E4932 and above) makes a bad line. --lenient reads every\n"
     "field exactly as the window does instead: text after the number is\n"
     "ignored, and a field without one reads as 0. A PAIR field is read\n"
     "as convert reads a value, with the log's decimal mark.\n"
     "Writes the input columns under their own names, then the results\n"
     "calc_Z, calc_Rs, calc_Xs, calc_Y, calc_Gp, calc_Bp, calc_Cs, calc_Cp,\n"
     "calc_Ls, calc_Lp, calc_Rp, calc_Q, calc_D, calc_Phase (one more calc_\n"
     "in front should an input column already be named so), in SI units\n"
     "(mhos, degrees) and signed as the calculation carries them: Xs\n"
     "positive inductive; Bp positive capacitive; Cs and Cp negative and\n"
     "Ls and Lp positive for a capacitive part, the other way round for\n"
     "an inductive one; Q = -Bp/Gp and D = Gp/Bp keep their signs (a\n"
     "capacitor has a negative Q). With --accuracy the ends of each\n"
     "result's range follow its column (calc_Z_low, calc_Z_high, ...).\n"
     "Lines longer than 65536 bytes, lines with the wrong number of\n"
     "fields and lines with a field that cannot be read are reported with\n"
     "their line number and skipped.",
     BatchOptions, ModeTopic | PairTopic, RunBatchCommand},
    {"convert", "convert [--json] [--accuracy ACC_A ACC_B] PAIR F A B",
     "Converts what a meter shows as PAIR (readings A and B at the\n"
     "frequency F) into Z, Rs, Xs, Y, Gp, Bp, Cs, Cp, Ls, Lp, Rp, Q, D and\n"
     "Phase, NAME<tab>VALUE per line or one JSON object. Values are\n"
     "written as on the bench: 4.7n, 4.7nF, 4.7 nF, 4,7n, 4n7, 4K7, 1R5,\n"
     "R47, 100R, 10k, 4.7meg, 1.5uH, 4.7uf, 100mOhm, 1e-9, -12.5deg: a\n"
     "number (decimal point or comma), at most one space, an SI prefix\n"
     "(a f p n u m k K M G T, micro also as the micro sign, meg for mega)\n"
     "and a unit that fits the reading (F H Ohm S mho Hz deg rad, in any\n"
     "letter case). As on resistor and capacitor markings, a one-letter\n"
     "prefix, or R for ohms, may stand for the decimal mark. Refused as\n"
     "ambiguous: m or M before a unit not written in its own case (1mhz:\n"
     "milli or mega?) and a comma before exactly three digits (1,000).\n"
     "Capacitance, inductance, D, Q, Rs, Rp, G, |Z| and |Y|\n"
     "are magnitudes; X (+ inductive), B (+ capacitive) and the phase\n"
     "are signed; F is above zero and a phase lies within +-90 degrees\n"
     "(+-pi/2 rad). The results keep the calculation's signs: Xs, Cs and\n"
     "Cp are negative for a capacitive part, Q = -Bp/Gp and D = Gp/Bp. A\n"
     "result the calculation leaves undefined is written \"undefined\"\n"
     "(nan in JSON and CSV), an infinite one inf or -inf.\n"
     "--accuracy gives the meter's accuracy of A and of B, as a\n"
     "percentage (0.05%) or an amount in the reading's units (0.0005,\n"
     "2nF, 0.02deg): each result gets the range it takes over every\n"
     "reading the accuracies allow (LOW ... HIGH; \"ranges\" in JSON, with\n"
     "\"bounds\", the larger distance from the value to an end, rounded\n"
     "up to three significant digits), a magnitude taken down to 0 at\n"
     "most and a phase to +-90 degrees. A result is flagged\n"
     "\"unreliable\" when its range is undefined or unbounded, contains\n"
     "zero (so its sign is not known), or spans more than a factor of two\n"
     "(HIGH/LOW > 2).",
     ConvertOptions, PairTopic, RunConvertCommand},
};

const CliCommand *FindCommand(std::string_view name) {
  for (const CliCommand &command : Commands)
    if (command.name == name)
      return &command;
  return nullptr;
}

bool IsHelpWord(std::string_view arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

int RunCommand(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  if (argc < 2)
    return ReportUsageError(streams, "no command given");
  const std::string_view first = argv[1];
  if (IsHelpWord(first)) {
    if (argc == 2) {
      PutHelp(out);
      return CliOk;
    }
    if (argc > 3)
      return ReportUsageError(streams, TooMany("--help takes at most a COMMAND", argv[3]));
    const CliCommand *command = FindCommand(argv[2]);
    if (command == nullptr)
      return ReportUsageError(streams, "unknown command " + Quoted(argv[2]));
    PutCommandHelp(out, *command);
    return CliOk;
  }
  if (first == "--version") {
    if (argc > 2)
      return ReportUsageError(streams, TooMany("--version takes no arguments", argv[2]));
    PutCliOutput(out, VersionText);
    return CliOk;
  }
  const CliCommand *command = FindCommand(first);
  if (command == nullptr)
    return ReportUsageError(
        streams, (first.size() > 1 && first[0] == '-' ? "unknown option " : "unknown command ") +
                     Quoted(first));
  CliCall call;
  const int code = SplitArguments(*command, 2, argc, argv, call, streams, out);
  return code >= 0 ? code : command->run(call, streams, out);
}

} // namespace

std::span<const CliCommand> CliCommandTable() { return Commands; }

const ModeRows *FindModeArgument(std::string_view text) {
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos) {
    // Only the digit count matters for the range check: a long run of
    // digits names no mode, whatever its value.
    std::size_t first = text.find_first_not_of('0');
    std::string_view digits = first == std::string_view::npos ? "0" : text.substr(first);
    if (digits.size() > 2)
      return nullptr;
    int id = 0;
    for (char c : digits)
      id = id * 10 + (c - '0');
    return FindModeRows(id);
  }
  return FindModeRowsByCaption(text);
}

int RunCli(int argc, const char *const *argv, const CliStreams &streams) {
  CliOutput out;
  OpenCliOutput(out, streams, CliOutputCapacity);
  int code = RunCommand(argc, argv, streams, out);
  if (!FlushCliOutput(out)) {
    PutCliError(streams, "calvora-cli: cannot write standard output\n");
    return CliFailed;
  }
  return code;
}
