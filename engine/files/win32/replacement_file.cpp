// Win32 implementation of the safe replacement: a new file in the target's folder, flushed with
// FlushFileBuffers, then ReplaceFileW, which keeps the target's attributes, security and creation
// time, or, for a name not yet taken, MoveFileExW with write-through.
#include "files/replacement_file.h"

#include <algorithm>
#include <random>

#include "files/system_space.h"
#include "files/win32/system.h"

namespace crawlmeter {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t lastSeparator(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  // "C:name" lies in drive C's current folder.
  if (slash == std::string::npos && path.size() >= 2 && path[1] == ':') return 1;
  return slash;
}

std::string nameOf(const std::string& path) {
  const std::size_t at = lastSeparator(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

// Long names are cut so that the new file's name stays within the 255 characters a name may have.
constexpr std::size_t kLongestNamePart = 200;
constexpr int kNameAttempts = 100;

// The attributes a replaced file keeps: those a program may set.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_TEMPORARY;

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(widePath(path).c_str()); }

}  // namespace

Error writeAll(SystemHandle handle, std::string_view bytes, const std::string& path) {
  constexpr std::size_t kLargestWrite = 1U << 30;
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto want = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    if (!WriteFile(asHandle(handle), bytes.data(), want, &written, nullptr)) {
      return lastError(Error::What::kWrite, path);
    }
    bytes.remove_prefix(written);
  }
  return Error();
}

std::string folderOf(const std::string& path) {
  const std::size_t at = lastSeparator(path);
  if (at == std::string::npos) return ".";
  // The root of a drive or of the current drive keeps its separator.
  if (at == 0 || (at == 2 && path[1] == ':' && isSeparator(path[2]))) return path.substr(0, at + 1);
  if (at == 1 && path[1] == ':') return path.substr(0, 2);
  return path.substr(0, at);
}

// Folders have no read-only state of their own on Windows (the attribute means something else).
bool mayWrite(const std::string& path) {
  const DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                                                   (attributes & FILE_ATTRIBUTE_READONLY) == 0);
}

std::optional<std::uint64_t> freeBytesIn(const std::string& folder) {
  ULARGE_INTEGER available{};
  // A share's folder must end in a separator; any folder may.
  std::wstring path = widePath(folder);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return available.QuadPart;
}

// A symbolic link stays a link: its target is what gets replaced.
Expected<std::string> resolveLinks(const std::string& path) {
  const DWORD attributes = attributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return lastError(Error::What::kOpen, path);
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  OwnedHandle handle = openPath(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (!handle.valid()) return lastError(Error::What::kOpen, path);
  std::wstring target(MAX_PATH, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetFinalPathNameByHandleW(handle.get(), target.data(),
                                       static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return lastError(Error::What::kOpen, path);
    if (length < target.size()) break;
    target.resize(length + 1);
  }
  target.resize(length);
  return utf8Text(target);
}

Expected<ReplacementFile> ReplacementFile::create(const std::string& target) {
  std::string folder = folderOf(target);
  // A root (C:\ or \ alone) or a drive's current folder (C:) takes no separator of its own.
  if (!isSeparator(folder.back()) && folder.back() != ':') folder += '\\';
  const std::string stem =
      folder + "." + nameOf(target).substr(0, kLongestNamePart) + ".crawlmeter-";
  std::random_device random;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = stem + std::to_string(random() % 1'000'000);
    OwnedHandle handle = openPath(name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, CREATE_NEW);
    if (handle.valid()) return ReplacementFile(target, name, asSystemHandle(handle.release()));
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return lastError(Error::What::kOpen, target);
}

Error ReplacementFile::failed(Error::What what) const { return lastError(what, target_); }

Error ReplacementFile::write(std::string_view bytes) { return writeAll(handle_, bytes, target_); }

// Ownership stays with the folder's rules on Windows; ReplaceFileW keeps the target's security.
Error ReplacementFile::keepOwner(const FileKeeping&) { return Error(); }

Error ReplacementFile::finish(const FileKeeping&) {
  if (!FlushFileBuffers(asHandle(handle_))) return failed(Error::What::kWrite);
  return CloseHandle(asHandle(std::exchange(handle_, kNoHandle))) ? Error()
                                                                  : failed(Error::What::kWrite);
}

Error ReplacementFile::commit() {
  if (handle_ != kNoHandle) {
    discard();
    return Error::of(Error::What::kReplace, target_, ERROR_INVALID_HANDLE);
  }
  // Full paths: Wine's ReplaceFileW takes no relative path.
  const std::wstring target = widePath(target_);
  const std::wstring temporary = widePath(temporary_);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool replaced =
      attributes != INVALID_FILE_ATTRIBUTES
          ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                         nullptr)
          : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!replaced) {
    const Error error = failed(Error::What::kReplace);
    discard();
    return error;
  }
  temporary_.clear();
  // ReplaceFileW keeps them on Windows, but not every implementation of it does (Wine's).
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesW(target.c_str(), attributes & kKeptAttributes);
  }
  return Error();
}

// Windows cannot exchange two names in one step: the copy takes the target's place for good.
Error ReplacementFile::swapIn() { return commit(); }

void ReplacementFile::swapBack() {}

void ReplacementFile::settle() {}

void ReplacementFile::discard() {
  if (handle_ != kNoHandle) CloseHandle(asHandle(std::exchange(handle_, kNoHandle)));
  if (!temporary_.empty()) DeleteFileW(widePath(std::exchange(temporary_, {})).c_str());
}

}  // namespace crawlmeter
