// A temporary folder for tests that work on real files; removed with everything in it.
#pragma once

#include <filesystem>
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
  // Writes bytes to a file of the folder and returns its full path.
  std::string write(const std::string& name, std::string_view bytes) const;
  std::string pathOf(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

}  // namespace crawlmeter::testing
