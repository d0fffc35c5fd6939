// Every small pattern against every short text: Match and GSub of TAWKStr
// must agree with the reference matcher, which walks the parse tree without
// any automaton.
//
// The texts are made of a, b, あ and LF under mcls_LF, and of a, あ, CR and LF
// under mcls_CRLF, where CR ends a line. The default run takes every string
// of up to 3 pattern tokens and every text of up to 3 characters (165 000
// comparisons, a few seconds in a debug build with sanitizers);
// TAMSEL_EXHAUSTIVE=big takes 4 tokens and 5 characters (minutes).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "regex/front/dbchar.h"
#include "regex/match/awk_str.h"
#include "tests/regex/match/reference_matcher.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::AllStrings;
using test::J;
using test::ReferenceGSub;
using test::ReferencePattern;
using test::RefMatch;

// Bytes made readable for a failure message.
std::string Show(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out + "\"";
}

struct Space {
  int patternTokens;
  int textChars;
};

Space ChosenSpace() {
  const char* env = std::getenv("TAMSEL_EXHAUSTIVE");
  if (env != nullptr && std::strcmp(env, "big") == 0) return {4, 5};
  return {3, 3};
}

TEST(ExhaustiveTest, MatchAndGSubAgreeWithReference) {
  const Space space = ChosenSpace();
  const std::vector<std::string> patternTokens = {"a", "b", J("あ"), ".", "[ab]", "|", "*",
                                                  "+", "?", "(",     ")", "^",    "$"};
  const std::vector<std::string> patterns = AllStrings(patternTokens, space.patternTokens);
  const std::vector<std::string> textsLF = AllStrings({"a", "b", J("あ"), "\n"}, space.textChars);
  const std::vector<std::string> textsCRLF =
      AllStrings({"a", J("あ"), "\r", "\n"}, space.textChars);

  TAWKStr awk(nullptr);
  const auto bracket = [](std::string_view m) { return "<" + std::string(m) + ">"; };
  int failures = 0;
  long compared = 0;
  int validPatterns = 0;
  for (const std::string& pattern : patterns) {
    bool compiled = true;
    try {
      awk.SetRegExp(pattern);
    } catch (const ERegExpParser&) {
      compiled = false;
    }
    bool parsed = true;
    std::unique_ptr<ReferencePattern> ref;
    try {
      ref = std::make_unique<ReferencePattern>(pattern);
    } catch (const ERegExpParser&) {
      parsed = false;
    }
    ASSERT_EQ(compiled, parsed) << "pattern " << Show(pattern);
    if (!compiled) continue;
    ++validPatterns;

    for (TMatchCORE_LineSeparator sep : {mcls_CRLF, mcls_LF}) {
      awk.SetLineSeparator(sep);
      const char lineEnd = sep == mcls_CRLF ? '\r' : '\n';
      for (const std::string& text : sep == mcls_CRLF ? textsCRLF : textsLF) {
        ++compared;
        int32_t start = -1, length = -1;
        awk.Match(text, start, length);
        const RefMatch want = ref->Match(text, lineEnd, true);
        const int32_t wantStart = want ? static_cast<int32_t>(want->first) + 1 : 0;
        const int32_t wantLength = want ? static_cast<int32_t>(want->second) : 0;

        std::string gsub = text;
        const int32_t count = awk.GSub("<&>", gsub);
        int wantCount = 0;
        const std::string wantGSub = ReferenceGSub(*ref, text, lineEnd, bracket, &wantCount);

        if (start != wantStart || length != wantLength || gsub != wantGSub || count != wantCount) {
          if (++failures <= 20) {
            ADD_FAILURE() << "pattern " << Show(pattern) << " text " << Show(text)
                          << (sep == mcls_CRLF ? " (CRLF)" : " (LF)") << "\n  Match " << start
                          << "," << length << " want " << wantStart << "," << wantLength
                          << "\n  GSub " << Show(gsub) << " (" << count << ") want "
                          << Show(wantGSub) << " (" << wantCount << ")";
          }
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
  RecordProperty("patterns", static_cast<int>(patterns.size()));
  RecordProperty("valid_patterns", validPatterns);
  RecordProperty("comparisons", static_cast<int>(compared));
  std::printf(
      "exhaustive: %zu patterns of up to %d tokens (%d valid) x 2 x %zu texts of up to "
      "%d characters = %ld comparisons of Match and GSub\n",
      patterns.size(), space.patternTokens, validPatterns, textsLF.size(), space.textChars,
      compared);
}

}  // namespace
}  // namespace tamsel
