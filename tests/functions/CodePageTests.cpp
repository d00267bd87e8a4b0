// The code-page seam behaves the same natively (the model) and on a Windows
// system running code page 936.
#include <gtest/gtest.h>

#include "CodePage.h"

namespace {

TEST(CodePageTest, LeadBytesOfCodePage936) {
  EXPECT_FALSE(codepage::IsLeadByte('a'));
  EXPECT_FALSE(codepage::IsLeadByte(0x80));
  EXPECT_TRUE(codepage::IsLeadByte(0x81));
  EXPECT_TRUE(codepage::IsLeadByte(0xB0));
  EXPECT_TRUE(codepage::IsLeadByte(0xFE));
  EXPECT_FALSE(codepage::IsLeadByte(0xFF));
}

TEST(CodePageTest, UpperCaseKeepsLengthAndDoubleByteCharacters) {
  EXPECT_EQ(codepage::UpperCase("<img src=a.gif>"), "<IMG SRC=A.GIF>");
  // "啊" (B0 A1) and a character whose trail byte is the letter "a" (81 61).
  EXPECT_EQ(codepage::UpperCase("\xb0\xa1x\x81" "ay"), "\xb0\xa1X\x81" "aY");
  EXPECT_EQ(codepage::UpperCase(""), "");
  const std::string mixed = "Src=\xc4\xe3\xba\xc3.Gif";
  EXPECT_EQ(codepage::UpperCase(mixed).size(), mixed.size());
}

TEST(CodePageTest, FindSkipsOccurrencesOnTrailBytes) {
  EXPECT_EQ(codepage::FindOnCharBoundary("\x81\\\\", "\\"), 2u);
  EXPECT_EQ(codepage::FindOnCharBoundary("\x81\\", "\\"), std::string::npos);
  EXPECT_EQ(codepage::FindOnCharBoundary("ab\x81" "ab", "ab", 1), std::string::npos);
  EXPECT_EQ(codepage::FindOnCharBoundary("abab", "ab", 1), 2u);
}

TEST(CodePageTest, LastDelimiterIgnoresTrailBytes) {
  EXPECT_EQ(codepage::FindLastDelimiter("C:\\pics\\a.gif", "\\:"), 7u);
  EXPECT_EQ(codepage::FindLastDelimiter("a\\\x81\\b", "\\:"), 1u);
  EXPECT_EQ(codepage::FindLastDelimiter("abc", "\\:"), std::string::npos);
}

TEST(CodePageTest, EndsWithBackslashOnlyOnACharacterOfItsOwn) {
  EXPECT_TRUE(codepage::EndsWithBackslash("C:\\"));
  EXPECT_TRUE(codepage::EndsWithBackslash("C:\\pics\\"));
  EXPECT_FALSE(codepage::EndsWithBackslash("C:\\pics"));
  EXPECT_FALSE(codepage::EndsWithBackslash(""));
  // 0x81 0x5C is one double-byte character whose trail byte is "\".
  EXPECT_FALSE(codepage::EndsWithBackslash("C:\\\x81\\"));
}

}  // namespace
