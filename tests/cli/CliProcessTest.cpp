// The real executable: exit codes, the three standard streams, a pipe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

struct ProcessResult {
  int code = -1;
  std::string out;
  std::string err;
};

#ifndef _WIN32
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
#endif

// Runs the companion through the shell with `arguments` (already quoted for
// it) and `input` on stdin; `redirect` replaces the stdout redirection.
ProcessResult RunProcess(const std::string& arguments, const std::string& input,
                         const std::string& redirect = "") {
#ifdef _WIN32
  (void)arguments, (void)input, (void)redirect;
  return {};
#else
  const std::string dir = testing::TempDir();
  const std::string in = dir + "cli_in.txt", out = dir + "cli_out.txt", err = dir + "cli_err.txt";
  std::ofstream(in, std::ios::binary) << input;
  std::string command = std::string("'") + CALVORA_CLI_PATH + "' " + arguments + " <'" + in +
                        "' " + (redirect.empty() ? ">'" + out + "'" : redirect) + " 2>'" +
                        err + "'";
  std::remove(out.c_str());
  int status = std::system(command.c_str());
  ProcessResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
#endif
}

class CliProcess : public testing::Test {
protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "spawns the executable through a POSIX shell";
#endif
  }
};

TEST_F(CliProcess, ExitCodesAndStreams) {
  ProcessResult version = RunProcess("--version", "");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "calvora-cli 1.03\n");
  EXPECT_EQ(version.err, "");

  ProcessResult usage = RunProcess("calc 'Cs-Q' 1", "");
  EXPECT_EQ(usage.code, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_NE(usage.err.find("unknown mode 'Cs-Q'"), std::string::npos) << usage.err;

  ProcessResult calc = RunProcess("calc cs-d 1000 1 .01", "");
  EXPECT_EQ(calc.code, 0);
  EXPECT_EQ(calc.out.rfind("Z\t 159.1629 Ohms\n", 0), 0u) << calc.out;

  ProcessResult bad = RunProcess("batch 'Cs-D'", "1000,1,.01\r\n1000,1\r\n1000,2,.02\r\n");
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(std::count(bad.out.begin(), bad.out.end(), '\n'), 3);
  EXPECT_EQ(bad.out.find('\r'), std::string::npos);
  EXPECT_NE(bad.err.find("line 2: expected 3 fields"), std::string::npos) << bad.err;
}

TEST_F(CliProcess, LargeInputStreams) {
  std::string input;
  for (int i = 0; i < 100000; ++i)
    input += "1000," + std::to_string(i % 97 + 1) + ",.01\n";
  ProcessResult r = RunProcess("batch Cs-D", input);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 100001);
}

TEST_F(CliProcess, UnwritableOutputIsAFailure) {
  if (std::ifstream("/dev/full").fail())
    GTEST_SKIP() << "no /dev/full";
  ProcessResult r = RunProcess("--help", "", ">/dev/full");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
}

} // namespace
