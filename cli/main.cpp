// crawlmeter-report: the command's entry point; all of its work is in report_command. Windows hands
// the arguments as UTF-16 (wmain), so that any path, 日志 among them, reaches the engine as UTF-8.
#include <memory>
#include <string>
#include <vector>

#include "files/process_setup.h"
#include "report_command.h"
#include "user_wording.h"

#if defined(_WIN32)
#include "files/win32/system.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(crawlmeter::utf8Text(argv[i]));
  const std::unique_ptr<crawlmeter::Wording> wording = crawlmeter::userWording();
  crawlmeter::setUpProcessForRuns();
  return crawlmeter::runReportCommand(arguments, *wording);
}
#else
int main(int argc, char** argv) {
  const std::unique_ptr<crawlmeter::Wording> wording = crawlmeter::userWording();
  crawlmeter::setUpProcessForRuns();
  return crawlmeter::runReportCommand(std::vector<std::string>(argv + 1, argv + argc), *wording);
}
#endif
