// crawlmeter-report: the command's entry point; all of its work is in report_command.
#include <string>
#include <vector>

#include "files/log_file.h"
#include "report_command.h"

int main(int argc, char** argv) {
  crawlmeter::allowManyOpenFiles();
  return crawlmeter::runReportCommand(std::vector<std::string>(argv + 1, argv + argc));
}
