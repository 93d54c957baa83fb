// A temporary folder for tests that work on real files; removed with everything in it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace crawlmeter::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes bytes to a file of the folder and returns its full path. Names and paths are UTF-8,
  // as the engine takes them.
  std::string write(const std::string& name, std::string_view bytes) const;
  std::string pathOf(const std::string& name) const;
  // How many files and folders the folder holds: a leftover temporary file shows here.
  std::ptrdiff_t entryCount() const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::string& path);
// A path as UTF-8 (std::filesystem::path::string() is the ANSI code page on Windows).
std::string utf8Path(const std::filesystem::path& path);

#if !defined(_WIN32)
// Runs body in a child process (for limits, users and signals the test itself must not take on)
// and gives its exit status, or -1 when a signal ended it.
int exitStatusOfChild(const std::function<int()>& body);
#endif
void writeFile(const std::string& path, std::string_view bytes);

}  // namespace crawlmeter::testing
