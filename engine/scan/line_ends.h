// Line ends of a log file. A line ends at CR, at CR LF, and, in a file whose first LF has no CR
// before it, at a bare LF too: such a file is converted to CR LF line ends.
//
// The conversion inserts a CR before every LF that has none and adds one CR LF at the end; CR LF
// pairs and lone CRs stay as they are, and every other byte is kept exactly.
#pragma once

#include <string>
#include <string_view>

namespace crawlmeter {

enum class LineEnds {
  Undecided,  // no LF seen yet: a file that ends so is left alone
  CrLf,       // the first LF follows a CR: the file is left alone and a bare LF is no line end
  BareLf,     // the first LF has no CR before it: the file is converted
};

// Converts a file's bytes, fed in order, to CR LF line ends.
class LineEndConverter {
 public:
  // Appends the converted form of bytes to out.
  void convert(std::string_view bytes, std::string& out);
  // The bytes that end a converted file.
  static constexpr std::string_view kFinalLineEnd = "\r\n";

 private:
  bool lastWasCr_ = false;
};

}  // namespace crawlmeter
