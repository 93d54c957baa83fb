// Finds many literal texts in one pass over a stretch of bytes and reports every occurrence by
// its end, in the order of their ends. Hyperscan's literal matcher where the build has it (its
// SIMD search is several times faster); elsewhere (Windows, machines Hyperscan does not support)
// an Aho-Corasick automaton that finds the same occurrences.
//
// A text may match in any letter case: then every ASCII letter folds, those of two-byte characters
// too (the search knows nothing of characters: the caller checks those bytes).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace crawlmeter {

class LiteralSearch {
 public:
  struct Text {
    std::string bytes;  // not empty
    std::uint32_t id;
    bool anyCase = false;  // ASCII letters match in either case
  };
  // The compiled texts, and what one thread's searches need of their own: each implementation's.
  struct Compiled;
  struct Scratch;
  using ScratchPointer = std::unique_ptr<Scratch, void (*)(Scratch*)>;

  // Compiles the texts once; fails with kResources when the memory for it cannot be had.
  static Expected<std::unique_ptr<LiteralSearch>> compile(const std::vector<Text>& texts);
  ~LiteralSearch();
  LiteralSearch(const LiteralSearch&) = delete;
  LiteralSearch& operator=(const LiteralSearch&) = delete;

  // What one thread needs to search; fails with kResources as compile does.
  Expected<ScratchPointer> newScratch() const;

  // Calls found(id, end, user) for every occurrence of a text in bytes (less than 4 GiB), in
  // the order of their ends (occurrences with one end in any order).
  using Found = void (*)(std::uint32_t id, std::uint64_t end, void* user);
  void scan(std::string_view bytes, Scratch& scratch, Found found, void* user) const;

 private:
  explicit LiteralSearch(std::unique_ptr<Compiled> compiled);
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace crawlmeter
