// The Win32 texts: UTF-8 and UTF-16, paths in their long form, the system's words for its error
// numbers (FormatMessageW, in the system's language), and code page 936 on the Windows code page
// itself, one character at a time so that one that cannot be converted is replaced as the POSIX
// side replaces it.
#include <windows.h>

#include "codec/cp936.h"
#include "files/win32/system.h"

namespace crawlmeter {
namespace {

constexpr UINT kCodePage936 = 936;

std::wstring toWide(UINT codePage, DWORD flags, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length);
  return wide;
}

std::string fromWide(UINT codePage, DWORD flags, std::wstring_view wide, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
  const int length =
      WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, usedDefault);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, fallback,
                        usedDefault);
  }
  return bytes;
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The bytes the character at the start of rest takes: a whole UTF-8 sequence by its shape, else
// one byte (as the POSIX side skips what iconv cannot take).
std::size_t sequenceLength(std::string_view rest) {
  const std::size_t length = utf8SequenceLength(static_cast<unsigned char>(rest[0]));
  if (length > rest.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

constexpr std::wstring_view kLongForm = L"\\\\?\\";
constexpr std::wstring_view kLongShareForm = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDeviceForm = L"\\\\.\\";
constexpr std::wstring_view kShare = L"\\\\";

// The full path, as GetFullPathNameW makes it; wide itself where the system makes none.
std::wstring fullPathOf(const std::wstring& wide) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return wide;
    if (length < full.size()) return full.substr(0, length);
    full.resize(length);
  }
}

}  // namespace

std::wstring wideText(std::string_view utf8) { return toWide(CP_UTF8, 0, utf8); }

std::wstring widePath(std::string_view utf8) {
  const std::wstring wide = wideText(utf8);
  if (wide.empty() || wide.starts_with(kLongForm) || wide.starts_with(kDeviceForm)) return wide;
  const std::wstring full = fullPathOf(wide);
  // NUL, CON and their kind come back as \\.\NAME: a device is opened by the name it was given.
  if (full.starts_with(kDeviceForm)) return wide;
  if (full.starts_with(kLongForm)) return full;
  if (full.starts_with(kShare)) return std::wstring(kLongShareForm).append(full.substr(2));
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
    return std::wstring(kLongForm).append(full);
  }
  return full;
}

std::string utf8Text(std::wstring_view wide) { return fromWide(CP_UTF8, 0, wide, nullptr); }

std::string systemErrorText(int code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) {
    // Not every system has words for every number (Wine lacks this one).
    if (code == static_cast<int>(kIsAFolder)) return "这是文件夹，不是文件";
    return "error " + std::to_string(code);
  }
  std::wstring_view words(text, length);
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' '))
    words.remove_suffix(1);
  std::string reason = utf8Text(words);
  LocalFree(text);
  return reason;
}

bool isNotFound(const Error& error) {
  return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND;
}

Expected<std::string> decodeCp936(std::string_view bytes) {
  if (isAscii(bytes)) return std::string(bytes);
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = characterLength(bytes, at);
    const std::wstring wide = toWide(kCodePage936, MB_ERR_INVALID_CHARS, bytes.substr(at, length));
    text += wide.empty() ? std::string(kReplacementUtf8) : utf8Text(wide);
    at += length;
  }
  return text;
}

Expected<std::string> encodeCp936(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  std::string bytes;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = sequenceLength(utf8.substr(at));
    const std::string_view character = utf8.substr(at, length);
    at += length;
    if (static_cast<unsigned char>(character[0]) < 0x80) {
      bytes += character;
      continue;
    }
    // Not valid UTF-8 (a surrogate, an overlong form), or not in code page 936: '?'. No best fit,
    // so that a character the code page lacks never becomes a look-alike.
    const std::wstring wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, character);
    BOOL usedDefault = FALSE;
    const std::string encoded =
        wide.empty() ? std::string()
                     : fromWide(kCodePage936, WC_NO_BEST_FIT_CHARS, wide, &usedDefault);
    bytes += usedDefault || encoded.empty() ? std::string("?") : encoded;
  }
  return bytes;
}

}  // namespace crawlmeter
