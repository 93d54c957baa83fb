// The literal search on Hyperscan's literal matcher, in block mode: each stretch is searched on
// its own.
#include <hs/hs.h>

#include <string>

#include "catalogue/literal_search.h"

namespace crawlmeter {

struct LiteralSearch::Compiled {
  hs_database_t* database = nullptr;
  ~Compiled() { hs_free_database(database); }
};

struct LiteralSearch::Scratch {
  hs_scratch_t* scratch = nullptr;
};

namespace {

Error noMemory(const char* english) {
  return Error::described(Error::What::kResources, {}, Message(english));
}

}  // namespace

Expected<std::unique_ptr<LiteralSearch>> LiteralSearch::compile(const std::vector<Text>& texts) {
  auto compiled = std::make_unique<Compiled>();
  if (!texts.empty()) {
    std::vector<const char*> starts;
    std::vector<std::size_t> lengths;
    std::vector<unsigned> ids;
    std::vector<unsigned> flags;
    for (const Text& text : texts) {
      starts.push_back(text.bytes.data());
      lengths.push_back(text.bytes.size());
      ids.push_back(text.id);
      flags.push_back(text.anyCase ? HS_FLAG_CASELESS : 0);
    }
    hs_compile_error_t* error = nullptr;
    // The texts are not empty, so a failure here is a lack of memory.
    if (hs_compile_lit_multi(starts.data(), flags.data(), ids.data(), lengths.data(),
                             static_cast<unsigned>(texts.size()), HS_MODE_BLOCK, nullptr,
                             &compiled->database, &error) != HS_SUCCESS) {
      hs_free_compile_error(error);
      return noMemory(translatable("not enough memory to compile the crawler texts (Hyperscan)"));
    }
  }
  return std::unique_ptr<LiteralSearch>(new LiteralSearch(std::move(compiled)));
}

LiteralSearch::LiteralSearch(std::unique_ptr<Compiled> compiled) : compiled_(std::move(compiled)) {}

LiteralSearch::~LiteralSearch() = default;

Expected<LiteralSearch::ScratchPointer> LiteralSearch::newScratch() const {
  auto free = [](Scratch* scratch) {
    hs_free_scratch(scratch->scratch);
    delete scratch;
  };
  ScratchPointer own(new Scratch, free);
  if (compiled_->database != nullptr &&
      hs_alloc_scratch(compiled_->database, &own->scratch) != HS_SUCCESS) {
    return noMemory(translatable("not enough memory to prepare the crawler search (Hyperscan)"));
  }
  return own;
}

namespace {

struct Reporter {
  LiteralSearch::Found found;
  void* user;
};

}  // namespace

void LiteralSearch::scan(std::string_view bytes, Scratch& scratch, Found found, void* user) const {
  if (compiled_->database == nullptr || bytes.empty()) return;
  Reporter reporter{found, user};
  auto onMatch = [](unsigned int id, unsigned long long, unsigned long long to, unsigned int,
                    void* context) -> int {
    auto& report = *static_cast<Reporter*>(context);
    report.found(id, to, report.user);
    return 0;
  };
  hs_scan(compiled_->database, bytes.data(), static_cast<unsigned>(bytes.size()), 0,
          scratch.scratch, onMatch, &reporter);
}

}  // namespace crawlmeter
