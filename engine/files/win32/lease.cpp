// The Win32 lease: a handle of the log's own that shares reading and deleting but not writing.
// Opening it fails with a sharing violation while another program has the log open to write, and
// while it is open no program can open the log to write. The handle must be the log's file
// (a log replaced under its name since it was read is not).
#include "files/lease.h"

#include "files/win32/system.h"

namespace crawlmeter {

WriteLease::WriteLease(const LogFile& file) : handle_(kNoHandle) {
  OwnedHandle own =
      openPath(file.path(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  FileIdentity identity;
  if (!own.valid() || !identityOfHandle(own.get(), &identity)) return;
  if (identity.device != file.identity().device || identity.inode != file.identity().inode) return;
  handle_ = asSystemHandle(own.release());
  taken_ = true;
}

bool WriteLease::held() const { return taken_; }

void WriteLease::release() {
  if (taken_) CloseHandle(asHandle(handle_));
  handle_ = kNoHandle;
  taken_ = false;
}

}  // namespace crawlmeter
