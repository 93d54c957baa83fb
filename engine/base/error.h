// The engine's one way to report a failure: what failed, the path it failed on and the system's
// error number. Errors are returned, never thrown; Expected<T> carries a value or an Error.
//
// Contract: Error::ok() is true when nothing failed and Error::failed() is its negation;
// Expected<T>::ok() is true when it holds a value and failed() when it holds an Error. Neither
// converts to bool, so a test always says which way it reads. Both types are [[nodiscard]]: a
// result that is dropped on purpose is dropped with ignore(), next to a comment that says why.
//
// The reason a user reads is the program's words in detail when they are given (compressed data
// or a catalogue line that is wrong), else the system's text for the error number, in the user's
// language (LC_MESSAGES; on Windows, the system's language), or, for the few failures the system
// has no number for, the program's own words for what failed. The program's words are kept as a
// Message and told in the language of the Wording that shows them.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <utility>
#include <variant>

#include "base/wording.h"

namespace crawlmeter {

struct [[nodiscard]] Error {
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
    kChanged,      // a file changed between being looked at and being opened
    kCatalogue,    // a crawler catalogue is wrong: detail says what, line where (0: the file)
    kResources,    // memory or another resource a library needed ran out: detail says which
    kRanges,       // a crawler address ranges file is wrong: detail says what, line where
    kResolver,     // the DNS resolver did not start, or a server named is none: detail says why
    kTemporary,    // a run's scratch file in the temporary folder could not be written or read
  };

  What what = What::kNone;
  std::string path;      // as the caller named it, or "standard output"
  int code = 0;          // errno (GetLastError() on Windows), or 0 where the failure has none
  Message detail;        // the program's own words for a failure without an error number
  std::size_t line = 0;  // the line of a text file the failure is on; 0 for none

  static Error of(What what, std::string path, int code = 0) {
    return Error{what, std::move(path), code, {}, 0};
  }
  // A failure the system has no number for, in the program's words.
  static Error described(What what, std::string path, Message detail) {
    return Error{what, std::move(path), 0, std::move(detail), 0};
  }
  // The failure of the system call just made: errno is read before anything else can change it.
  static Error fromErrno(What what, const std::string& path) {
    const int code = errno;
    return Error{what, path, code, {}, 0};
  }
  // The same failure, told of another path (the file the caller was working on).
  Error on(std::string otherPath) const {
    Error moved = *this;
    moved.path = std::move(otherPath);
    return moved;
  }

  bool ok() const { return what == What::kNone; }
  bool failed() const { return what != What::kNone; }
  // Drops this result on purpose; the caller says why in a comment beside the call.
  void ignore() const {}
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

// A value, or the Error that kept it from being made. The value is reached only after ok().
template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::move(value)) {}
  Expected(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  bool failed() const { return state_.index() != 0; }
  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }
  const Error& error() const { return std::get<1>(state_); }
  // Drops this result on purpose; the caller says why in a comment beside the call.
  void ignore() const {}

 private:
  std::variant<T, Error> state_;
};

}  // namespace crawlmeter
