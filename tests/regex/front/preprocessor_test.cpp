#include "regex/front/preprocessor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/front/dbchar.h"
#include "regex/front/scanner.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

REDictionary_t Dic(std::initializer_list<TStringList> groups) {
  return REDictionary_t(groups);
}

// Runs a fresh preprocessor over the pattern (code page 932 bytes).
std::string Preprocess(const std::string& pattern, bool fuzzy,
                       const std::vector<const REDictionary_t*>& synonyms = {}) {
  TREPreProcessor pp("");
  pp.ListOfFuzzyCharDic.push_back(&RE_FuzzyCharDic());
  pp.ListOfSynonymDic = synonyms;
  pp.UseFuzzyCharDic = fuzzy;
  pp.UseSynonymDic = !synonyms.empty();
  pp.SetTargetRegExpStr(pattern);
  pp.Run();
  return pp.ProcessedRegExpStr;
}

std::string Fuzzy(const std::string& pattern) {
  return Preprocess(pattern, true);
}

struct ExpandCase {
  const char* pattern;   // UTF-8
  const char* expected;  // UTF-8
};

TEST(PreProcessorFuzzy, ExpandsLiteralCharactersToTheirFirstMatchingGroup) {
  const ExpandCase cases[] = {
      {"あい", "(あ|ア|ｱ|ぁ|ァ|ｧ)(い|イ|ｲ|ぃ|ィ|ｨ)"},
      // The voiced groups precede the plain kana, so a two-character spelling
      // matches as a whole.
      {"が", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"か゛", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"ｶﾞ", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"う゛", "(ぶ|ブ|ﾌﾞ|ふ゛|フ゛|ヴ|ウ゛|う゛|ｳﾞ)"},
      {"ス゛", "(ず|ズ|ｽﾞ|ス゛|ス゛|づ|ヅ|ﾂﾞ|つ゛|ツ゛)"},
      // First match wins, not the longest: "う" alone comes before "うぁ".
      {"うぁ", "(う|ウ|ｳ|ぅ|ゥ|ｩ)(あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"ー", "(ー|～|ｰ)"},
      {"-", "(-|ー|－|～|ｰ)"},
      {"ZZZ", "(Ｚ|ｚ|Z|z)(Ｚ|ｚ|Z|z)(Ｚ|ｚ|Z|z)"},
      {"漢", "漢"},
      {"漢a字", "漢(Ａ|ａ|A|a)字"},
      // Characters that are metacharacters come out escaped in every entry.
      {" ", "(　| )"},
      {"\"", "(\"|”)"},
      {",", "(,|､|、|，)"},
      {"x{2}", "(Ｘ|ｘ|X|x)({|｛)(2|２|二|②|Ⅱ|弐)(}|｝)"},
  };
  for (const ExpandCase& c : cases) {
    EXPECT_EQ(Fuzzy(J(c.pattern)), J(c.expected)) << c.pattern;
  }
}

TEST(PreProcessorFuzzy, EscapesTakePartByTheCharacterTheyStandFor) {
  const ExpandCase cases[] = {
      {"\\(", "(\\(|（)"},
      {"\\.", "(｡|\\.|。|．)"},
      {"\\|", "(\\||｜)"},
      {"\\\\", "(\\\\|￥)"},
      {"\\x41", "(Ａ|ａ|A|a)"},
      {"\\101\\x42", "(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)"},
      // The escape and the character after it form one two-character entry.
      {"\\x82a9\\x814a", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"\\あ", "(あ|ア|ｱ|ぁ|ァ|ｧ)"},
  };
  for (const ExpandCase& c : cases) {
    EXPECT_EQ(Fuzzy(J(c.pattern)), J(c.expected)) << c.pattern;
  }
}

TEST(PreProcessorFuzzy, OperatorsAndBracketExpressionsAreCopiedAndBreakRuns) {
  const ExpandCase cases[] = {
      {".", "."},
      {"a*", "(Ａ|ａ|A|a)*"},
      {"[あ]", "[あ]"},
      {"[^あ]", "[^あ]"},
      {"[a-c\\.]", "[a-c\\.]"},
      {"a[b]c", "(Ａ|ａ|A|a)[b](Ｃ|ｃ|C|c)"},
      {"^(a|b)+?$", "^((Ａ|ａ|A|a)|(Ｂ|ｂ|B|b))+?$"},
      // A two-character entry never spans an operator or a bracket
      // expression.
      {"か*゛", "(か|カ|ｶ)*(ﾞ|゛)"},
      {"か[゛]", "(か|カ|ｶ)[゛]"},
      {"か(゛)", "(か|カ|ｶ)((ﾞ|゛))"},
      {"か.゛", "(か|カ|ｶ).(ﾞ|゛)"},
      // A stray "]" outside brackets is an operator token, copied as is.
      {"a]b", "(Ａ|ａ|A|a)](Ｂ|ｂ|B|b)"},
      {"", ""},
  };
  for (const ExpandCase& c : cases) {
    EXPECT_EQ(Fuzzy(J(c.pattern)), J(c.expected)) << c.pattern;
  }
}

TEST(PreProcessorSwitches, BothOffReturnsThePatternUnscanned) {
  for (std::string pattern : {J("あい"), std::string("["), std::string("a\\"), std::string("\\xg"),
                              std::string("a\x82"), std::string("[z-a]")}) {
    TREPreProcessor pp(pattern);
    pp.ListOfFuzzyCharDic.push_back(&RE_FuzzyCharDic());
    EXPECT_NO_THROW(pp.Run()) << pattern;
    EXPECT_EQ(pp.ProcessedRegExpStr, pattern);
    EXPECT_EQ(pp.GetTargetRegExpStr(), pattern);
  }
}

TEST(PreProcessorSwitches, StartOffAndRunMustBeGivenThePatternAgain) {
  TREPreProcessor pp(J("あ"));
  EXPECT_FALSE(pp.UseFuzzyCharDic);
  EXPECT_FALSE(pp.UseSynonymDic);
  EXPECT_TRUE(pp.ListOfFuzzyCharDic.empty());
  EXPECT_TRUE(pp.ListOfSynonymDic.empty());
  pp.ListOfFuzzyCharDic.push_back(&RE_FuzzyCharDic());
  pp.UseFuzzyCharDic = true;
  pp.Run();
  EXPECT_EQ(pp.ProcessedRegExpStr, J("(あ|ア|ｱ|ぁ|ァ|ｧ)"));
  pp.SetTargetRegExpStr(J("い"));
  pp.Run();
  EXPECT_EQ(pp.ProcessedRegExpStr, J("(い|イ|ｲ|ぃ|ィ|ｨ)"));
}

TEST(PreProcessorSwitches, FuzzyOnWithNoDictionaryCopiesThePattern) {
  TREPreProcessor pp(J("あ\\.[い]*"));
  pp.UseFuzzyCharDic = true;
  pp.Run();
  EXPECT_EQ(pp.ProcessedRegExpStr, J("あ\\.[い]*"));
}

TEST(PreProcessorSynonym, ReplacesAnEntryByItsWholeGroup) {
  const REDictionary_t computer = Dic({{J("コンピュータ"), J("計算機")}});
  const REDictionary_t dotted = Dic({{"a.b", "c"}});
  const REDictionary_t firstWins = Dic({{"ab", "Q"}, {"abc", "R"}});
  const REDictionary_t withEmpty = Dic({{"x", ""}});
  const REDictionary_t emptyFirst = Dic({{"", "x"}});
  struct Case {
    const REDictionary_t* dic;
    const char* pattern;
    const char* expected;
  } cases[] = {
      {&computer, "新コンピュータ", "新(コンピュータ|計算機)"},
      {&computer, "計算機だ", "(コンピュータ|計算機)だ"},
      {&computer, "コンピュー", "コンピュー"},  // the run ends before the entry
      {&computer, "コンピュ*ータ", "コンピュ*ータ"},
      {&dotted, "c", "(a\\.b|c)"},
      {&dotted, "a.b", "a.b"},          // the dot is an operator, not the entry's "."
      {&dotted, "a\\.b", "(a\\.b|c)"},  // the escaped dot is
      {&firstWins, "abc", "(ab|Q)c"},
      {&withEmpty, "x", "(x|)"},
      {&withEmpty, "y", "y"},
      {&emptyFirst, "x", "(|x)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Preprocess(J(c.pattern), false, {c.dic}), J(c.expected)) << c.pattern;
  }
}

TEST(PreProcessorSynonym, DictionariesAreSearchedInListOrder) {
  const REDictionary_t first = Dic({{"ab", "1"}});
  const REDictionary_t second = Dic({{"a", "2"}});
  EXPECT_EQ(Preprocess("ab", false, {&first, &second}), "(ab|1)");
  EXPECT_EQ(Preprocess("ab", false, {&second, &first}), "(a|2)b");
  EXPECT_EQ(Preprocess("b", false, {&second, &first}), "b");
  // A null entry in the list is passed over.
  EXPECT_EQ(Preprocess("ab", false, {nullptr, &first}), "(ab|1)");
}

TEST(PreProcessorSynonym, FuzzyPassThenExpandsTheInsertedCharacters) {
  const REDictionary_t computer = Dic({{J("コンピュータ"), J("計算機")}});
  EXPECT_EQ(
      Preprocess(J("新コンピュータ"), true, {&computer}),
      J("新((こ|コ|ｺ)(ん|ン|ﾝ)(ぴ|ピ|ﾋﾟ|ひ゜|ヒ゜)(ゆ|ユ|ﾕ|ゅ|ュ|ｭ)(ー|～|ｰ)(た|タ|ﾀ)|計算機)"));

  // The synonym pass leaves the scanner on its result for the fuzzy pass.
  TREPreProcessor pp(J("新コンピュータ"));
  pp.ListOfSynonymDic.push_back(&computer);
  pp.UseSynonymDic = true;
  pp.Run();
  EXPECT_EQ(pp.ProcessedRegExpStr, J("新(コンピュータ|計算機)"));
  EXPECT_EQ(pp.GetTargetRegExpStr(), pp.ProcessedRegExpStr);
}

TEST(PreProcessorTokens, RecordEachTokensSpanAndEndWithAnEmptyEndEntry) {
  TREPreProcessor pp(J("a\\.[b-c]あ"));
  pp.MakeTokenList();
  struct Want {
    REToken_t token;
    WChar wch;
    int32_t from, to;
  } want[] = {
      {retk_Char, 'a', 1, 2},      {retk_Char, '.', 2, 4}, {retk_LBra, '[', 4, 5},
      {retk_CharClass, 'b', 5, 8}, {retk_RBra, ']', 8, 9}, {retk_Char, 0x82A0, 9, 11},
      {retk_End, 0, 0, 0},
  };
  ASSERT_EQ(pp.TokenList.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(pp.TokenList[i].Token, want[i].token) << i;
    EXPECT_EQ(pp.TokenList[i].WCh, want[i].wch) << i;
    EXPECT_EQ(pp.TokenList[i].FromIndex, want[i].from) << i;
    EXPECT_EQ(pp.TokenList[i].ToIndex, want[i].to) << i;
  }
  EXPECT_EQ(pp.TokenList[3].CharClass, (RECharClass_t{'b', 'c'}));

  // A second list replaces the first.
  pp.SetTargetRegExpStr("x");
  pp.MakeTokenList();
  ASSERT_EQ(pp.TokenList.size(), 2u);
  EXPECT_EQ(pp.TokenList[0].WCh, 'x');
  pp.DestroyTokenListItems();
  EXPECT_TRUE(pp.TokenList.empty());
}

TEST(PreProcessorTokens, ReferToOneListReturnsTheIndexPastTheMatch) {
  TREPreProcessor pp(J("xか゛y"));
  pp.MakeTokenList();  // x, か, ゛, y, End
  const REDictionary_t& fuzzy = RE_FuzzyCharDic();
  EXPECT_EQ(pp.ReferToOneList(1, 4, fuzzy), 3);
  EXPECT_EQ(pp.ReplaceStr, J("(が|ガ|ｶﾞ|か゛|カ゛)"));
  EXPECT_EQ(pp.ReferToOneList(1, 2, fuzzy), 2);  // the run ends after か
  EXPECT_EQ(pp.ReplaceStr, J("(か|カ|ｶ)"));
  EXPECT_EQ(pp.ReferToOneList(0, 4, Dic({{"q"}})), -1);
  EXPECT_EQ(pp.ReferToOneList(0, 4, Dic({})), -1);
}

// The error a scan of the pattern raises, as the parser would meet it.
ERegExpParser ScanError(const std::string& pattern) {
  TREScanner s(pattern);
  try {
    while (s.GetToken() != retk_End) {
    }
  } catch (const ERegExpParser& e) {
    return e;
  }
  ADD_FAILURE() << "no scan error in " << pattern;
  return ERegExpParser("", 0);
}

TEST(PreProcessorErrors, ScannerErrorsPropagateWithTheirMessageAndPosition) {
  struct Case {
    std::string pattern;
    const std::string& (*message)();
    int32_t position;
  } cases[] = {
      {J("あ["), msg::NeedRightBracket, 4},    {"a[bc", msg::NeedRightBracket, 5},
      {"a\\", msg::NeedCharAfterBackslash, 3}, {"\\xg", msg::InvalidHex, 4},
      {"\\200000", msg::InvalidOctal, 8},      {"[z-a]", msg::InvalidRange, 5},
      {"ab\x82", msg::InvalidDoubleByte, 3},
  };
  for (const Case& c : cases) {
    for (bool synonyms : {false, true}) {
      const REDictionary_t dic = Dic({{"a", "b"}});
      TREPreProcessor pp(c.pattern);
      pp.ListOfFuzzyCharDic.push_back(&RE_FuzzyCharDic());
      pp.ListOfSynonymDic.push_back(&dic);
      pp.UseFuzzyCharDic = !synonyms;
      pp.UseSynonymDic = synonyms;
      try {
        pp.Run();
        ADD_FAILURE() << "no error for " << c.pattern;
      } catch (const ERegExpParser& e) {
        EXPECT_EQ(std::string(e.what()), c.message()) << c.pattern;
        EXPECT_EQ(e.Position, c.position) << c.pattern;
        ERegExpParser scanned = ScanError(c.pattern);
        EXPECT_EQ(std::string(e.what()), std::string(scanned.what())) << c.pattern;
        EXPECT_EQ(e.Position, scanned.Position) << c.pattern;
      }
    }
  }
}

TEST(PreProcessorErrors, ErrorsOnlyTheParserSeesPassThrough) {
  EXPECT_EQ(Fuzzy("(a"), J("((Ａ|ａ|A|a)"));
  EXPECT_EQ(Fuzzy("*a)"), J("*(Ａ|ａ|A|a))"));
  EXPECT_EQ(Fuzzy("[]"), "[]");
}

TEST(PreProcessorErrors, AnEntryEndingInALoneLeadByteFailsWhenCompared) {
  const REDictionary_t broken = Dic({{"a\x82", "z"}});
  for (const char* pattern : {"a", "ab"}) {
    try {
      Preprocess(pattern, false, {&broken});
      ADD_FAILURE() << "no error for " << pattern;
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(std::string(e.what()), msg::InvalidDoubleByte()) << pattern;
    }
  }
  // Never reached while an earlier character differs.
  EXPECT_EQ(Preprocess("b", false, {&broken}), "b");
}

}  // namespace
}  // namespace tamsel
