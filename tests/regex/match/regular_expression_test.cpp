#include "regex/match/regular_expression.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

bool CacheHolds(const TRegularExpression& re, const std::string& key) {
  for (int32_t i = 0; i < re.CacheCount(); ++i) {
    if (re.CacheKey(i) == key) return true;
  }
  return false;
}

// Walks the current automaton over a string of single-byte characters.
bool WalkAccepts(RE_pDFAState_t s, const std::string& text) {
  for (unsigned char c : text) {
    s = TRegularExpression::NextDFAState(s, c);
    if (s == nullptr) return false;
  }
  return s->Accepted != 0;
}

std::string Numbered(int i) {
  return "p" + std::to_string(i);
}

TEST(RegularExpressionCache, NewComponentHoldsTheEmptyPattern) {
  TRegularExpression re(nullptr);
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.GetProcessedRegExp(), "");
  EXPECT_TRUE(re.GetRegExpIsSimple());
  EXPECT_EQ(re.GetSimpleRegExp(), "");
  EXPECT_FALSE(re.GetHasLHead());
  EXPECT_FALSE(re.GetHasLTail());
  EXPECT_EQ(re.CacheCount(), 1);
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_FALSE(re.GetUseFuzzyCharDic());
  EXPECT_FALSE(re.GetUseSynonymDic());
  // One accepting state without transitions: the empty string and nothing else.
  EXPECT_NE(re.GetpInitialDFAState()->Accepted, 0);
  EXPECT_TRUE(re.GetpInitialDFAState()->SubList.empty());
}

TEST(RegularExpressionCache, CurrentEntryFollowsThePattern) {
  TRegularExpression re(nullptr);
  re.SetRegExp("abc");
  EXPECT_EQ(re.RegExp(), "abc");
  EXPECT_EQ(re.GetProcessedRegExp(), "abc");
  EXPECT_TRUE(re.GetRegExpIsSimple());
  EXPECT_EQ(re.GetSimpleRegExp(), "abc");
  EXPECT_TRUE(WalkAccepts(re.GetpInitialDFAState(), "abc"));

  re.SetRegExp("^ab*$");
  EXPECT_FALSE(re.GetRegExpIsSimple());
  EXPECT_EQ(re.GetSimpleRegExp(), "");
  EXPECT_TRUE(re.GetHasLHead());
  EXPECT_TRUE(re.GetHasLTail());
  EXPECT_EQ(re.GetCurrentDFA(), re.GetCurrentDFAShared().get());
}

TEST(RegularExpressionCache, AHitCompilesNothing) {
  TRegularExpression re(nullptr);
  const int64_t base = re.CompileCount();
  re.SetRegExp("");
  EXPECT_EQ(re.CompileCount(), base) << "the empty pattern is entry 0";
  EXPECT_EQ(re.CurrentIndex(), 0);

  re.SetRegExp("a|b");
  EXPECT_EQ(re.CompileCount(), base + 1);
  TRE_DFA* compiled = re.GetCurrentDFA();
  re.SetRegExp("xyz");
  re.SetRegExp("a|b");
  EXPECT_EQ(re.CompileCount(), base + 2);
  EXPECT_EQ(re.GetCurrentDFA(), compiled);
  EXPECT_EQ(re.CurrentIndex(), 2) << "a hit does not move its entry";
  EXPECT_EQ(re.RegExp(), "a|b");
}

TEST(RegularExpressionCache, EvictsTheOldestInsertionEvenAfterAHit) {
  TRegularExpression re(nullptr);
  for (int i = 1; i <= 29; ++i) re.SetRegExp(Numbered(i));
  ASSERT_EQ(re.CacheCount(), 30);
  EXPECT_EQ(re.CacheKey(1), Numbered(29));
  EXPECT_EQ(re.CacheKey(29), Numbered(1));

  const int64_t base = re.CompileCount();
  re.SetRegExp(Numbered(1));  // a hit on the oldest entry
  EXPECT_EQ(re.CompileCount(), base);
  EXPECT_EQ(re.CurrentIndex(), 29);

  re.SetRegExp(Numbered(30));
  EXPECT_EQ(re.CompileCount(), base + 1);
  EXPECT_EQ(re.CacheCount(), 30);
  EXPECT_EQ(re.CurrentIndex(), 1);
  EXPECT_EQ(re.CacheKey(0), "");
  EXPECT_EQ(re.CacheKey(1), Numbered(30));
  EXPECT_EQ(re.CacheKey(29), Numbered(2));
  EXPECT_FALSE(CacheHolds(re, Numbered(1)));

  re.SetRegExp(Numbered(1));
  EXPECT_EQ(re.CompileCount(), base + 2) << "an evicted pattern is compiled again";
  EXPECT_FALSE(CacheHolds(re, Numbered(2)));
  EXPECT_EQ(re.GetSimpleRegExp(), Numbered(1));
}

TEST(RegularExpressionCache, FailedCompileFallsBackAndIsNotCached) {
  TRegularExpression re(nullptr);
  re.SetRegExp("ab");
  try {
    re.SetRegExp("(a");
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), msg::NeedRightParen());
    EXPECT_EQ(e.Position, 3);
  }
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.GetProcessedRegExp(), "");
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_TRUE(re.GetRegExpIsSimple());
  EXPECT_EQ(re.CacheCount(), 2);
  EXPECT_FALSE(CacheHolds(re, "(a"));
  // The earlier entry is intact and still found without compiling.
  const int64_t base = re.CompileCount();
  re.SetRegExp("ab");
  EXPECT_EQ(re.CompileCount(), base);
  EXPECT_EQ(re.GetSimpleRegExp(), "ab");
}

TEST(RegularExpressionCache, FailureWithAFullCacheKeepsTheEviction) {
  TRegularExpression re(nullptr);
  for (int i = 1; i <= 29; ++i) re.SetRegExp(Numbered(i));
  EXPECT_THROW(re.SetRegExp("a)"), ERegExpParser);
  EXPECT_EQ(re.CacheCount(), 29);
  EXPECT_FALSE(CacheHolds(re, Numbered(1)));
  EXPECT_FALSE(CacheHolds(re, "a)"));
  EXPECT_EQ(re.CurrentIndex(), 0);
}

TEST(RegularExpressionCache, TooComplexPatternFallsBack) {
  TRegularExpression re(nullptr);
  re.SetRegExp("abc");
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < 20; ++i) pattern += "(a|b)";
  try {
    re.SetRegExp(pattern);
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), msg::PatternTooComplex());
  }
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.CacheCount(), 2);
  EXPECT_FALSE(CacheHolds(re, pattern));
}

TEST(RegularExpressionCache, PatternsThatPreprocessAlikeShareAnEntry) {
  TRegularExpression re(nullptr);
  re.GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  re.SetUseFuzzyCharDic(true);
  re.SetRegExp("a");
  const int64_t base = re.CompileCount();
  const int32_t count = re.CacheCount();
  re.SetRegExp("A");
  EXPECT_EQ(re.CompileCount(), base);
  EXPECT_EQ(re.CacheCount(), count);
  EXPECT_EQ(re.RegExp(), "A") << "the pattern as given, not its processed form";
  EXPECT_EQ(re.GetProcessedRegExp(), J("(Ａ|ａ|A|a)"));
}

TEST(RegularExpressionCache, EvictedAutomatonStaysValidForItsHolder) {
  TRegularExpression re(nullptr);
  re.SetRegExp("abc");
  std::shared_ptr<const TRE_DFA> held = re.GetCurrentDFAShared();
  for (int i = 1; i <= 30; ++i) re.SetRegExp(Numbered(i));
  ASSERT_FALSE(CacheHolds(re, "abc"));
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_EQ(held->SimpleRegExp, "abc");
  EXPECT_TRUE(WalkAccepts(held->pInitialState, "abc"));
  EXPECT_FALSE(WalkAccepts(held->pInitialState, "abd"));
}

TEST(RegularExpressionCache, OwnerDestroysTheComponent) {
  TComponent owner(nullptr);
  auto* re = new TRegularExpression(&owner);
  re->SetRegExp("a*b");
  EXPECT_EQ(owner.ComponentCount(), 1);
  // Freed with its cache by the owner; the leak checker would notice otherwise.
}

TEST(RegularExpressionSwitches, FuzzyOnAndOffReturnsToTheEarlierEntry) {
  TRegularExpression re(nullptr);
  re.GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  re.SetRegExp("ab");
  const int64_t base = re.CompileCount();

  re.SetUseFuzzyCharDic(true);
  EXPECT_TRUE(re.GetUseFuzzyCharDic());
  EXPECT_EQ(re.CompileCount(), base + 1);
  EXPECT_EQ(re.GetProcessedRegExp(), J("(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)"));
  EXPECT_EQ(re.RegExp(), "ab");

  re.SetUseFuzzyCharDic(false);
  EXPECT_EQ(re.CompileCount(), base + 1);
  EXPECT_EQ(re.GetProcessedRegExp(), "ab");
  EXPECT_EQ(re.CurrentIndex(), 2);

  re.SetUseFuzzyCharDic(true);
  EXPECT_EQ(re.CompileCount(), base + 1);
  EXPECT_EQ(re.CurrentIndex(), 1);
}

TEST(RegularExpressionSwitches, SynonymSwitchUsesTheGivenDictionaries) {
  TRegularExpression re(nullptr);
  const REDictionary_t synonyms = {TStringList{J("計算機"), J("コンピュータ")}};
  re.GetListOfSynonymDic().push_back(&synonyms);
  re.SetRegExp(J("新計算機"));
  re.SetUseSynonymDic(true);
  EXPECT_TRUE(re.GetUseSynonymDic());
  EXPECT_EQ(re.GetProcessedRegExp(), J("新(計算機|コンピュータ)"));
  EXPECT_EQ(re.RegExp(), J("新計算機"));
}

// Records every call of the virtual setter, as a descendant that follows it
// with its own choices would see them.
class RecordingExpression : public TRegularExpression {
 public:
  using TRegularExpression::TRegularExpression;
  void SetRegExp(const std::string& V) override {
    calls.push_back(V);
    TRegularExpression::SetRegExp(V);
  }
  std::vector<std::string> calls;
};

TEST(RegularExpressionSwitches, SettersCallTheVirtualSetRegExpEvenWhenUnchanged) {
  RecordingExpression re(nullptr);
  re.SetRegExp("x+");
  re.calls.clear();
  const int64_t base = re.CompileCount();
  re.SetUseSynonymDic(false);
  re.SetUseFuzzyCharDic(false);
  EXPECT_EQ(re.calls, (std::vector<std::string>{"x+", "x+"}));
  EXPECT_EQ(re.CompileCount(), base);
  EXPECT_EQ(re.RegExp(), "x+");
}

struct CompileFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A descendant whose compilation can be made to fail with a foreign error,
// before or after the base compilation ran.
class FailingExpression : public TRegularExpression {
 public:
  using TRegularExpression::TRegularExpression;
  enum Mode { kNone, kBefore, kAfter } mode = kNone;

 protected:
  void Translate(const std::string& R) override {
    if (mode == kBefore) throw CompileFailure("before " + R);
    TRegularExpression::Translate(R);
    if (mode == kAfter) throw CompileFailure("after " + R);
  }
};

TEST(RegularExpressionSwitches, SetterKeepsTheNewValueWhenTheCompileFails) {
  FailingExpression re(nullptr);
  re.GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  re.SetRegExp("ab");
  re.mode = FailingExpression::kBefore;
  try {
    re.SetUseFuzzyCharDic(true);
    FAIL() << "no error";
  } catch (const CompileFailure& e) {
    // The very error of the compilation, not a translation of it.
    EXPECT_EQ(std::string(e.what()), "before " + J("(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)"));
  }
  EXPECT_TRUE(re.GetUseFuzzyCharDic());
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_EQ(re.CacheCount(), 2) << "no entry is left without its automaton";
}

TEST(RegularExpressionSwitches, ForeignErrorAfterCompilingStillFallsBack) {
  FailingExpression re(nullptr);
  re.mode = FailingExpression::kAfter;
  EXPECT_THROW(re.SetRegExp("abc"), CompileFailure);
  EXPECT_EQ(re.CacheCount(), 1);
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_EQ(re.GetProcessedRegExp(), "");
  re.mode = FailingExpression::kNone;
  re.SetRegExp("abc");
  EXPECT_EQ(re.GetSimpleRegExp(), "abc");
}

TEST(RegularExpressionSwitches, PreprocessingErrorLeavesThePreviousState) {
  TRegularExpression re(nullptr);
  re.GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  re.SetUseFuzzyCharDic(true);
  re.SetRegExp("ab");
  const int32_t index = re.CurrentIndex();
  const std::string processed = re.GetProcessedRegExp();
  const int32_t count = re.CacheCount();
  try {
    re.SetRegExp("a\\");
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), msg::NeedCharAfterBackslash());
    EXPECT_EQ(e.Position, 3);
  }
  EXPECT_EQ(re.RegExp(), "ab");
  EXPECT_EQ(re.CurrentIndex(), index);
  EXPECT_EQ(re.GetProcessedRegExp(), processed);
  EXPECT_EQ(re.CacheCount(), count);
}

// The file grep's line codes, asked in the order head, tail.
class LineFeedExpression : public TRegularExpression {
 public:
  using TRegularExpression::TRegularExpression;
  WChar GetLineHeadWChar() override {
    asked += "H";
    return 0x0A;
  }
  WChar GetLineTailWChar() override {
    asked += "T";
    return 0x0A;
  }
  std::string asked;
};

TEST(RegularExpressionLineCodes, DescendantCodesReachTheAutomaton) {
  LineFeedExpression lf(nullptr);
  lf.SetRegExp("^abc");
  EXPECT_EQ(lf.asked, "HT");
  EXPECT_TRUE(lf.GetRegExpIsSimple());
  EXPECT_EQ(lf.GetSimpleRegExp(), "\nabc");
  EXPECT_TRUE(lf.GetHasLHead());

  TRegularExpression plain(nullptr);
  plain.SetRegExp("^a$");
  RE_pDFAState_t s = plain.GetpInitialDFAState();
  EXPECT_EQ(TRegularExpression::NextDFAState(s, 0x0A), nullptr);
  s = TRegularExpression::NextDFAState(s, 0xFFFD);
  ASSERT_NE(s, nullptr);
  s = TRegularExpression::NextDFAState(s, 'a');
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Accepted, 0);
  s = TRegularExpression::NextDFAState(s, 0xFFFE);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->Accepted, 0);
}

TEST(NextDFAState, Ranges) {
  TRegularExpression re(nullptr);
  re.SetRegExp("[a-c]1|[x-z]2");
  const RE_pDFAState_t start = re.GetpInitialDFAState();
  ASSERT_EQ(start->SubList.size(), 2u);
  const RE_pDFAState_t first = start->SubList[0].TransitTo;
  const RE_pDFAState_t second = start->SubList[1].TransitTo;
  ASSERT_NE(first, second);
  struct Case {
    WChar c;
    RE_pDFAState_t expected;
  };
  for (const Case& k :
       {Case{'a', first}, Case{'b', first}, Case{'c', first}, Case{'x', second}, Case{'y', second},
        Case{'z', second}, Case{'d', nullptr}, Case{'A', nullptr}, Case{'{', nullptr},
        Case{0, nullptr}, Case{0xFFFD, nullptr}, Case{0x82A0, nullptr}}) {
    EXPECT_EQ(TRegularExpression::NextDFAState(start, k.c), k.expected) << k.c;
  }
  EXPECT_TRUE(WalkAccepts(start, "b1"));
  EXPECT_FALSE(WalkAccepts(start, "b2"));
}

TEST(NextDFAState, StopsAtTheFirstEntryAboveAndTakesTheFirstThatHolds) {
  RE_DFAState_t x, y, s;
  // Not sorted on purpose: a walker must not look past an entry above C.
  s.SubList = {{{'d', 'f'}, &x}, {{'a', 'c'}, &y}};
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 'b'), nullptr);
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 'e'), &x);
  // Overlapping entries: the first in list order wins.
  s.SubList = {{{'a', 'z'}, &x}, {{'a', 'a'}, &y}};
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 'a'), &x);
  // Comparisons are unsigned 16-bit.
  s.SubList = {{{0x8140, 0xFCFC}, &x}};
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 0xE040), &x);
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 0xFFFD), nullptr);
  EXPECT_EQ(TRegularExpression::NextDFAState(&s, 0x41), nullptr);
}

}  // namespace
}  // namespace tamsel
