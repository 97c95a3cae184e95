// The companion's commands, shared between the argument handling and the
// batch converter.
#pragma once

#include "cli/CliOutput.h"
#include "core/Modes.h"

#include <string_view>

// A mode named by its button caption in any letter case ("cs||cs") or by
// its number 1-16 ("3", "03"); nullptr when the text names none.
const ModeRows *FindModeArgument(std::string_view text);

// Reports a usage error ("calvora-cli: <message>" and a pointer to --help)
// and returns the usage exit code.
int ReportUsageError(const CliStreams &streams, std::string_view message);

// Converts the log on the input stream for `mode` into CSV on `out`; the
// first record names the columns when `header` is set. Reports every bad
// line with its number and carries on. Returns the exit code.
int RunBatch(const ModeRows &mode, bool header, const CliStreams &streams, CliOutput &out);
