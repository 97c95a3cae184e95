// calvora-cli: the calculator's conversions from the command line.
#include "cli/Cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

int main(int argc, char **argv) {
#ifdef _WIN32
  // Byte-for-byte the same streams as elsewhere: no CR LF translation on
  // output, and a CR in the input reaches the line splitter.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return RunCli(argc, argv, StandardCliStreams());
}
