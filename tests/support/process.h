#pragma once
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments (no shell), optionally sending it a signal
// after signalAfterMs; collects standard output and error.
ProcessResult runProcess(const std::vector<std::string>& argv, int signalAfterMs = -1, int signal = 2);

// Path of the built crawlspect-cli.
inline std::string cliPath() { return CRAWLSPECT_CLI_PATH; }

}  // namespace testsupport
