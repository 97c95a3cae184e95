#include "cli/Cli.h"

#include "CalvoraVersion.h"
#include "cli/CliCommands.h"
#include "core/CalcState.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"
#include "present/NumberText.h"
#include "present/ResultContent.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view VersionText = "calvora-cli " CALVORA_VERSION "\n";

constexpr std::string_view HelpText =
    "Usage:\n"
    "  calvora-cli parse TEXT\n"
    "      The number an entry row reads from TEXT, with 17 significant digits.\n"
    "  calvora-cli format VALUE PLACES UNIT\n"
    "      VALUE with an SI prefix and UNIT, rounded to PLACES decimals.\n"
    "  calvora-cli numbertext VALUE [PLACES]\n"
    "      VALUE as plain decimal text, rounded to PLACES decimals if given.\n"
    "  calvora-cli calc [--panel|--report|--json] MODE [TEXT...]\n"
    "      Calculates one mode from its entry-row texts, in row order; rows\n"
    "      left out take their default texts. Prints the result panel (the\n"
    "      default, NAME<tab>VALUE per line), the printed report, or the\n"
    "      whole calculation record as one JSON object.\n"
    "  calvora-cli batch [--header] MODE < log > results.csv\n"
    "      Converts a log with one record per line, one field per entry row,\n"
    "      separated by tabs (when the line holds a tab) or commas; fields\n"
    "      may be double-quoted. Blank lines and lines starting with '#' are\n"
    "      skipped. With --header the first record names the columns.\n"
    "      Lines may end in LF, CR LF or CR alone. Writes CSV: the input\n"
    "      columns under their own names, then the results calc_Z, calc_Rs,\n"
    "      calc_Xs, calc_Y, calc_Gp, calc_Bp, calc_Cs, calc_Cp, calc_Ls,\n"
    "      calc_Lp, calc_Rp, calc_Q, calc_D, calc_Phase (one more calc_ in\n"
    "      front should an input column already be named so), in SI units\n"
    "      (mhos, degrees) and signed as the calculation carries them: Xs\n"
    "      positive inductive; Bp positive capacitive; Cs and Cp negative and\n"
    "      Ls and Lp positive for a capacitive part, the other way round for\n"
    "      an inductive one; Q = -Bp/Gp and D = Gp/Bp keep their signs (a\n"
    "      capacitor has a negative Q). Lines longer than 65536 bytes and\n"
    "      lines with the wrong number of fields are reported and skipped.\n"
    "  calvora-cli convert [--json] [--accuracy ACC_A ACC_B] PAIR F A B\n"
    "      Converts what a meter shows as PAIR (readings A and B at the\n"
    "      frequency F) into Z, Rs, Xs, Y, Gp, Bp, Cs, Cp, Ls, Lp, Rp, Q, D and\n"
    "      Phase, NAME<tab>VALUE per line or one JSON object. Values are\n"
    "      written as on the bench: 4.7n, 4.7nF, 4n7, 10k, 1.5uH, 100mOhm,\n"
    "      1e-9, -12.5deg (SI prefixes a f p n u m k M G T, micro also as\n"
    "      the micro sign; units F H Ohm S mho Hz deg rad, which must fit the\n"
    "      reading). Capacitance, inductance, D, Q, Rs, Rp, G, |Z| and |Y|\n"
    "      are magnitudes; X (+ inductive), B (+ capacitive) and the phase\n"
    "      are signed. The results keep the calculation's signs: Xs, Cs and\n"
    "      Cp are negative for a capacitive part, Q = -Bp/Gp and D = Gp/Bp.\n"
    "      --accuracy gives the meter's accuracy of A and of B, as a\n"
    "      percentage (0.05%) or an amount in the reading's units (0.0005,\n"
    "      2nF, 0.02deg): each result gets a worst-case first-order bound\n"
    "      (\"+- BOUND\", \"bounds\"), and one whose bound exceeds its own\n"
    "      magnitude is flagged \"unreliable\".\n"
    "  calvora-cli batch --pair PAIR [--accuracy ACC_A ACC_B] [--header]\n"
    "      The same for a meter's log of F, A, B records; with --accuracy a\n"
    "      bound column follows each result column (calc_Z_bound, ...).\n"
    "      In JSON and CSV, bounds are rounded up to three significant digits.\n"
    "  calvora-cli --help | --version\n"
    "\n"
    "VALUE is a C-locale floating-point number (decimal, hex float such as\n"
    "0x1.8p3, inf, -inf, nan); PLACES is a whole number of decimals (above 18\n"
    "counts as 18; a negative number rounds to tens, hundreds, ... up to\n"
    "10^18). MODE is a mode button caption in any letter case or the mode's\n"
    "number:\n";

constexpr std::string_view TryHelp = "Try 'calvora-cli --help'.\n";

bool IsOption(std::string_view arg) { return arg.size() > 1 && arg[0] == '-'; }

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

void PutHelp(CliOutput &out) {
  PutCliOutput(out, HelpText);
  for (const ModeRows &mode : ModeRowsTable) {
    char number[16];
    std::snprintf(number, sizeof number, "  %2d  ", mode.ModeId);
    PutCliOutput(out, number);
    PutCliOutput(out, mode.caption);
    PutCliOutput(out, " (rows:");
    for (int row = 0; row < mode.rowCount; ++row) {
      PutCliOutput(out, row == 0 ? " " : ", ");
      PutCliOutput(out, mode.rows[row].name);
    }
    PutCliOutput(out, ")\n");
  }
  PutPairHelp(out);
  PutCliOutput(out, "\nExit status: 0 done, 1 bad batch lines or an input/output failure,\n"
                    "2 wrong arguments.\n");
}

int RunParse(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  if (argc != 3)
    return ReportUsageError(streams, "parse takes exactly one TEXT");
  char text[NumberSpellingMax + 1];
  char *end = SpellDouble17(text, ParseNumber(argv[2], std::strlen(argv[2])));
  *end++ = '\n';
  PutCliOutput(out, std::string_view(text, static_cast<std::size_t>(end - text)));
  return CliOk;
}

int RunFormat(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  if (argc != 5)
    return ReportUsageError(streams, "format takes VALUE PLACES UNIT");
  double value = 0;
  int places = 0;
  if (!ReadValueArgument(argv[2], value))
    return ReportUsageError(streams, std::string("VALUE '") + argv[2] + "' is not a number");
  if (!ReadPlacesArgument(argv[3], places))
    return ReportUsageError(streams, std::string("PLACES '") + argv[3] + "' is not a whole number");
  PutLine(out, EngineeringFormatter(value, places, argv[4]));
  return CliOk;
}

int RunNumberText(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  if (argc != 3 && argc != 4)
    return ReportUsageError(streams, "numbertext takes VALUE and optionally PLACES");
  double value = 0;
  if (!ReadValueArgument(argv[2], value))
    return ReportUsageError(streams, std::string("VALUE '") + argv[2] + "' is not a number");
  if (argc == 3) {
    PutLine(out, NumberText(Ext(value)));
    return CliOk;
  }
  int places = 0;
  if (!ReadPlacesArgument(argv[3], places))
    return ReportUsageError(streams, std::string("PLACES '") + argv[3] + "' is not a whole number");
  PutLine(out, NumberText(RoundDecimals(value, places)));
  return CliOk;
}

enum CalcOutputForm { PanelForm, ReportForm, JsonForm };

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
    const double value = state.*field.member;
    char number[NumberSpellingMax];
    char *end = SpellDouble17(number, value);
    std::string_view text(number, static_cast<std::size_t>(end - number));
    // JSON has no literal for infinities and NaN: they travel as strings.
    bool finite = std::isfinite(value);
    if (!finite)
      PutCliOutput(out, "\"");
    PutCliOutput(out, text);
    if (!finite)
      PutCliOutput(out, "\"");
  }
  PutCliOutput(out, "}\n");
}

int RunCalcCommand(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  CalcOutputForm form = PanelForm;
  const char *formOption = nullptr;
  int next = 2;
  for (; next < argc && IsOption(argv[next]); ++next) {
    std::string_view arg = argv[next];
    if (arg == "--") {
      ++next;
      break;
    }
    CalcOutputForm chosen;
    if (arg == "--panel")
      chosen = PanelForm;
    else if (arg == "--report")
      chosen = ReportForm;
    else if (arg == "--json")
      chosen = JsonForm;
    else if (arg == "--help" || arg == "-h") {
      PutHelp(out);
      return CliOk;
    } else
      return ReportUsageError(streams, std::string("unknown option '") + argv[next] + "' for calc");
    if (formOption != nullptr && chosen != form)
      return ReportUsageError(streams, std::string("options '") + formOption + "' and '" +
                                           argv[next] + "' exclude each other");
    form = chosen;
    formOption = argv[next];
  }
  if (next >= argc)
    return ReportUsageError(streams, "calc needs a MODE");
  const ModeRows *mode = FindModeArgument(argv[next]);
  if (mode == nullptr)
    return ReportUsageError(streams, std::string("unknown mode '") + argv[next] + "'");
  int given = argc - next - 1;
  if (given > mode->rowCount)
    return ReportUsageError(streams, std::string("mode ") + mode->caption + " has " +
                                         std::to_string(mode->rowCount) + " entry rows, " +
                                         std::to_string(given) + " TEXTs given");

  std::string_view rows[5];
  for (int row = 0; row < mode->rowCount; ++row)
    rows[row] = row < given ? std::string_view(argv[next + 1 + row])
                            : std::string_view(mode->rows[row].defaultText);
  CalcState state{};
  RunCalc(state, mode->ModeId,
          std::span<const std::string_view>(rows, static_cast<std::size_t>(mode->rowCount)));

  if (form == PanelForm)
    PutPanel(out, state);
  else if (form == ReportForm)
    for (const std::string &line : ReportLines(state))
      PutLine(out, line);
  else
    PutJson(out, state);
  return CliOk;
}

int RunBatchCommand(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  bool header = false;
  BatchSource source;
  const char *accuracyText[2] = {nullptr, nullptr};
  int next = 2;
  for (; next < argc && IsOption(argv[next]); ++next) {
    std::string_view arg = argv[next];
    if (arg == "--") {
      ++next;
      break;
    }
    if (arg == "--header")
      header = true;
    else if (arg == "--pair") {
      if (next + 1 >= argc)
        return ReportUsageError(streams, "--pair takes a PAIR");
      source.pair = FindMeterPair(argv[++next]);
      if (source.pair == nullptr)
        return ReportUsageError(streams, std::string("unknown pair '") + argv[next] +
                                             "'; see calvora-cli --help for the pairs");
    } else if (arg == "--accuracy") {
      if (next + 2 >= argc)
        return ReportUsageError(streams, "--accuracy takes ACC_A and ACC_B");
      accuracyText[0] = argv[next + 1];
      accuracyText[1] = argv[next + 2];
      next += 2;
    } else if (arg == "--help" || arg == "-h") {
      PutHelp(out);
      return CliOk;
    } else
      return ReportUsageError(streams,
                              std::string("unknown option '") + argv[next] + "' for batch");
  }
  if (source.pair != nullptr) {
    if (next < argc)
      return ReportUsageError(streams, std::string("batch --pair takes no MODE; '") + argv[next] +
                                           "' is one argument too many");
    if (accuracyText[0] != nullptr) {
      std::string problem;
      source.withBounds = true;
      if (!ReadMeterAccuracy(accuracyText[0], source.pair->a, "ACC_A", source.accuracyA, problem) ||
          !ReadMeterAccuracy(accuracyText[1], source.pair->b, "ACC_B", source.accuracyB, problem))
        return ReportUsageError(streams, problem);
    }
    return RunBatch(source, header, streams, out);
  }
  if (accuracyText[0] != nullptr)
    return ReportUsageError(streams, "--accuracy needs --pair");
  if (next >= argc)
    return ReportUsageError(streams, "batch needs a MODE");
  if (next + 1 < argc)
    return ReportUsageError(streams, std::string("batch takes only a MODE; '") + argv[next + 1] +
                                         "' is one argument too many");
  source.mode = FindModeArgument(argv[next]);
  if (source.mode == nullptr)
    return ReportUsageError(streams, std::string("unknown mode '") + argv[next] + "'");
  return RunBatch(source, header, streams, out);
}

int RunCommand(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out) {
  if (argc < 2)
    return ReportUsageError(streams, "no command given");
  std::string_view command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    PutHelp(out);
    return CliOk;
  }
  if (command == "--version") {
    PutCliOutput(out, VersionText);
    return CliOk;
  }
  if (command == "parse")
    return RunParse(argc, argv, streams, out);
  if (command == "format")
    return RunFormat(argc, argv, streams, out);
  if (command == "numbertext")
    return RunNumberText(argc, argv, streams, out);
  if (command == "calc")
    return RunCalcCommand(argc, argv, streams, out);
  if (command == "batch")
    return RunBatchCommand(argc, argv, streams, out);
  if (command == "convert")
    return RunConvertCommand(argc, argv, streams, out);
  if (IsOption(command))
    return ReportUsageError(streams, std::string("unknown option '") + argv[1] + "'");
  return ReportUsageError(streams, std::string("unknown command '") + argv[1] + "'");
}

} // namespace

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

int ReportUsageError(const CliStreams &streams, std::string_view message) {
  std::string text = "calvora-cli: ";
  text += message;
  text += '\n';
  text += TryHelp;
  PutCliError(streams, text);
  return CliUsageError;
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
