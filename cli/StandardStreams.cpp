#include "cli/Cli.h"

#include <cstdio>

namespace {

std::ptrdiff_t ReadStandardInput(void *, char *buffer, std::size_t capacity) {
  std::size_t got = std::fread(buffer, 1, capacity, stdin);
  if (got == 0 && std::ferror(stdin))
    return -1;
  return static_cast<std::ptrdiff_t>(got);
}

// The companion hands over large blocks; flushing each one at once means a
// full disk or a closed pipe shows up as a failed write, not as silent loss.
bool WriteStandardOutput(void *, const char *data, std::size_t length) {
  return std::fwrite(data, 1, length, stdout) == length && std::fflush(stdout) == 0;
}

void WriteStandardError(void *, const char *data, std::size_t length) {
  std::fwrite(data, 1, length, stderr);
  std::fflush(stderr);
}

} // namespace

CliStreams StandardCliStreams() {
  CliStreams streams;
  streams.ReadInput = ReadStandardInput;
  streams.WriteOutput = WriteStandardOutput;
  streams.WriteError = WriteStandardError;
  return streams;
}
