#include "regex/front/scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/regex/front/tree_dump.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::CharText;
using test::J;

std::string TokenText(const RESymbol_t& s) {
  switch (s.Token) {
    case retk_Char:
      return "'" + CharText(s.WCh) + "'";
    case retk_CharClass:
      return "'" + CharText(s.CharClass.StartChar) + "'-'" + CharText(s.CharClass.EndChar) + "'";
    case retk_Union:
      return "|";
    case retk_LPar:
      return "(";
    case retk_RPar:
      return ")";
    case retk_Star:
      return "*";
    case retk_Plus:
      return "+";
    case retk_QMark:
      return "?";
    case retk_LBra:
      return "[";
    case retk_LBraNeg:
      return "[^";
    case retk_RBra:
      return "]";
    case retk_Dot:
      return ".";
    case retk_LHead:
      return "^";
    case retk_LTail:
      return "$";
    case retk_End:
      return "END";
  }
  return "?";
}

// All tokens of a pattern, blank-separated, up to and including END.
std::string Scan(const std::string& pattern) {
  TREScanner scanner(pattern);
  std::string out;
  for (int n = 0; n < 1000; ++n) {
    REToken_t t = scanner.GetToken();
    EXPECT_EQ(t, scanner.Symbol.Token);
    if (!out.empty()) out += ' ';
    out += TokenText(scanner.Symbol);
    if (t == retk_End) break;
  }
  return out;
}

TEST(Scanner, TokenSequences) {
  struct Case {
    std::string pattern;
    std::string tokens;
  };
  const Case cases[] = {
      {"", "END"},
      {"ab|c", "'a' 'b' | 'c' END"},
      {"()*+?.^$", "( ) * + ? . ^ $ END"},
      // Every escape is a literal character, an escaped metacharacter too.
      {"a\\*b", "'a' '*' 'b' END"},
      {"\\(\\[\\.\\\\", "'(' '[' '.' '\\' END"},
      {"\\n\\x41\\101\\0", "'<0A>' 'A' 'A' '<00>' END"},
      {"a]", "'a' ] END"},
      {J("表ｱ"), "'<955C>' '<B1>' END"},
      // Inside brackets.
      {"[^a-c]", "[^ 'a'-'c' ] END"},
      {"[a-]", "[ 'a' '-' ] END"},
      {"[-a]", "[ '-' 'a' ] END"},
      {"[a-c-e]", "[ 'a'-'c' '-' 'e' ] END"},
      {"[a-a]", "[ 'a'-'a' ] END"},
      {"[]a]", "[ ] 'a' ] END"},
      {"[]", "[ ] END"},
      {"[\\]a]", "[ ']' 'a' ] END"},
      {"[\\-a]", "[ '-' 'a' ] END"},
      {"[a\\-z]", "[ 'a' '-' 'z' ] END"},
      {"[a-\\x7a]", "[ 'a'-'z' ] END"},
      {"[\\n-\\r]", "[ '<0A>'-'<0D>' ] END"},
      {"[^^]", "[^ '^' ] END"},
      {"[(.*+?|$[]", "[ '(' '.' '*' '+' '?' '|' '$' '[' ] END"},
      {J("[あ-ん]"), "[ '<82A0>'-'<82F1>' ] END"},
      {"[a]b", "[ 'a' ] 'b' END"},
      // A zero byte ends the pattern.
      {std::string("a\0b)", 4), "'a' END"},
  };
  for (const auto& c : cases) EXPECT_EQ(Scan(c.pattern), c.tokens) << c.pattern;
}

TEST(Scanner, SymbolModeAndSpans) {
  // For each token: kind, WCh, InCharClass after it, Index after it.
  struct Step {
    REToken_t token;
    WChar wch;
    bool inClass;
    int32_t index;
  };
  struct Case {
    std::string pattern;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"[^a-c]",
       {{retk_LBraNeg, '[', true, 3},
        {retk_CharClass, 'a', true, 6},
        {retk_RBra, ']', false, 7},
        {retk_End, 0, false, 7},
        {retk_End, 0, false, 7}}},
      {"^a\\x41[b]$",
       {{retk_LHead, '^', false, 2},
        {retk_Char, 'a', false, 3},
        {retk_Char, 'A', false, 7},
        {retk_LBra, '[', true, 8},
        {retk_Char, 'b', true, 9},
        {retk_RBra, ']', false, 10},
        {retk_LTail, '$', false, 11},
        {retk_End, 0, false, 11}}},
      {std::string("a\0b", 3),
       {{retk_Char, 'a', false, 2}, {retk_End, 0, false, 2}, {retk_End, 0, false, 2}}},
  };
  for (const auto& c : cases) {
    TREScanner scanner(c.pattern);
    for (const auto& step : c.steps) {
      EXPECT_EQ(scanner.GetToken(), step.token) << c.pattern << " @" << step.index;
      EXPECT_EQ(scanner.Symbol.WCh, step.wch);
      EXPECT_EQ(scanner.Symbol.CharClass.StartChar, step.wch);
      EXPECT_EQ(scanner.InCharClass, step.inClass);
      EXPECT_EQ(scanner.Index, step.index);
    }
  }
}

TEST(Scanner, ErrorsCarryMessageAndPosition) {
  struct Case {
    std::string pattern;
    const char* message;
    int32_t position;
  };
  const char* bracket = "右ブラケット\"]\"が必要です";
  const Case cases[] = {
      {"[", bracket, 2},
      {"[^", bracket, 3},
      {"[a", bracket, 3},
      {"[ab", bracket, 4},
      {"[a-", bracket, 4},
      {"[\\]", bracket, 4},
      {std::string("[a\0]", 4), bracket, 3},
      {"[z-a]", "不正なキャラクタ範囲です", 5},
      {"[\\x7a-a]", "不正なキャラクタ範囲です", 8},
      {J("[ん-あ]"), "不正なキャラクタ範囲です", 7},
      {"\\", "\"\\\"の次には文字が必要です。", 2},
      {"[a-\\", "\"\\\"の次には文字が必要です。", 5},
      {"a\\xg", "不正な１６進数コード表記です。", 5},
      {"[\\x]", "不正な１６進数コード表記です。", 5},
      {"\\400000", "不正な８進数コード表記です。", 8},
      {"ab\x82", "不正な２バイト文字コードです。", 3},
      {"[a\x82", "不正な２バイト文字コードです。", 3},
  };
  for (const auto& c : cases) {
    TREScanner scanner(c.pattern);
    try {
      for (int n = 0; n < 100 && scanner.GetToken() != retk_End; ++n) {
      }
      ADD_FAILURE() << "no error for " << c.pattern;
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), J(c.message)) << c.pattern;
      EXPECT_EQ(e.Position, c.position) << c.pattern;
      EXPECT_EQ(scanner.Index, c.position) << c.pattern;
    }
  }
}

TEST(Scanner, SetRegExpStrStartsOverOutsideBrackets) {
  TREScanner scanner("[ab");
  EXPECT_THROW(
      {
        while (scanner.GetToken() != retk_End) {
        }
      },
      ERegExpParser);
  EXPECT_TRUE(scanner.InCharClass);
  scanner.SetRegExpStr("a*c");
  EXPECT_FALSE(scanner.InCharClass);
  EXPECT_EQ(scanner.Index, 1);
  EXPECT_EQ(scanner.RegExpStr, "a*c");
  std::string seen;
  while (scanner.GetToken() != retk_End) seen += TokenText(scanner.Symbol);
  EXPECT_EQ(seen, "'a'*'c'");
}

TEST(Scanner, ModeReadersAreVirtual) {
  // A derived scanner that reads braces as parentheses outside brackets.
  class BraceScanner : public TREScanner {
   public:
    using TREScanner::TREScanner;
    REToken_t GetTokenStd() override {
      REToken_t t = TREScanner::GetTokenStd();
      if (t == retk_Char && Symbol.WCh == '{') t = Symbol.Token = retk_LPar;
      if (t == retk_Char && Symbol.WCh == '}') t = Symbol.Token = retk_RPar;
      return t;
    }
    REToken_t GetTokenCC() override {
      ++ccCalls;
      return TREScanner::GetTokenCC();
    }
    int ccCalls = 0;
  };
  BraceScanner scanner("{a}[{]");
  std::string seen;
  while (scanner.GetToken() != retk_End) seen += TokenText(scanner.Symbol) + " ";
  EXPECT_EQ(seen, "( 'a' ) [ '{' ] ");
  EXPECT_EQ(scanner.ccCalls, 2);
}

}  // namespace
}  // namespace tamsel
