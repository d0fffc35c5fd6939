// Inputs the fuzzers found slow or wrong once, kept as ordinary tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/match/awk_str.h"

namespace tamsel {
namespace {

// Many dots between fuzzy-expanded characters: thousands of states with many
// transitions each, still within the automaton's bounds. It must compile
// (and match), under both settings of the fuzzy dictionary.
TEST(FuzzRegression, ManyDotsBetweenFuzzyCharactersCompile) {
  const std::string pattern = "b41*........41*............c\x8b\x8b" "c\x8b\x83\x8b\x8b\x8b\\";
  for (bool fuzzy : {false, true}) {
    TAWKStr awk(nullptr);
    awk.SetUseFuzzyCharDic(fuzzy);
    awk.SetRegExp(pattern);
    EXPECT_EQ(awk.RegExp(), pattern);
    EXPECT_GT(awk.GetCurrentDFA()->StateList.size(), 1000u);
    int32_t start = 0, len = 0;
    EXPECT_EQ(awk.Match("b4111111111111111111111111111111111111111111111111", start, len), 0);
  }
}

// Nested "+" with many dots: the automaton passes its bounds. The error must
// come in a fraction of a second (it did, but slowly enough under the fuzzer's
// instrumentation to trip its time-out) and leave the empty pattern in place.
TEST(FuzzRegression, NestedPlusWithManyDotsIsTooComplex) {
  const std::string pattern =
      "x+x'+$+^nx&x+x+&.*\x8d:g\xff\xff\xff\x0c" "Exp+x+.......p+x+...........QQQQQQQQQQQ";
  for (bool fuzzy : {false, true}) {
    TAWKStr awk(nullptr);
    awk.SetUseFuzzyCharDic(fuzzy);
    try {
      awk.SetRegExp(pattern);
      FAIL() << "expected the automaton to pass its bounds";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), msg::PatternTooComplex());
    }
    EXPECT_EQ(awk.RegExp(), "");
    EXPECT_EQ(awk.CurrentIndex(), 0);
  }
}

// Runs of dots among characters the fuzzy dictionary widens: each dot is
// split into dozens of ranges, so the automaton has hundreds of thousands of
// transitions before it has its ten thousand states, and building them took
// seconds (more than the fuzzer's time-out under its instrumentation). The
// transition bound stops such patterns early; the smaller ones still compile.
TEST(FuzzRegression, DotsAmongFuzzyCharactersStopAtTheTransitionBound) {
  struct Case {
    std::string pattern;
    bool fuzzy;
    bool compiles;
  };
  const std::string fromCompile = "\x83\x01..pb-\xb5...*5....-1*........j99=99.";
  const std::string fromMatch =
      "..(\x82w|\x82\x98|X|x)*\xd2\xd1\xd1\xc9..*.....&......&......2....1$\xc4\x0e+2....1$\xc4";
  const std::vector<Case> cases = {
      {fromCompile, false, true},
      {fromCompile, true, false},
      {fromMatch, false, false},
      {fromMatch, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fuzzy ? "fuzzy " : "") + c.pattern);
    TAWKStr awk(nullptr);
    awk.SetUseFuzzyCharDic(c.fuzzy);
    if (c.compiles) {
      awk.SetRegExp(c.pattern);
      EXPECT_EQ(awk.RegExp(), c.pattern);
      EXPECT_GT(awk.GetCurrentDFA()->StateList.size(), 1000u);
    } else {
      try {
        awk.SetRegExp(c.pattern);
        FAIL() << "expected the automaton to pass its bounds";
      } catch (const ERegExpParser& e) {
        EXPECT_EQ(e.Message(), msg::PatternTooComplex());
      }
      EXPECT_EQ(awk.RegExp(), "");
    }
  }
}

}  // namespace
}  // namespace tamsel
