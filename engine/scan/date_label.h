// A file's date label: the text strictly between its first '[' character and the first ':' after
// it, read as the file streams past. No '[', or no ':' after it, gives the empty label.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/error.h"

namespace crawlmeter {

// Labels longer than this are cut here: a real label is a date of some eleven characters, and a
// file with a '[' and no ':' for gigabytes must not take memory with it.
inline constexpr std::size_t kLongestLabelBytes = 64 * 1024;

class DateLabelScanner {
 public:
  // Takes the next bytes of the file; the bytes of all calls together are the file.
  void feed(std::string_view bytes);
  bool complete() const { return state_ == State::Complete; }
  // The label in UTF-8 (empty unless complete()).
  Expected<std::string> label() const;

 private:
  enum class State { SeekBracket, Collect, Complete };
  void seekBracket(std::string_view& bytes);

  State state_ = State::SeekBracket;
  bool secondByteNext_ = false;  // the last byte fed was a lead byte
  std::string labelBytes_;
};

}  // namespace crawlmeter
