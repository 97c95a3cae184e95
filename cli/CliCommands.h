// The companion's commands, shared between the argument handling and the
// batch converter.
#pragma once

#include "cli/CliOutput.h"
#include "core/MeterPairs.h"
#include "core/Modes.h"

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

// Whether a result is flagged: its bound exceeds its magnitude, or either
// is not a number.
inline bool IsUnreliable(double value, double bound) {
  return !(bound <= (value < 0 ? -value : value));
}

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
