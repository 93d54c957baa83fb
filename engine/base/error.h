// The engine's one way to report a failure: what failed, the path it failed on and the system's
// error number. Errors are returned, never thrown; Expected<T> carries a value or an Error.
//
// The reason a user reads is the system's text for the error number, in the user's language
// (LC_MESSAGES; on Windows, the system's language), or, for the few failures the system has no
// number for, the program's own words, in the language of the Wording that shows them.
#pragma once

#include <cerrno>
#include <string>
#include <utility>
#include <variant>

#include "base/wording.h"

namespace crawlmeter {

struct Error {
  enum class What {
    kNone,         // no failure
    kOpen,         // a file could not be opened or looked at
    kRead,         // reading a file failed
    kWrite,        // writing a file failed (a full disk, say)
    kReplace,      // a finished copy could not take the place of the file it replaces
    kNotRegular,   // a log is a FIFO, a device or a socket: reading one could wait forever
    kReadOnly,     // a file that has no write permission is never overwritten
    kNoReader,     // a FIFO to write to has no program reading it
    kNotWritable,  // a socket or block device, which an export may not write to
    kConvert,      // the C library cannot convert code page 936 (its tables are missing)
    kCancelled,    // the user stopped the work
    kDecompress,   // a compressed log's data is wrong: detail says how and where
  };

  What what = What::kNone;
  std::string path;  // as the caller named it, or "standard output"
  int code = 0;      // errno (GetLastError() on Windows), or 0 where the failure has none
  Message detail;    // the program's own words for a failure without an error number

  static Error of(What what, std::string path, int code = 0) {
    return Error{what, std::move(path), code, {}};
  }
  // The failure of the system call just made: errno is read before anything else can change it.
  static Error fromErrno(What what, const std::string& path) {
    const int code = errno;
    return Error{what, path, code, {}};
  }
  // The same failure, told of another path (the file the caller was working on).
  Error on(std::string otherPath) const { return Error{what, std::move(otherPath), code, detail}; }
  // True when this is a failure, as std::error_code does.
  explicit operator bool() const { return what != What::kNone; }
};

// The reason to show the user for error: the system's words in the user's language, or the
// program's own words in wording's.
std::string reasonText(const Error& error, const Wording& wording);

// The system's words for one of its error numbers.
std::string systemErrorText(int code);

// Whether error says that a file (or a folder on its path) does not exist.
bool isNotFound(const Error& error);

// A message to the user: text, then the reason for error on a line of its own (when it has one).
std::string withReason(std::string text, const Error& error, const Wording& wording);

// A value, or the Error that kept it from being made.
template <typename T>
class Expected {
 public:
  Expected(T value) : state_(std::move(value)) {}
  Expected(Error error) : state_(std::move(error)) {}

  // True when it holds a value, as std::optional does.
  explicit operator bool() const { return state_.index() == 0; }
  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

}  // namespace crawlmeter
