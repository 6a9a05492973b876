// Code page identification, conversion and upper-casing.
#include <gtest/gtest.h>

#include "platform/dbase/codepage.h"
#include "platform/dbase/errors.h"

namespace quillary::dbase {
namespace {

TEST(CodePage, LanguageDriverBytes) {
  struct {
    uint8_t driver;
    std::optional<CodePage> cp;
  } cases[] = {{0x01, CodePage::Cp437},       {0x02, CodePage::Cp850},       {0x03, CodePage::Windows1252},
               {0x57, CodePage::Windows1252}, {0x64, CodePage::Cp852},       {0x65, CodePage::Cp866},
               {0xC8, CodePage::Windows1250}, {0xC9, CodePage::Windows1251}, {0x00, std::nullopt},
               {0x7B, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(CodePageFromLanguageDriver(c.driver), c.cp) << int(c.driver);
}

TEST(CodePage, CpgTexts) {
  struct {
    const char* text;
    std::optional<CodePage> cp;
  } cases[] = {{"UTF-8", CodePage::Utf8},        {"utf-8\r\n", CodePage::Utf8},       {"1252", CodePage::Windows1252},
               {"ANSI 1251", CodePage::Windows1251}, {"OEM 850", CodePage::Cp850},    {"CP866", CodePage::Cp866},
               {"  852 ", CodePage::Cp852},      {"garbage", std::nullopt},          {"", std::nullopt},
               {"99999999999", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(CodePageFromCpgText(c.text), c.cp) << c.text;
}

TEST(CodePage, ConversionsBothWays) {
  EXPECT_EQ(ToUtf8(CodePage::Cp437, "\x81\x9b"), "ü¢");
  EXPECT_EQ(ToUtf8(CodePage::Cp866, "\x8f\xe0\xa8"), "При");
  EXPECT_EQ(ToUtf8(CodePage::Windows1250, "\x8a"), "Š");
  EXPECT_EQ(FromUtf8(CodePage::Windows1252, "€ü"), "\x80\xfc");
  EXPECT_EQ(FromUtf8(CodePage::Cp852, "ł"), "\x88");
  EXPECT_THROW(FromUtf8(CodePage::Windows1252, "Ω"), ValueError);
  EXPECT_THROW(FromUtf8(CodePage::Utf8, "\xff"), ValueError);
  EXPECT_EQ(ToUtf8(CodePage::Utf8, "a\xffz"), "a\xef\xbf\xbdz");
  for (int b = 0; b < 256; ++b) {  // every single byte survives a round trip
    std::string s(1, char(b));
    EXPECT_EQ(FromUtf8(CodePage::Cp850, ToUtf8(CodePage::Cp850, s)), s) << b;
  }
}

TEST(CodePage, UpperCasing) {
  EXPECT_EQ(UpperBytes(CodePage::Utf8, "straße ärger ı"), "STRAßE ÄRGER I");  // ı shrinks to one byte
  EXPECT_EQ(UpperBytes(CodePage::Utf8, "ab\xff\xc3" "cd\xc3\xa9"), "AB\xff\xc3" "CD\xc3\x89");  // stray bytes stay
  EXPECT_EQ(UpperBytes(CodePage::Utf8, "\xc3\xa9t\xc3\xa9 z"), "\xc3\x89T\xc3\x89 Z");
  EXPECT_EQ(UpperBytes(CodePage::Utf8, ""), "");
  EXPECT_EQ(UpperBytes(CodePage::Windows1252, "\xe4\xff"), "\xc4\x9f");  // ä->Ä, ÿ->Ÿ
  EXPECT_EQ(UpperBytes(CodePage::Cp437, "\x84"), "\x8e");                // ä->Ä
  EXPECT_EQ(UpperBytes(CodePage::Cp437, "\xa0"), "\xa0");                // á has no capital in 437
  EXPECT_EQ(UpperBytes(CodePage::Cp866, "\xa0"), "\x80");                // а->А
}

TEST(CodePage, CharacterBoundaries) {
  EXPECT_EQ(CutOnBoundary(CodePage::Utf8, "aé", 2), 1u);
  EXPECT_EQ(CutOnBoundary(CodePage::Utf8, "a€", 3), 1u);
  EXPECT_EQ(CutOnBoundary(CodePage::Utf8, "a€", 4), 4u);
  EXPECT_EQ(CutOnBoundary(CodePage::Cp850, "abc", 2), 2u);
  EXPECT_EQ(CharCount(CodePage::Utf8, "a€é"), 3u);
  EXPECT_EQ(ByteOffsetOfChar(CodePage::Utf8, "a€é", 2), 4u);
}

}  // namespace
}  // namespace quillary::dbase
