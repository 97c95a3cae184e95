// The command-line companion as a library: argument handling, the single
// conversions and the streaming batch converter, over byte streams that the
// program binds to stdin/stdout/stderr and tests bind to strings.
#pragma once

#include <cstddef>

// Where the companion reads and writes. Every callback gets `context`.
struct CliStreams {
  void *context = nullptr;
  // Up to `capacity` bytes of input into `buffer`: the count read, 0 at the
  // end of the input, -1 when the input cannot be read.
  std::ptrdiff_t (*ReadInput)(void *context, char *buffer, std::size_t capacity) = nullptr;
  // Hands `length` bytes of standard output on; false when they could not
  // be written (the companion then stops and exits 1).
  bool (*WriteOutput)(void *context, const char *data, std::size_t length) = nullptr;
  // Hands `length` bytes of diagnostics on; failures are ignored.
  void (*WriteError)(void *context, const char *data, std::size_t length) = nullptr;
};

// Exit codes of the companion.
inline constexpr int CliOk = 0;
inline constexpr int CliFailed = 1;     // bad batch lines, unreadable input, unwritable output
inline constexpr int CliUsageError = 2; // wrong arguments, mode, option or number

// Longest batch input line, line end excluded; a longer line is reported as
// a bad line and skipped without being held in memory.
inline constexpr std::size_t BatchMaxLineLength = 65536;

// Runs the companion on `argv[1..argc-1]` (argv[0] is ignored) and returns
// its exit code. Reads input only for "batch"; never touches files, the
// locale or any other process-wide setting.
int RunCli(int argc, const char *const *argv, const CliStreams &streams);

// Streams bound to the process's stdin, stdout and stderr (stdout is written
// in large blocks and flushed after each, so a write failure is noticed).
CliStreams StandardCliStreams();
