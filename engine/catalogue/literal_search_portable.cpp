// The literal search as an Aho-Corasick automaton with a full table of moves: one table look-up a
// byte, whatever the number of texts (a catalogue of a hundred texts makes about 1,300 states,
// a table of about 1.3 MB). Texts in any letter case have an automaton of their own, which reads
// each byte with its ASCII letter lowered, so the search of exact texts stays one look-up a byte.
#include <algorithm>
#include <array>
#include <deque>

#include "catalogue/literal_search.h"

namespace crawlmeter {
namespace {

constexpr std::size_t kByteValues = 256;
using State = std::uint32_t;

unsigned char lowered(unsigned char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

struct Automaton {
  std::vector<State> moves;  // kByteValues a state
  // The texts that end at each state (its own, then those of its longest proper suffix that is
  // a state), as a range of found.
  std::vector<std::uint32_t> foundStart;  // one more than there are states
  std::vector<std::uint32_t> found;

  bool empty() const { return found.empty(); }
  State addState() {
    moves.resize(moves.size() + kByteValues, 0);
    return static_cast<State>(moves.size() / kByteValues - 1);
  }
  State& move(State state, unsigned char byte) { return moves[state * kByteValues + byte]; }
};

}  // namespace

struct LiteralSearch::Compiled {
  Automaton exact;
  Automaton anyCase;  // its texts and the bytes it reads with ASCII letters lowered
};

struct LiteralSearch::Scratch {};

namespace {

// The trie of the texts, with the texts that end at each of its states.
std::vector<std::vector<std::uint32_t>> buildTrie(Automaton& automaton,
                                                  const std::vector<LiteralSearch::Text>& texts,
                                                  bool anyCase) {
  automaton.addState();
  std::vector<std::vector<std::uint32_t>> endingAt(1);
  for (const LiteralSearch::Text& text : texts) {
    if (text.anyCase != anyCase) continue;
    State state = 0;
    for (const char c : text.bytes) {
      const auto byte =
          anyCase ? lowered(static_cast<unsigned char>(c)) : static_cast<unsigned char>(c);
      if (automaton.move(state, byte) == 0) {
        const State added = automaton.addState();  // moves the table: no reference held over it
        automaton.move(state, byte) = added;
        endingAt.emplace_back();
      }
      state = automaton.move(state, byte);
    }
    endingAt[state].push_back(text.id);
  }
  return endingAt;
}

// Breadth first, each state's missing moves become its suffix state's, and its texts take in
// those of its suffix state, which is nearer the root and so already complete.
void buildAutomaton(Automaton& automaton, const std::vector<LiteralSearch::Text>& texts,
                    bool anyCase) {
  std::vector<std::vector<std::uint32_t>> endingAt = buildTrie(automaton, texts, anyCase);
  std::vector<State> suffix(endingAt.size(), 0);
  std::deque<State> pending;
  for (std::size_t byte = 0; byte < kByteValues; ++byte) {
    if (const State next = automaton.move(0, static_cast<unsigned char>(byte))) {
      pending.push_back(next);
    }
  }
  while (!pending.empty()) {
    const State state = pending.front();
    pending.pop_front();
    const std::vector<std::uint32_t>& inherited = endingAt[suffix[state]];
    endingAt[state].insert(endingAt[state].end(), inherited.begin(), inherited.end());
    for (std::size_t byte = 0; byte < kByteValues; ++byte) {
      const auto b = static_cast<unsigned char>(byte);
      const State fallback = automaton.move(suffix[state], b);
      State& next = automaton.move(state, b);
      if (next == 0) {
        next = fallback;
      } else {
        suffix[next] = fallback;
        pending.push_back(next);
      }
    }
  }
  for (const std::vector<std::uint32_t>& ids : endingAt) {
    automaton.foundStart.push_back(static_cast<std::uint32_t>(automaton.found.size()));
    automaton.found.insert(automaton.found.end(), ids.begin(), ids.end());
  }
  automaton.foundStart.push_back(static_cast<std::uint32_t>(automaton.found.size()));
}

}  // namespace

Expected<std::unique_ptr<LiteralSearch>> LiteralSearch::compile(const std::vector<Text>& texts) {
  auto compiled = std::make_unique<Compiled>();
  buildAutomaton(compiled->exact, texts, false);
  buildAutomaton(compiled->anyCase, texts, true);
  return std::unique_ptr<LiteralSearch>(new LiteralSearch(std::move(compiled)));
}

LiteralSearch::LiteralSearch(std::unique_ptr<Compiled> compiled) : compiled_(std::move(compiled)) {}

LiteralSearch::~LiteralSearch() = default;

Expected<LiteralSearch::ScratchPointer> LiteralSearch::newScratch() const {
  return ScratchPointer(new Scratch, [](Scratch* scratch) { delete scratch; });
}

namespace {

// One automaton's step over a byte, reporting the texts that end there.
// Raw pointers, which the compiler keeps in registers across the calls of found.
struct Walker {
  explicit Walker(const Automaton& automaton)
      : moves(automaton.moves.data()),
        foundStart(automaton.foundStart.data()),
        texts(automaton.found.data()) {}

  void step(unsigned char byte, std::uint64_t end, LiteralSearch::Found found, void* user) {
    state = moves[state * kByteValues + byte];
    for (std::uint32_t i = foundStart[state]; i < foundStart[state + 1]; ++i) {
      found(texts[i], end, user);
    }
  }

  const State* moves;
  const std::uint32_t* foundStart;
  const std::uint32_t* texts;
  State state = 0;
};

}  // namespace

void LiteralSearch::scan(std::string_view bytes, Scratch&, Found found, void* user) const {
  Walker exact(compiled_->exact);
  if (compiled_->anyCase.empty()) {  // the common case keeps its one look-up a byte
    for (std::size_t at = 0; at < bytes.size(); ++at)
      exact.step(static_cast<unsigned char>(bytes[at]), at + 1, found, user);
    return;
  }
  Walker anyCase(compiled_->anyCase);
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    exact.step(byte, at + 1, found, user);
    anyCase.step(lowered(byte), at + 1, found, user);
  }
}

}  // namespace crawlmeter
