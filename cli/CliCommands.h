// The companion's commands, shared between the argument handling and the
// batch converter.
#pragma once

#include "cli/CliOutput.h"
#include "core/MeterPairs.h"
#include "core/Modes.h"

#include <limits>
#include <string>
#include <string_view>

// A mode named by its button caption in any letter case ("cs||cs") or by
// its number 1-16 ("3", "03"); nullptr when the text names none.
const ModeRows *FindModeArgument(std::string_view text);

// Reports a usage error ("calvora-cli: <message>" and a pointer to --help)
// and returns the usage exit code.
int ReportUsageError(const CliStreams &streams, std::string_view message);

// A meter's stated accuracy of one reading: a percentage of the reading or
// an absolute amount in its units.
struct MeterAccuracy {
  bool relative = false;
  double amount = 0;
};

// Reads `text` as one reading of `reading` in the strict value syntax; a
// negative value where the meter shows a magnitude is refused. On failure
// sets `problem` to a message that names `what` ("A", "field 2") and says
// what was expected.
bool ReadMeterReading(std::string_view text, const MeterReading &reading, std::string_view what,
                      double &value, std::string &problem);

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

// What a batch run converts each record with: a mode's entry rows, or a
// meter pair's readings (F, A, B), with bounds when accuracy is given.
struct BatchSource {
  const ModeRows *mode = nullptr;
  const MeterPair *pair = nullptr;
  bool withBounds = false;
  MeterAccuracy accuracyA, accuracyB;
};

// Converts the log on the input stream into CSV on `out`; the first record
// names the columns when `header` is set. Reports every bad line with its
// number and carries on. Returns the exit code.
int RunBatch(const BatchSource &source, bool header, const CliStreams &streams, CliOutput &out);

// calvora-cli convert [--json] [--accuracy ACC_A ACC_B] PAIR F A B, with
// argv[1] == "convert". Returns the exit code.
int RunConvertCommand(int argc, const char *const *argv, const CliStreams &streams, CliOutput &out);

// The help text's section on the meter pairs.
void PutPairHelp(CliOutput &out);
