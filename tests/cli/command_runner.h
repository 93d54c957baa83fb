// Runs crawlmeter-report (or a program the tests drive) as a user does, in a process of its own,
// capturing its output.
#pragma once

#include <string>
#include <vector>

#include "temp_folder.h"

namespace crawlmeter::testing {

struct Outcome {
  int status = -1;  // the exit status, or -1 when a signal ended the command
  std::string out;
  std::string err;
};

// Runs program (a full path) with arguments, its standard output and error going to files of
// folder and its standard input coming from standardInput (a path; none when empty). Its
// configuration and cache folders are in folder, so that no user's own catalogue or ranges file,
// nor a DNS answer of an earlier run, takes part unless a test writes one. command_runner_posix and _win32 start it.
Outcome runProgram(const TempFolder& folder, const std::string& program,
                   std::vector<std::string> arguments, const std::string& standardInput = {});
// The same for crawlmeter-report.
inline Outcome runCommand(const TempFolder& folder, std::vector<std::string> arguments,
                          const std::string& standardInput = {}) {
  return runProgram(folder, CRAWLMETER_REPORT, std::move(arguments), standardInput);
}

}  // namespace crawlmeter::testing
