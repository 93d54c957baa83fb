// Code page 936 character structure and conversions.
#include "codec/cp936.h"

#include <gtest/gtest.h>

namespace crawlmeter {
namespace {

TEST(Cp936Test, DecodesAsciiAndTwoByteCharactersAndTheEuroSign) {
  EXPECT_EQ(*decodeCp936("25/Aug/2009"), "25/Aug/2009");
  EXPECT_EQ(*decodeCp936("\xC8\xD5\xC6\xDA"), "日期");
  EXPECT_EQ(*decodeCp936("\x80"), "€");
}

TEST(Cp936Test, UndecodableCharactersBecomeReplacementCharacters) {
  EXPECT_EQ(*decodeCp936("a\xFF"
                         "b"),
            "a\xEF\xBF\xBD"
            "b");
  // A lead byte without a second byte is one character by itself.
  EXPECT_EQ(*decodeCp936("a\xC8"), "a\xEF\xBF\xBD");
  EXPECT_EQ(*decodeCp936("\xC8:"), "\xEF\xBF\xBD:");
}

TEST(Cp936Test, EncodesChineseAndReplacesWhatItCannotHold) {
  EXPECT_EQ(*encodeCp936("日期 1"), "\xC8\xD5\xC6\xDA 1");
  EXPECT_EQ(*encodeCp936("a😀b"), "a?b");
  EXPECT_EQ(*encodeCp936("a\xE4"
                         "b"),
            "a?b");  // not UTF-8: the stray byte alone is replaced
  EXPECT_EQ(*encodeCp936(*decodeCp936("\xC8\xD5\x80")), "\xC8\xD5\x80");
}

TEST(Cp936Test, CharacterLengthFollowsLeadAndSecondBytes) {
  EXPECT_EQ(characterLength("\x81\x40", 0), 2u);
  EXPECT_EQ(characterLength("\x81\x7F", 0), 1u);  // 0x7F is no second byte
  EXPECT_EQ(characterLength("\x81[", 0), 2u);     // '[' can be a second byte
  EXPECT_EQ(characterLength("\x81", 0), 1u);
  EXPECT_EQ(characterLength("\x80\x40", 0), 1u);  // 0x80 is no lead byte
  EXPECT_EQ(characterLength("\xFF\x40", 0), 1u);
}

}  // namespace
}  // namespace crawlmeter
