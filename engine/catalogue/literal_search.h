// Finds many literal texts in one pass over a stretch of bytes and reports every occurrence by
// its end, in the order of their ends. Hyperscan's literal matcher where the build has it (its
// SIMD search is several times faster); elsewhere (Windows, machines Hyperscan does not support)
// an Aho-Corasick automaton that finds the same occurrences.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace crawlmeter {

class LiteralSearch {
 public:
  struct Text {
    std::string bytes;  // not empty
    std::uint32_t id;
  };
  // Compiles the texts once; throws std::bad_alloc when memory runs out.
  explicit LiteralSearch(const std::vector<Text>& texts);
  ~LiteralSearch();
  LiteralSearch(const LiteralSearch&) = delete;
  LiteralSearch& operator=(const LiteralSearch&) = delete;

  // The compiled texts, and what one thread's searches need of their own: each implementation's.
  struct Compiled;
  struct Scratch;
  std::unique_ptr<Scratch, void (*)(Scratch*)> newScratch() const;

  // Calls found(id, end, user) for every occurrence of a text in bytes (less than 4 GiB), in
  // the order of their ends (occurrences with one end in any order).
  using Found = void (*)(std::uint32_t id, std::uint64_t end, void* user);
  void scan(std::string_view bytes, Scratch& scratch, Found found, void* user) const;

 private:
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace crawlmeter
