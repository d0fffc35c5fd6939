// Inputs the fuzzers found slow or wrong once, kept as ordinary tests.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace tamsel
