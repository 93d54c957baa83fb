// Win32 implementation of the output rules. What the name stands for is told by opening it
// without truncating it: a file on disk is replaced whole, a device (NUL, CON, a printer port) or
// a pipe is written in place, a folder is refused.
#include "files/output_file.h"

#include <filesystem>
#include <system_error>

#include "files/replacement_file.h"
#include "files/win32/system.h"

namespace crawlmeter {
namespace {

constexpr char kStandardOutput[] = "standard output";
constexpr char kStandardError[] = "standard error";
// Older consoles take at most 64 KiB in one WriteConsoleW: this many UTF-16 units at a time.
constexpr std::size_t kLargestConsoleWrite = 1U << 14;

// Replaces a file on disk (exists) or creates a new one at target.
Error replaceRegularFile(const std::string& target, bool exists, std::string_view bytes) {
  if (exists && !mayWrite(target)) return Error::of(Error::What::kReadOnly, target);
  Expected<ReplacementFile> file = ReplacementFile::create(target);
  if (file.failed()) return file.error();
  if (Error error = file->write(bytes); error.failed()) return error;
  if (Error error = file->finish(FileKeeping{}); error.failed()) return error;
  return file->commit();
}

Error writeInPlace(OwnedHandle handle, const std::string& path, std::string_view bytes) {
  Error error = writeAll(asSystemHandle(handle.get()), bytes, path);
  if (!CloseHandle(handle.release()) && error.ok()) error = lastError(Error::What::kWrite, path);
  return error;
}

HANDLE standardHandle(StandardStream stream) {
  return GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool sameIdentity(HANDLE one, HANDLE other) {
  FileIdentity first, second;
  return identityOfHandle(one, &first) && identityOfHandle(other, &second) &&
         first.device == second.device && first.inode == second.inode;
}

}  // namespace

Error writeOutputFile(const std::string& path, std::string_view bytes) {
  // Opening an existing file to write, without truncating it, changes nothing in it.
  OwnedHandle handle =
      openPath(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!handle.valid()) {
    const Error failure = lastError(Error::What::kOpen, path);
    if (failure.code == ERROR_FILE_NOT_FOUND) {
      return replaceRegularFile(path, false, bytes);
    }
    const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return Error::of(Error::What::kOpen, path, kIsAFolder);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Error::of(Error::What::kReadOnly, path);
    }
    return failure;
  }
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) {
    return writeInPlace(std::move(handle), path, bytes);
  }
  handle.reset();
  const Expected<std::string> target = resolveLinks(path);
  return target.ok() ? replaceRegularFile(*target, true, bytes) : target.error();
}

Error writeStandardOutput(std::string_view bytes) {
  return writeAll(asSystemHandle(standardHandle(StandardStream::kOutput)), bytes, kStandardOutput);
}

bool isTerminal(StandardStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(standardHandle(stream), &mode) != 0;
}

Error writeStandardText(StandardStream stream, std::string_view utf8) {
  const HANDLE handle = standardHandle(stream);
  const char* name = stream == StandardStream::kOutput ? kStandardOutput : kStandardError;
  if (!isTerminal(stream)) return writeAll(asSystemHandle(handle), utf8, name);
  const std::wstring text = wideText(utf8);
  for (std::wstring_view wide = text; !wide.empty();) {
    DWORD written = 0;
    const auto count = static_cast<DWORD>(std::min(wide.size(), kLargestConsoleWrite));
    if (!WriteConsoleW(handle, wide.data(), count, &written, nullptr) || written == 0) {
      return lastError(Error::What::kWrite, name);
    }
    wide.remove_prefix(written);
  }
  return Error();
}

bool isStandardOutput(const std::string& path) {
  OwnedHandle handle = openPath(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  return handle.valid() && GetFileType(handle.get()) == FILE_TYPE_DISK &&
         sameIdentity(handle.get(), standardHandle(StandardStream::kOutput));
}

bool sameFile(const std::string& first, const std::string& second) {
  OwnedHandle one = openPath(first, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  OwnedHandle other = openPath(second, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (one.valid() && other.valid()) return sameIdentity(one.get(), other.get());
  std::error_code failedFirst, failedSecond;
  const std::filesystem::path a =
      std::filesystem::weakly_canonical(std::filesystem::path(wideText(first)), failedFirst);
  const std::filesystem::path b =
      std::filesystem::weakly_canonical(std::filesystem::path(wideText(second)), failedSecond);
  return failedFirst || failedSecond ? first == second : a == b;
}

}  // namespace crawlmeter
