// Runs the companion in-process on strings.
#pragma once

#include "cli/Cli.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

struct MemoryStreams {
  std::string input;
  std::size_t position = 0;
  std::size_t piece = 0; // bytes handed over per read; 0 = as many as fit
  bool failRead = false;
  bool failWrite = false;
  std::string out;
  std::string err;
};

inline std::ptrdiff_t ReadMemory(void* context, char* buffer, std::size_t capacity) {
  auto& m = *static_cast<MemoryStreams*>(context);
  if (m.failRead)
    return -1;
  std::size_t n = std::min(capacity, m.input.size() - m.position);
  if (m.piece != 0)
    n = std::min(n, m.piece);
  std::memcpy(buffer, m.input.data() + m.position, n);
  m.position += n;
  return static_cast<std::ptrdiff_t>(n);
}

inline bool WriteMemory(void* context, const char* data, std::size_t length) {
  auto& m = *static_cast<MemoryStreams*>(context);
  if (m.failWrite)
    return false;
  m.out.append(data, length);
  return true;
}

inline void WriteMemoryError(void* context, const char* data, std::size_t length) {
  static_cast<MemoryStreams*>(context)->err.append(data, length);
}

// Runs `calvora-cli args...` on a prepared set of streams.
inline CliResult RunCliOn(MemoryStreams& m, const std::vector<std::string>& args) {
  std::vector<const char*> argv{"calvora-cli"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);
  CliStreams streams;
  streams.context = &m;
  streams.ReadInput = ReadMemory;
  streams.WriteOutput = WriteMemory;
  streams.WriteError = WriteMemoryError;
  CliResult r;
  r.code = RunCli(static_cast<int>(argv.size() - 1), argv.data(), streams);
  r.out = m.out;
  r.err = m.err;
  return r;
}

inline CliResult RunCliWith(const std::vector<std::string>& args, const std::string& input = "",
                            std::size_t piece = 0) {
  MemoryStreams m;
  m.input = input;
  m.piece = piece;
  return RunCliOn(m, args);
}
