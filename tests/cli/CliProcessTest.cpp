// The real executable: exit codes, standard output and standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>

namespace {

std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Runs the companion through the shell with `arguments` (quoted for it) and
// `input` on stdin; returns the exit code. With `diskFull` its stdout is a
// device that refuses writes.
int RunProcess(const std::string& arguments, const std::string& input, std::string& out, std::string& err,
               bool diskFull = false) {
  const std::string dir = testing::TempDir(), in = dir + "cli_in";
  const std::string outPath = dir + "cli_out", errPath = dir + "cli_err";
  std::ofstream(in, std::ios::binary) << input;
  std::ofstream(outPath, std::ios::binary).flush(); // empty unless the run writes it
  int status = std::system(("'" CALVORA_CLI_PATH "' " + arguments + " <'" + in + "' >'" +
                            (diskFull ? "/dev/full" : outPath) + "' 2>'" + errPath + "'").c_str());
  out = ReadFile(outPath), err = ReadFile(errPath);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliProcess, ExitCodesAndStreams) {
  std::string out, err;
  EXPECT_EQ(RunProcess("--version", "", out, err), 0);
  EXPECT_EQ(out + "|" + err, "calvora-cli 1.03\n|");

  EXPECT_EQ(RunProcess("calc 'Cs-Q' 1", "", out, err), 2);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("unknown mode 'Cs-Q'"), std::string::npos) << err;

  // Far more input than one read: every record comes out, the bad one is named.
  std::string input;
  for (int i = 0; i < 100000; ++i)
    input += "1000," + std::to_string(i % 97 + 1) + ",.01\r\n";
  EXPECT_EQ(RunProcess("batch 'Cs-D'", input + "1000,1\r\n", out, err), 1);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 100001);
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_NE(err.find("line 100001: expected 3 fields"), std::string::npos) << err;

  EXPECT_EQ(RunProcess("--help", "", out, err, true), 1);
  EXPECT_NE(err.find("cannot write standard output"), std::string::npos) << err;
}

} // namespace
#endif
