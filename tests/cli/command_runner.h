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

// Runs the command with arguments, its standard output and error going to files of folder and
// its standard input coming from standardInput (a path; none when empty). Its configuration
// folder is in folder, so that no user's own catalogue file takes part unless a test writes one.
Outcome runCommand(const TempFolder& folder, std::vector<std::string> arguments,
                   const std::string& standardInput = {});
// The same for another program (a full path).
Outcome runProgram(const TempFolder& folder, const std::string& program,
                   std::vector<std::string> arguments, const std::string& standardInput = {});

}  // namespace crawlmeter::testing
