// Linux leases through fcntl; other systems have none.
#include "files/lease.h"

#include <fcntl.h>

#include <csignal>

namespace crawlmeter {

#if defined(F_SETLEASE) && defined(F_SETSIG)

WriteLease::WriteLease(const LogFile& file) : handle_(file.handle()) {
  const int fd = static_cast<int>(handle_);
  taken_ = fcntl(fd, F_SETSIG, SIGURG) == 0 && fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
}

bool WriteLease::held() const {
  return taken_ && fcntl(static_cast<int>(handle_), F_GETLEASE) == F_WRLCK;
}

void WriteLease::release() {
  if (taken_) fcntl(static_cast<int>(handle_), F_SETLEASE, F_UNLCK);
  taken_ = false;
}

#else

WriteLease::WriteLease(const LogFile& file) : handle_(file.handle()), taken_(true) {}

bool WriteLease::held() const { return taken_; }

void WriteLease::release() { taken_ = false; }

#endif

}  // namespace crawlmeter
