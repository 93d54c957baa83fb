// fork and exec, with the child's standard streams redirected to files.
#include "command_runner.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace crawlmeter::testing {

Outcome runProgram(const TempFolder& folder, const std::string& program,
                   std::vector<std::string> arguments, const std::string& standardInput) {
  const std::string outPath = folder.pathOf("stdout"), errPath = folder.pathOf("stderr");
  const pid_t child = fork();
  if (child == 0) {
    setenv("XDG_CONFIG_HOME", folder.pathOf("config").c_str(), 1);
    setenv("XDG_CACHE_HOME", folder.pathOf("cache").c_str(), 1);
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
      _exit(126);
    if (!standardInput.empty() && !freopen(standardInput.c_str(), "r", stdin)) _exit(126);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath),
                  readFile(errPath)};
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return outcome;
}

}  // namespace crawlmeter::testing
