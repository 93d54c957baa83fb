// A write lease on an open log file: the kernel grants it only while no other open file refers to
// the log, and breaks it as soon as another program opens the log. Holding it while replacing the
// log tells that no program (a web server, say) has the log open and would go on writing to the
// file the replacement takes the name of.
//
// The kernel announces a broken lease with a signal; the lease asks for SIGURG, which is ignored
// unless a program handles it, so that a break never ends the process (the default signal, SIGIO,
// would). held() asks the kernel instead. Where the system has no leases, held() is true and only
// the caller's identity checks guard the replacement.
//
// On Windows the lease is a handle of the log's own that lets other programs read the log but not
// write it: it cannot be had while a program has the log open to write (a sharing violation), and
// while it is held no program can open the log to write.
#pragma once

#include "files/log_file.h"

namespace crawlmeter {

class WriteLease {
 public:
  // Tries to take a write lease on file, which must be the run's only open file of the log.
  explicit WriteLease(const LogFile& file);
  ~WriteLease() { release(); }
  WriteLease(const WriteLease&) = delete;
  WriteLease& operator=(const WriteLease&) = delete;

  // Whether the lease was granted and nobody has opened the log since.
  bool held() const;
  // Gives the lease up at once, so that a program waiting to open the log goes on.
  void release();

 private:
  SystemHandle handle_;
  bool taken_ = false;
};

}  // namespace crawlmeter
