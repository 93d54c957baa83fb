// The set-up a program that runs counts gives its process, once, in main() before any thread
// starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace crawlmeter {

// Raises the limit of open files (a run holds every log it counts open until it ends) and keeps
// the memory a run frees for the run's next use instead of handing it back to the system.
void setUpProcessForRuns();

// Gives the system back the heap memory freed so far: a compile's scratch (the crawler catalogue's
// search is built in several megabytes it frees) would otherwise stay in the process beside the
// memory the counting threads take, which glibc keeps in heaps of their own.
void releaseFreedMemory();

// The machine's physical memory in bytes (a gigabyte when the system does not tell).
std::uint64_t physicalMemoryBytes();

// The process's environment variable name, as UTF-8; nullopt when it is not set.
std::optional<std::string> environmentText(const char* name);

}  // namespace crawlmeter
