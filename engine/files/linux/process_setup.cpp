// Process set-up for runs. Each piece of a log builds hour tables of a megabyte or more and frees
// them when it ends. By default glibc gives such memory back to the system at once, and the next
// piece takes it again a page at a time; on a virtual machine a first touch of a page costs more
// than counting the lines in it (measured: 8,000 page faults were a tenth of the time of a 1 GiB
// run; kept memory halves them, and the peak stays what it was).
#include "files/process_setup.h"

#include <cstdlib>  // defines __GLIBC__ on glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <unistd.h>

#include "files/log_file.h"

namespace crawlmeter {
namespace {

#if defined(__GLIBC__)
// Blocks up to this size come from the heap, where a freed one is reused: glibc's own ceiling
// for the threshold it otherwise moves by itself.
constexpr int kLargestHeapBlock = 32 << 20;
// Free memory at the top of a heap is given back only beyond this.
constexpr int kKeptFreeBytes = 64 << 20;
#endif

}  // namespace

void setUpProcessForRuns() {
  allowManyOpenFiles();
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
#endif
}

void releaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

std::optional<std::string> environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

std::uint64_t physicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageBytes <= 0) return std::uint64_t{1} << 30;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageBytes);
}

}  // namespace crawlmeter
