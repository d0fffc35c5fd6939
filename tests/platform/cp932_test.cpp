#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace tamsel {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(Cp932, MessageBytesArePinned) {
  // A broken or wrongly configured conversion shows here first.
  EXPECT_EQ(Cp932("不正な２バイト文字コードです。"),
            Bytes({0x95, 0x73, 0x90, 0xB3, 0x82, 0xC8, 0x82, 0x51, 0x83, 0x6F,
                   0x83, 0x43, 0x83, 0x67, 0x95, 0xB6, 0x8E, 0x9A, 0x83, 0x52,
                   0x81, 0x5B, 0x83, 0x68, 0x82, 0xC5, 0x82, 0xB7, 0x81, 0x42}));
}

TEST(Cp932, CodePage932MappingsRoundTrip) {
  // Characters where code page 932 differs from plain Shift-JIS, the
  // extensions, half-width katakana and ASCII.
  struct Case {
    const char* utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"～", Bytes({0x81, 0x60})},  // U+FF5E
      {"－", Bytes({0x81, 0x7C})},  // U+FF0D
      {"∥", Bytes({0x81, 0x61})},   // U+2225
      {"￢", Bytes({0x81, 0xCA})},  // U+FFE2
      {"①", Bytes({0x87, 0x40})},   // NEC special characters
      {"髙", Bytes({0xFB, 0xFC})},  // IBM extensions
      {"ｱﾟ", Bytes({0xB1, 0xDF})}, {"a\\~", "a\\~"}, {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
  }
}

TEST(Cp932, Utf8ToCp932RejectsWhatCodePage932CannotHold) {
  struct Case {
    std::string utf8;
    std::string where;  // the character or byte and its place, in the message
  };
  const Case cases[] = {
      {"𠀋", "U+2000B (byte 1)"},
      {"a😀b", "U+1F600 (byte 2)"},
      {"あ\xFF", "0xFF (byte 4)"},    // not UTF-8
      {"\xE3\x81", "0xE3 (byte 1)"},  // cut off
  };
  for (const auto& c : cases) {
    try {
      Utf8ToCp932(c.utf8);
      ADD_FAILURE() << "no error for " << c.where;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message().rfind(Cp932("文字コード932で表せない文字です"), 0), 0u) << c.where;
      EXPECT_NE(e.Message().find(c.where), std::string::npos) << c.where;
    }
  }
}

TEST(Cp932, Cp932ToUtf8StrictOrLenient) {
  struct Case {
    std::string cp932;
    std::string lenient;
  };
  const Case cases[] = {
      {Bytes({0x82, 0xA0, 0xFF, 'A'}), "あ\uFFFDA"},
      {Bytes({'a', 0x82}), "a\uFFFD"},                  // a lead byte cut off by the end
      {Bytes({0x82, 0x40, 'b'}), "\uFFFDb"},            // an unassigned pair is one character
      {Bytes({0x82, '\n', 'A'}), "\uFFFD\nA"},          // a lead byte without a trail byte
      {Bytes({0x82, '\r', 0x82, 0xA0}), "\uFFFD\rあ"},  //
  };
  for (const auto& c : cases) {
    EXPECT_THROW(Cp932ToUtf8(c.cp932), EConvertError);
    EXPECT_EQ(Cp932ToUtf8(c.cp932, true), c.lenient);
  }
}

TEST(Cp932, LeadBytes) {
  int count = 0;
  for (int b = 0; b < 256; ++b) count += IsDBCSLeadByte(static_cast<unsigned char>(b));
  EXPECT_EQ(count, (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));
  for (int b : {0x81, 0x9F, 0xE0, 0xFC})
    EXPECT_TRUE(IsDBCSLeadByte(static_cast<unsigned char>(b))) << b;
  for (int b : {0x00, 0x5C, 0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF}) {
    EXPECT_FALSE(IsDBCSLeadByte(static_cast<unsigned char>(b))) << b;
  }
}

}  // namespace
}  // namespace tamsel
