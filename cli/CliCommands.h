// The companion's commands, shared between the argument handling and the
// batch converter.
#pragma once

#include "cli/CliOutput.h"
#include "core/MeterPairs.h"
#include "core/Modes.h"

#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// ---- The command line ------------------------------------------------------

// One option of a command, as the command line names it and --help shows it.
struct CliOption {
  std::string_view name;   // "--json"
  std::string_view values; // the words that follow it: "" for none, "PAIR", "ACC_A ACC_B"
  std::string_view help;   // one line of --help
};

// How many values `option` takes: the words of its `values`.
int OptionValueCount(const CliOption &option);

// One command line split into options and operands. Every text points into
// argv, so each ends with a NUL.
struct CliCall {
  struct Given {
    const CliOption *option = nullptr;
    const char *values[2] = {nullptr, nullptr};
  };

  std::vector<Given> options; // in the order given
  std::vector<const char *> operands;
};

// The option of `call` named `name`, or nullptr when it was not given.
const CliCall::Given *FindOption(const CliCall &call, std::string_view name);

using CliRunner = int (*)(const CliCall &call, const CliStreams &streams, CliOutput &out);

// What a command's --help adds after its own lines.
enum CliHelpTopic : unsigned { ValueTopic = 1, ModeTopic = 2, PairTopic = 4 };

// One command: its --help, its options and the routine that runs it.
struct CliCommand {
  std::string_view name;
  std::string_view usage;       // one line per form, each after "calvora-cli "
  std::string_view description; // lines of --help, indented when shown
  std::span<const CliOption> options;
  unsigned topics; // CliHelpTopic bits
  CliRunner run;
};

// Every command, in the order --help lists them.
std::span<const CliCommand> CliCommandTable();

// Splits argv[first..argc-1] into `call` by `command`'s options: an argument
// is an option only when it is one of them (or --NAME=VALUE for one that
// takes one value), or -h or --help, which print the command's help; every
// other argument is an operand, and so is every one after "--". Returns -1
// to go on, or the exit code once help is printed or a usage error reported.
int SplitArguments(const CliCommand &command, int first, int argc, const char *const *argv,
                   CliCall &call, const CliStreams &streams, CliOutput &out);

// The help of every command with the modes and pairs, and that of one.
void PutHelp(CliOutput &out);
void PutCommandHelp(CliOutput &out, const CliCommand &command);

// A mode named by its button caption in any letter case ("cs||cs") or by
// its number 1-16 ("3", "03"); nullptr when the text names none.
const ModeRows *FindModeArgument(std::string_view text);

// Reports a usage error ("calvora-cli: <message>" and a pointer to the
// --help of `command`, or of the whole companion) and returns the usage
// exit code.
int ReportUsageError(const CliStreams &streams, std::string_view message,
                     std::string_view command = {});

// "<lead>; '<argument>' is one argument too many".
std::string TooMany(std::string_view lead, std::string_view argument);

// `usage` when the call has fewer than `fewest` operands, `usage` naming the
// first one too many when it has more than `most`, else the empty text.
std::string OperandCountProblem(const CliCall &call, std::string_view usage, std::size_t fewest,
                                std::size_t most);

// Reports a usage error about the operands of `call`: `message`, unless an
// operand looks like an option ("--" and a letter) that `command` does not
// have, which then is named instead, so that a misspelled option shows up
// by its name wherever it stands.
int ReportOperandError(const CliStreams &streams, const CliCall &call, std::string_view command,
                       std::string_view message);

// ---- Meter readings --------------------------------------------------------

// A meter's stated accuracy of one reading: a percentage of the reading or
// an absolute amount in its units.
struct MeterAccuracy {
  bool relative = false;
  double amount = 0;
};

// Reads `text` as one reading of `reading` in the strict value syntax with
// `mark` as its decimal mark; a negative value where the meter shows a
// magnitude is refused. On failure sets `problem` to a message that names
// `what` ("A", "field 2") and says what was expected.
bool ReadMeterReading(std::string_view text, const MeterReading &reading, std::string_view what,
                      double &value, std::string &problem, DecimalMark mark = DecimalMark::Either);

// Reads an accuracy ("0.05%", or an absolute amount in the reading's own
// syntax, "2nF", "0.02deg"); never negative. Messages as above.
bool ReadMeterAccuracy(std::string_view text, const MeterReading &reading, std::string_view what,
                       MeterAccuracy &accuracy, std::string &problem);

// The absolute bound of a reading of `value`.
double AbsoluteBound(const MeterAccuracy &accuracy, double value);

// Whether a result's range says little: it is undefined, unbounded,
// contains zero (so its sign is not known), or spans more than a factor of
// two. `low` and `high` are the ends of the range, NaN when undefined.
inline bool IsUnreliable(double low, double high) {
  if (!(low <= high))
    return true; // undefined
  const double infinity = std::numeric_limits<double>::infinity();
  if (low == -infinity || high == infinity || (low <= 0 && high >= 0))
    return true;
  return low > 0 ? high > 2 * low : low < 2 * high;
}

// The largest distance from a value to either end of its range, rounded
// up: a symmetric bound that encloses the range. NaN when either is.
double RangeBound(double value, double low, double high);

// The frequency, which the meter reports as a value above zero.
extern const MeterReading FrequencyReading;

// ---- Batch -----------------------------------------------------------------

// What a batch run converts each record with: a mode's entry rows, or a
// meter pair's readings (F, A, B), with bounds when accuracy is given.
struct BatchSource {
  const ModeRows *mode = nullptr;
  const MeterPair *pair = nullptr;
  bool withBounds = false;
  MeterAccuracy accuracyA, accuracyB;
};

// How a batch run splits and reads its records.
struct BatchReading {
  char delimiter = 0;        // ',', ';', '\t' or '|'; 0: as the first record shows
  bool decimalComma = false; // a comma in a number is its decimal mark
  bool lenient = false;      // MODE fields read exactly as the window reads them
};

// Converts the log on the input stream into CSV on `out`; the first record
// names the columns when `header` is set. Reports every bad line with its
// number and carries on. Returns the exit code.
int RunBatch(const BatchSource &source, const BatchReading &reading, bool header,
             const CliStreams &streams, CliOutput &out);

// calvora-cli convert [--json] [--accuracy ACC_A ACC_B] PAIR F A B. Returns
// the exit code.
int RunConvertCommand(const CliCall &call, const CliStreams &streams, CliOutput &out);

// The help text's section on the meter pairs.
void PutPairHelp(CliOutput &out);
