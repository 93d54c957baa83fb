// Messages keep the engine's words in English until they are shown, and then put them and their
// arguments into the wording's language: the window's Chinese or the command's gettext.
#include "base/wording.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/chinese_wording.h"
#include "base/error.h"

namespace crawlmeter {
namespace {

// A wording from a table, to see which texts a message asks to translate.
class TableWording final : public Wording {
 public:
  explicit TableWording(std::map<std::string, std::string> table) : table_(std::move(table)) {}
  std::string_view text(const char* english) const override {
    const auto found = table_.find(english);
    return found == table_.end() ? english : std::string_view(found->second);
  }

 private:
  std::map<std::string, std::string> table_;
};

TEST(WordingTest, ArgumentsGoWhereTheTranslationPutsThem) {
  const TableWording wording({{"%s of %s", "%2$s 的 %1$s"},
                              {"inner %s", "内 %s"},
                              {"100%% of %s", "%s 的全部"},
                              {"%s and %s", "%s 和 %s"}});
  const struct {
    Message message;
    std::string english, translated;
  } cases[] = {
      {Message("%s of %s", std::string("a"), std::string("b")), "a of b", "b 的 a"},
      {Message("%s and %s", Message("inner %s", std::string("%s")), std::string("x")),
       "inner %s and x", "内 %s 和 x"},
      {Message("100%% of %s", std::string("y")), "100% of y", "y 的全部"},
      // Without arguments a text stands as it is, '%' and all.
      {Message("50% off %APPDATA%"), "50% off %APPDATA%", "50% off %APPDATA%"},
      {Message::verbatim("%s of %s"), "%s of %s", "%s of %s"},
  };
  for (const auto& one : cases) {
    EXPECT_EQ(one.message.text(Wording()), one.english);
    EXPECT_EQ(one.message.text(wording), one.translated) << one.english;
  }
}

TEST(WordingTest, TheOwnWordsOfAFailureAreInTheWordingsLanguage) {
  const struct {
    Error error;
    std::string english, chinese;
  } cases[] = {
      {Error::of(Error::What::kReadOnly, "/a"), "The file is read-only", "文件是只读的"},
      {Error::of(Error::What::kCancelled, "/a"), "Cancelled", "已取消"},
      {Error{Error::What::kDecompress, "/a", 0,
             Message("%s: the compressed data is wrong at byte %s of the compressed file: %s",
                     std::string("gzip"), std::string("10"),
                     Message("the data is damaged (not a gzip member header)"))},
       "gzip: the compressed data is wrong at byte 10 of the compressed file: the data is damaged "
       "(not a gzip member header)",
       "gzip 压缩数据有误（压缩文件第 10 字节处）：数据已损坏（不是 gzip 成员的头部）"},
  };
  for (const auto& one : cases) {
    EXPECT_EQ(reasonText(one.error, Wording()), one.english);
    EXPECT_EQ(reasonText(one.error, ChineseWording()), one.chinese);
  }
}

}  // namespace
}  // namespace crawlmeter
