// crawlmeter-report: the command's entry point; all of its work is in report_command.
#include <string>
#include <vector>

#include "report_command.h"
#include "run/process_setup.h"

int main(int argc, char** argv) {
  crawlmeter::setUpProcessForRuns();
  return crawlmeter::runReportCommand(std::vector<std::string>(argv + 1, argv + argc));
}
