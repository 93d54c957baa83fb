// The names of the files in a folder: users keep files the program reads in folders of their own.
#pragma once

#include <string>
#include <vector>

#include "base/error.h"

namespace crawlmeter {

// The names (not paths) of the entries of the folder at path other than "." and "..", sorted by
// their bytes; what they are (files, folders) is not looked at. A folder that does not exist has
// none; one that cannot be read fails with kOpen and the system's error.
Expected<std::vector<std::string>> folderEntries(const std::string& path);

}  // namespace crawlmeter
