#include "regex/front/dbchar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

// Runs f and returns the ERegExpParser it raises (fails the test otherwise).
template <typename F>
ERegExpParser Raised(F f) {
  try {
    f();
  } catch (const ERegExpParser& e) {
    return e;
  }
  ADD_FAILURE() << "no ERegExpParser";
  return ERegExpParser("", 0);
}

TEST(DbcharMessages, TextsAreExact) {
  struct Case {
    const std::string& actual;
    const char* utf8;
  };
  const Case cases[] = {
      {msg::InvalidDoubleByte(), "不正な２バイト文字コードです。"},
      {msg::NeedCharAfterBackslash(), "\"\\\"の次には文字が必要です。"},
      {msg::InvalidHex(), "不正な１６進数コード表記です。"},
      {msg::InvalidOctal(), "不正な８進数コード表記です。"},
      {msg::NeedRightBracket(), "右ブラケット\"]\"が必要です"},
      {msg::InvalidRange(), "不正なキャラクタ範囲です"},
      {msg::ExtraCharacters(), "正規表現に余分な文字があります"},
      {msg::NeedRightParen(), "右(閉じ)括弧が必要です"},
      {msg::NeedCharOrLeftParen(), "普通の文字、または左括弧\"(\"が必要です"},
      {msg::InvalidCharClass(), "不正なキャラクタクラス指定です。"},
      {msg::NestingTooDeep(), "正規表現の括弧の入れ子が深すぎます"},
      {msg::PatternTooComplex(), "正規表現が複雑すぎます"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, J(c.utf8)) << c.utf8;
  // The backslash message starts with a backslash between two double quotes.
  EXPECT_EQ(msg::NeedCharAfterBackslash().substr(0, 3), "\"\\\"");
}

TEST(DbcharMessages, PositionIsKeptModulo65536) {
  EXPECT_EQ(ERegExpParser("x", static_cast<uint16_t>(70001)).Position, 70001 % 65536);
  // The same through a reader: a lead byte at index 70001.
  std::string s(70000, 'a');
  s += '\x82';
  int32_t index = 70001;
  ERegExpParser e = Raised([&] { GetWChar(s, index); });
  EXPECT_EQ(e.Position, 70001 - 65536);
  EXPECT_EQ(e.Message(), msg::InvalidDoubleByte());
}

TEST(DbcharDigits, HexAndOctalDigitValues) {
  struct Case {
    WChar c;
    int hex, oct;
  };
  const Case cases[] = {{'0', 0, 0},     {'7', 7, 7},
                        {'8', 8, -1},    {'9', 9, -1},
                        {'A', 10, -1},   {'F', 15, -1},
                        {'a', 10, -1},   {'f', 15, -1},
                        {'G', -1, -1},   {'g', -1, -1},
                        {'/', -1, -1},   {':', -1, -1},
                        {0, -1, -1},     {0x8250, -1, -1} /* full-width 1 */,
                        {0x3041, -1, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(HexWCharToInt(c.c), c.hex) << c.c;
    EXPECT_EQ(OctWCharToInt(c.c), c.oct) << c.c;
  }
}

TEST(DbcharRead, GetWCharReadsOneCharacter) {
  struct Case {
    std::string s;
    int32_t index;
    WChar result;
    int32_t after;
  };
  const Case cases[] = {
      {"\x82\xA0", 1, 0x82A0, 3},          // あ
      {"a\x82\xA0", 2, 0x82A0, 4},         //
      {"\x81\x81\x81\x81", 3, 0x8181, 5},  // trail byte in the lead-byte range
      {"\xFC\xFC", 1, 0xFCFC, 3},          //
      {"\xB1", 1, 0xB1, 2},                // half-width katakana is one byte
      {"\xA0\x80\xFD", 1, 0xA0, 2},        // not lead bytes
      {"\xA0\x80\xFD", 2, 0x80, 3},        //
      {"\xA0\x80\xFD", 3, 0xFD, 4},        //
      {"ab", 2, 'b', 3},                   //
      {"ab", 3, 0, 3},                     // at the end
      {"ab", 0, 0, 0},                     // before the start
      {"ab", -5, 0, -5},                   //
      {"ab", 9, 0, 9},                     // beyond the end
      {std::string("a\0b", 3), 2, 0, 3},   // a zero byte reads as 0 but is passed
      {"", 1, 0, 1},
  };
  for (const auto& c : cases) {
    int32_t index = c.index;
    EXPECT_EQ(GetWChar(c.s, index), c.result) << c.s << " @" << c.index;
    EXPECT_EQ(index, c.after) << c.s << " @" << c.index;
  }
}

TEST(DbcharRead, GetWCharRejectsLeadByteAtTheEnd) {
  struct Case {
    std::string s;
    int32_t index;
  };
  const Case cases[] = {{"\x82", 1}, {"ab\xE0", 3}, {"\x82\xA0\x81", 3}};
  for (const auto& c : cases) {
    int32_t index = c.index;
    ERegExpParser e = Raised([&] { GetWChar(c.s, index); });
    EXPECT_EQ(e.Message(), J("不正な２バイト文字コードです。"));
    EXPECT_EQ(e.Position, c.index);
  }
}

TEST(DbcharRead, UnGetWCharStepsBackOneCharacter) {
  struct Case {
    std::string s;
    int32_t index, after;
  };
  const Case cases[] = {
      {"\x81\x81\x81\x81", 5, 3},  // ＝＝
      {"\x81\x81\x81\x81", 3, 1},  //
      {"ab", 2, 1},                //
      {"ab", 3, 2},                //
      {"ab", 1, 1},                // nothing before
      {"ab", 0, 0},                //
      {"ab", -3, -3},              //
      {"a\x82\xA0", 4, 2},         // aあ
      {"\x82\xA0"
       "a",
       4, 3},  // あa
      {"x\x81\x81"
       "a",
       4, 2},  // x＝a
      {"x\x81\x81"
       "a",
       5, 4},  //
      {"\x81\x81\x81"
       "a",
       5, 3},                  // the run of lead bytes decides: 0x81 0x81, 0x81 'a'
      {"\x83\x5C\x5C", 4, 3},  // ソ then a backslash
      {"\x83\x5C\x5C", 3, 1},  //
  };
  for (const auto& c : cases) {
    int32_t index = c.index;
    UnGetWChar(c.s, index);
    EXPECT_EQ(index, c.after) << "@" << c.index;
  }
}

TEST(DbcharRead, UnGetWCharUndoesEveryGetWChar) {
  // Trail bytes in the lead-byte range (＝ 8181, ー 815B) and in the ASCII range
  // (ソ 835C, 表 955C), half-width katakana and plain bytes, mixed.
  const std::vector<std::string> texts = {
      J("＝＝ア表ｱa＝"),          J("ーー\\ー"),        J("ソ\\表\\"), J("ｱｲ＝ｳ＝＝"),
      "\x81\x81\x81\x40\x81\x81", J("a＝b＝＝c＝＝＝"),
  };
  for (const auto& s : texts) {
    std::vector<int32_t> starts;
    int32_t index = 1;
    while (true) {
      starts.push_back(index);
      if (GetWChar(s, index) == 0) break;
    }
    starts.pop_back();  // index is now Length + 1
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
      UnGetWChar(s, index);
      EXPECT_EQ(index, *it) << "text " << &s - &texts[0];
    }
  }
}

TEST(DbcharRead, PCharGetWCharStopsAtTheTerminator) {
  const char* text =
      "\x82\xA0"
      "a";
  const char* p = text;
  EXPECT_EQ(PCharGetWChar(p), 0x82A0);
  EXPECT_EQ(p, text + 2);
  EXPECT_EQ(PCharGetWChar(p), 'a');
  EXPECT_EQ(p, text + 3);
  EXPECT_EQ(PCharGetWChar(p), 0);
  EXPECT_EQ(p, text + 3);

  // A lead byte cut off by the terminator comes alone; the pointer then rests
  // on the terminator.
  const char* cut = "a\x82";
  p = cut;
  EXPECT_EQ(PCharGetWChar(p), 'a');
  EXPECT_EQ(PCharGetWChar(p), 0x82);
  EXPECT_EQ(p, cut + 2);
  EXPECT_EQ(PCharGetWChar(p), 0);
  EXPECT_EQ(p, cut + 2);
}

TEST(DbcharWrite, WCharToStr) {
  struct Case {
    WChar w;
    std::string s;
  };
  const Case cases[] = {
      {0x41, "A"},
      {0x4142, "B"},  // a high byte that is no lead byte is dropped
      {0x82A0, "\x82\xA0"},
      {0x8181, "\x81\x81"},
      {0xB1, "\xB1"},
      {0xFFFF, "\xFF"},
      {0, std::string(1, '\0')},
  };
  for (const auto& c : cases) EXPECT_EQ(WCharToStr(c.w), c.s) << c.w;
}

TEST(DbcharEscape, GetQuotedWCharDecodes) {
  // Each text starts with the backslash; reading starts just past it.
  struct Case {
    std::string s;
    WChar result;
    int32_t after;
  };
  const Case cases[] =
      {
          {"\\b", 8, 3},           {"\\n", 10, 3},         {"\\r", 13, 3},
          {"\\t", 9, 3},           {"\\x41", 0x41, 5},     {"\\xfF", 0xFF, 5},
          {"\\x12345", 0x1234, 7},  // a fifth digit is left for the next reader
          {"\\x4g", 4, 4},         {"\\xFFFF", 0xFFFF, 7}, {"\\101", 0x41, 5},
          {"\\0", 0, 3},           {"\\08", 0, 3},         {"\\1234567", 0xA72E, 8},
          {"\\177777", 0xFFFF, 8}, {"\\X", 'X', 3},        {"\\N", 'N', 3},
          {"\\a", 'a', 3},         {"\\e", 'e', 3},        {"\\f", 'f', 3},
          {"\\v", 'v', 3},         {"\\8", '8', 3},        {"\\9", '9', 3},
          {"\\\\", '\\', 3},       {"\\*", '*', 3},        {"\\]", ']', 3},
          {J("\\あ"), 0x82A0, 4},  {J("\\ソ"), 0x835C, 4},
      };
  for (const auto& c : cases) {
    int32_t index = 2;
    EXPECT_EQ(GetQuotedWChar(c.s, index), c.result) << c.s;
    EXPECT_EQ(index, c.after) << c.s;
  }
}

TEST(DbcharEscape, MalformedEscapesFailWithPosition) {
  struct Case {
    std::string s;
    const char* message;
    int32_t position;
  };
  const Case cases[] = {
      {"\\", "\"\\\"の次には文字が必要です。", 2},
      {"\\x", "不正な１６進数コード表記です。", 3},
      {"\\xg", "不正な１６進数コード表記です。", 4},
      {J("\\xあ"), "不正な１６進数コード表記です。", 5},
      {"\\200000", "不正な８進数コード表記です。", 8},
      {"\\400000", "不正な８進数コード表記です。", 8},
      {"\\777777", "不正な８進数コード表記です。", 8},
      {"\\1\x82", "不正な２バイト文字コードです。", 3},
      {"\\\x82", "不正な２バイト文字コードです。", 2},
  };
  for (const auto& c : cases) {
    int32_t index = 2;
    ERegExpParser e = Raised([&] { GetQuotedWChar(c.s, index); });
    EXPECT_EQ(e.Message(), J(c.message)) << c.s;
    EXPECT_EQ(e.Position, c.position) << c.s;
  }
}

TEST(DbcharEscape, DigitReadersNeedOneDigit) {
  struct Case {
    bool hex;
    std::string s;
    int32_t position;
  };
  const Case cases[] = {{true, "", 1}, {true, "z", 2}, {false, "", 1}, {false, "9", 2}};
  for (const auto& c : cases) {
    int32_t index = 1;
    ERegExpParser e = Raised([&] { c.hex ? HexStrToInt(c.s, index) : OctStrToInt(c.s, index); });
    EXPECT_EQ(e.Message(),
              c.hex ? J("不正な１６進数コード表記です。") : J("不正な８進数コード表記です。"));
    EXPECT_EQ(e.Position, c.position);
  }
}

TEST(DbcharToken, WCharGetTokenSplitsAtTheDelimiter) {
  struct Case {
    std::string s;
    WChar delimiter;
    std::vector<std::string> tokens;  // successive calls, the last at the end
  };
  const Case cases[] = {
      {"ab,cd", ',', {"ab", "cd", ""}},
      {",a,", ',', {"", "a", ""}},
      // A trail byte equal to the delimiter belongs to its character.
      {J("表\\z"), '\\', {J("表"), "z", ""}},
      {J("あ、い"), 0x8141, {J("あ"), J("い"), ""}},
  };
  for (const auto& c : cases) {
    int32_t index = 1;
    for (const auto& expected : c.tokens)
      EXPECT_EQ(WCharGetToken(c.s, index, c.delimiter), expected);
    EXPECT_EQ(index, static_cast<int32_t>(c.s.size()) + 1);
  }
}

TEST(DbcharToken, QuoteMetaWCharEscapesTheTwelveMetacharacters) {
  EXPECT_EQ(QuoteMetaWChar("^(|)+*?.[]$\\"), "\\^\\(\\|\\)\\+\\*\\?\\.\\[\\]\\$\\\\");
  EXPECT_EQ(QuoteMetaWChar("a.b"), "a\\.b");
  EXPECT_EQ(QuoteMetaWChar("a-b{}"), "a-b{}");
  // Double-byte characters whose trail byte is a backslash stay as they are.
  EXPECT_EQ(QuoteMetaWChar(J("表ソ.")), J("表ソ") + "\\.");
  EXPECT_EQ(QuoteMetaWChar(std::string("a\0.", 3)), "a");
  EXPECT_EQ(QuoteMetaWChar(""), "");
}

}  // namespace
}  // namespace tamsel
