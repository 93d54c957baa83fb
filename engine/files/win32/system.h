// What the Win32 side of the files seam shares: paths and texts converted between UTF-8 (the
// engine's) and UTF-16 (the system's) in this one place, paths in the form that takes any length,
// errors from GetLastError(), and a handle that closes itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "files/log_file.h"

namespace crawlmeter {

// UTF-16 for the system; a byte that is not valid UTF-8 becomes U+FFFD.
std::wstring wideText(std::string_view utf8);
// UTF-8 for the engine; a lone surrogate becomes U+FFFD.
std::string utf8Text(std::wstring_view wide);
// A path as the system's calls take it: made full as the system makes it (against the current
// folder, '/' as '\\', "." and ".." gone), then in the \\?\ form (\\?\UNC\ for a share), which
// no 260-character limit applies to. A device (NUL, CON, COM1) and a path in \\?\ or \\.\ form
// stay as they are.
std::wstring widePath(std::string_view utf8);

// The failure of the Win32 call just made, named after path.
inline Error lastError(Error::What what, const std::string& path) {
  const DWORD code = GetLastError();
  return Error::of(what, path, static_cast<int>(code));
}

inline HANDLE asHandle(SystemHandle handle) { return reinterpret_cast<HANDLE>(handle); }
inline SystemHandle asSystemHandle(HANDLE handle) { return reinterpret_cast<SystemHandle>(handle); }

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  void reset() {
    if (valid()) CloseHandle(release());
  }

 private:
  HANDLE handle_;
};

// Opens path as CreateFileW does, with share as the sharing it allows others.
OwnedHandle openPath(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL);
// "An operation is not supported on a directory." (ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's
// headers lack): a folder given as a log or as an export.
inline constexpr DWORD kIsAFolder = 336;

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The identity and link count of an open file; false when the system does not tell them.
bool identityOfHandle(HANDLE handle, FileIdentity* identity, std::uint64_t* links = nullptr);

}  // namespace crawlmeter
