// CreateProcessW, with the child's standard streams redirected to files and its arguments quoted
// as the C runtime parses them back.
#include <windows.h>

#include <filesystem>

#include "command_runner.h"

namespace crawlmeter::testing {
namespace {

std::wstring wide(const std::string& utf8) { return std::filesystem::u8path(utf8).wstring(); }

// One argument as the C runtime's parser reads it back: quoted, with the backslashes before a
// quote (and before the closing quote) doubled.
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Outcome runProgram(const TempFolder& folder, const std::string& program,
                   std::vector<std::string> arguments, const std::string& standardInput) {
  const std::string outPath = folder.pathOf("stdout"), errPath = folder.pathOf("stderr");
  SetEnvironmentVariableW(L"XDG_CONFIG_HOME", wide(folder.pathOf("config")).c_str());
  SetEnvironmentVariableW(L"XDG_CACHE_HOME", wide(folder.pathOf("cache")).c_str());
  std::wstring commandLine = quoted(wide(program));
  for (const std::string& argument : arguments) commandLine += L" " + quoted(wide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdInput = standardInput.empty()
                          ? inheritable(folder.pathOf("no-input"), GENERIC_READ, CREATE_ALWAYS)
                          : inheritable(standardInput, GENERIC_READ, OPEN_EXISTING);
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  DWORD status = static_cast<DWORD>(-1);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  for (HANDLE handle : {startup.hStdOutput, startup.hStdError, startup.hStdInput}) {
    CloseHandle(handle);
  }
  Outcome outcome{static_cast<int>(status), readFile(outPath), readFile(errPath)};
  std::filesystem::remove(std::filesystem::u8path(outPath));
  std::filesystem::remove(std::filesystem::u8path(errPath));
  return outcome;
}

}  // namespace crawlmeter::testing
