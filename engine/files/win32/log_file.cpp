// Win32 file access for the run. A log is opened sharing everything, so that a server goes on
// writing and rotating it; reads at offsets are overlapped, so that every thread reads at once
// (the system takes one request at a time on a handle opened for synchronous reads).
#include "files/log_file.h"

#include <algorithm>

#include "files/win32/system.h"

namespace crawlmeter {
namespace {

// The biggest read one ReadFile takes.
constexpr std::size_t kLargestRead = 1U << 30;

// Why a file that is there cannot be read as a log: a folder, or something that is not a file.
Error notALog(const std::string& path, DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
             ? Error::of(Error::What::kOpen, path, kIsAFolder)
             : Error::of(Error::What::kNotRegular, path);
}

}  // namespace

OwnedHandle openPath(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags) {
  return OwnedHandle(
      CreateFileW(widePath(path).c_str(), access, share, nullptr, disposition, flags, nullptr));
}

bool identityOfHandle(HANDLE handle, FileIdentity* identity, std::uint64_t* links) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return false;
  const auto wide = [](DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
  };
  // FILETIME counts 100 ns steps.
  const std::uint64_t written =
      wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  *identity = FileIdentity{info.dwVolumeSerialNumber, wide(info.nFileIndexHigh, info.nFileIndexLow),
                           wide(info.nFileSizeHigh, info.nFileSizeLow),
                           static_cast<std::int64_t>(written * 100)};
  if (links != nullptr) *links = info.nNumberOfLinks;
  return true;
}

Expected<LogFile> LogFile::open(const std::string& path) {
  // Opening a device can act on it (a serial port, say): a handle with no access tells the kind
  // of the file without touching it; only a file on disk is opened to read.
  OwnedHandle look = openPath(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (!look.valid()) return lastError(Error::What::kOpen, path);
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  if (GetFileType(look.get()) != FILE_TYPE_DISK || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return notALog(path, attributes);
  }
  look.reset();
  OwnedHandle handle = openPath(path, GENERIC_READ, kShareAll, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN);
  if (!handle.valid()) return lastError(Error::What::kOpen, path);
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) return notALog(path, attributes);
  LogFile file(path, asSystemHandle(handle.release()));
  if (!identityOfHandle(asHandle(file.handle_), &file.identity_, &file.links_)) {
    return lastError(Error::What::kOpen, path);
  }
  return file;
}

Expected<LogFile> LogFile::standardInput(const std::string& path) {
  // A handle of its own, so that closing it leaves the process's standard input alone.
  HANDLE own = INVALID_HANDLE_VALUE;
  const HANDLE process = GetCurrentProcess();
  if (!DuplicateHandle(process, GetStdHandle(STD_INPUT_HANDLE), process, &own, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return lastError(Error::What::kOpen, path);
  }
  LogFile file(path, asSystemHandle(own));
  file.readInOrder_ = true;
  if (identityOfHandle(own, &file.identity_)) file.identity_.size = 0;
  return file;
}

LogFile::~LogFile() {
  if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
}

Expected<std::size_t> LogFile::readAt(char* buffer, std::size_t size, std::uint64_t offset) const {
  const DWORD want = static_cast<DWORD>(std::min(size, kLargestRead));
  DWORD got = 0;
  if (readInOrder_) {
    if (ReadFile(asHandle(handle_), buffer, want, &got, nullptr)) return std::size_t{got};
    // A pipe whose writer has gone is at its end.
    if (GetLastError() == ERROR_BROKEN_PIPE) return std::size_t{0};
    return lastError(Error::What::kRead, path_);
  }
  OwnedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done.valid()) return lastError(Error::What::kRead, path_);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  at.hEvent = done.get();
  if (!ReadFile(asHandle(handle_), buffer, want, nullptr, &at) &&
      GetLastError() != ERROR_IO_PENDING) {
    if (GetLastError() == ERROR_HANDLE_EOF) return std::size_t{0};
    return lastError(Error::What::kRead, path_);
  }
  if (GetOverlappedResult(asHandle(handle_), &at, &got, TRUE)) return std::size_t{got};
  if (GetLastError() == ERROR_HANDLE_EOF) return std::size_t{0};
  return lastError(Error::What::kRead, path_);
}

Expected<FileIdentity> currentIdentity(const std::string& path) {
  OwnedHandle handle = openPath(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  FileIdentity identity;
  if (!handle.valid() || !identityOfHandle(handle.get(), &identity)) {
    return lastError(Error::What::kOpen, path);
  }
  return identity;
}

}  // namespace crawlmeter
