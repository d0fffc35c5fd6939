#include "regex/match/awk_str.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "regex/front/dbchar.h"
#include "regex/front/preprocessor.h"
#include "tests/regex/match/reference_matcher.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

// One pattern and text seen through all four functions, the replacement
// being a single hyphen.
struct AwkCase {
  const char* what;
  std::string pattern;
  std::string text;
  TMatchCORE_LineSeparator sep;
  int32_t matchStart;  // 0: no match
  int32_t matchLength;
  std::optional<std::string> sub;  // nullopt: no match, text unchanged
  std::string gsub;
  int32_t gsubCount;
  std::vector<std::string> split;
};

std::string Bytes(const char* s, size_t n) {
  return std::string(s, n);
}

std::vector<AwkCase> Cases() {
  const std::string a = J("あ");
  return {
      {"one run", "b+", "abbc", mcls_CRLF, 2, 2, "a-c", "a-c", 1, {"a", "c"}},
      {"no match", "z", "abc", mcls_CRLF, 0, 0, std::nullopt, "abc", 0, {"abc"}},
      {"only empty matches", "x*", "abc", mcls_CRLF, 1, 0, "-abc", "-a-b-c", 3, {"abc"}},
      {"empty matches around a match",
       "b*",
       "abc",
       mcls_CRLF,
       1,
       0,
       "-abc",
       "-a--c",
       3,
       {"a", "c"}},
      {"every character", "a", "aaa", mcls_CRLF, 1, 1, "-aa", "---", 3, {"", "", "", ""}},
      {"$ at the end", "$", "ab", mcls_CRLF, 3, 0, "ab-", "ab-", 1, {"ab", ""}},
      {"^ at each line start",
       "^a",
       "a\na\nba",
       mcls_CRLF,
       1,
       1,
       "-\na\nba",
       "-\n-\nba",
       2,
       {"", "\n", "\nba"}},
      // GSub does not count the start of its rest as a line start; Split
      // takes each rest as a text of its own.
      {"^ after a match inside a line",
       "^a",
       "aaa",
       mcls_CRLF,
       1,
       1,
       "-aa",
       "-aa",
       1,
       {"", "", "", ""}},
      {"commas", ",", "a,b,,c", mcls_CRLF, 2, 1, "a-b,,c", "a-b--c", 3, {"a", "b", "", "c"}},
      {"separators at both ends", ",", ",a,", mcls_CRLF, 1, 1, "-a,", "-a-", 2, {"", "a", ""}},
      {"empty text, empty match", "x*", "", mcls_CRLF, 1, 0, "-", "-", 1, {}},
      {"empty text, no match", "a", "", mcls_CRLF, 0, 0, std::nullopt, "", 0, {}},
      {"anchored pattern matching empty, empty text", "^a|", "", mcls_CRLF, 1, 0, "-", "-", 1, {}},
      {"double-byte before the match", "b", a + "b", mcls_CRLF, 3, 1, a + "-", a + "-", 1, {a, ""}},
      {"empty matches step over a double-byte character",
       "x*",
       a + "b",
       mcls_CRLF,
       1,
       0,
       "-" + a + "b",
       "-" + a + "-b",
       2,
       {a + "b"}},
      {"zero byte after the match",
       "b",
       Bytes("ab\0b", 4),
       mcls_CRLF,
       2,
       1,
       Bytes("a-\0b", 4),
       "a-",
       1,
       {"a", ""}},
      {"zero byte, no match before it",
       "z",
       Bytes("ab\0z", 4),
       mcls_CRLF,
       0,
       0,
       std::nullopt,
       Bytes("ab\0z", 4),
       0,
       {"ab"}},
      {"comma after a zero byte",
       ",",
       Bytes("a,b\0,c", 6),
       mcls_CRLF,
       2,
       1,
       Bytes("a-b\0,c", 6),
       "a-b",
       1,
       {"a", "b"}},
      {"CR LF stepped as one",
       "x*",
       "a\r\nb",
       mcls_CRLF,
       1,
       0,
       "-a\r\nb",
       "-a-\r\n-b",
       3,
       {"a\r\nb"}},
      {"CR and LF stepped apart under LF",
       "x*",
       "a\r\nb",
       mcls_LF,
       1,
       0,
       "-a\r\nb",
       "-a-\r-\n-b",
       4,
       {"a\r\nb"}},
      {"the search after CR LF starts a line",
       "^b|x*",
       "a\r\nb",
       mcls_CRLF,
       1,
       0,
       "-a\r\nb",
       "-a-\r\n-",
       3,
       {"a\r\n", ""}},
      {"$ at CR", "$", "a\r\nb", mcls_CRLF, 2, 0, "a-\r\nb", "a-\r\nb-", 2, {"a", "\r\nb", ""}},
      {"$ at LF", "$", "a\r\nb", mcls_LF, 3, 0, "a\r-\nb", "a\r-\nb-", 2, {"a\r", "\nb", ""}},
      {"CR at the end", "x*", "a\r", mcls_CRLF, 1, 0, "-a\r", "-a-\r", 2, {"a\r"}},
      {"CR without LF", "x*", "\ra", mcls_CRLF, 1, 0, "-\ra", "-\r-a", 2, {"\ra"}},
      {"CR before a double-byte character",
       "x*",
       "\r" + a,
       mcls_CRLF,
       1,
       0,
       "-\r" + a,
       "-\r-" + a,
       2,
       {"\r" + a}},
      {"lone lead byte at the end",
       "x*",
       "a\x82",
       mcls_CRLF,
       1,
       0,
       "-a\x82",
       "-a-\x82",
       2,
       {"a\x82"}},
      {"lone lead byte as a character",
       ".",
       "a\x82",
       mcls_CRLF,
       1,
       1,
       "-\x82",
       "--",
       2,
       {"", "", ""}},
      // The field built from empty matches is not repeated after the rest.
      {"empty match, then none", "^$", "\na", mcls_LF, 1, 0, "-\na", "-\na", 1, {"\na"}},
  };
}

void PrintTo(const AwkCase& c, std::ostream* os) {
  *os << c.what;
}

class AwkTableTest : public ::testing::TestWithParam<AwkCase> {
 protected:
  void SetUp() override {
    awk.SetRegExp(GetParam().pattern);
    awk.SetLineSeparator(GetParam().sep);
  }
  TAWKStr awk{nullptr};
};

TEST_P(AwkTableTest, Match) {
  const AwkCase& c = GetParam();
  int32_t start = -1, length = -1;
  EXPECT_EQ(awk.Match(c.text, start, length), c.matchStart);
  EXPECT_EQ(start, c.matchStart);
  EXPECT_EQ(length, c.matchLength);
}

TEST_P(AwkTableTest, Sub) {
  const AwkCase& c = GetParam();
  std::string text = c.text;
  EXPECT_EQ(awk.Sub("-", text), c.sub.has_value());
  EXPECT_EQ(text, c.sub.value_or(c.text));
}

TEST_P(AwkTableTest, GSub) {
  const AwkCase& c = GetParam();
  std::string text = c.text;
  EXPECT_EQ(awk.GSub("-", text), c.gsubCount);
  EXPECT_EQ(text, c.gsub);
}

TEST_P(AwkTableTest, Split) {
  const AwkCase& c = GetParam();
  TStringList fields;
  fields.Add("left over");
  EXPECT_EQ(awk.Split(c.text, fields), static_cast<int32_t>(c.split.size()));
  EXPECT_EQ(fields.Items(), c.split);
}

// Match and GSub of the table through the reference matcher.
TEST_P(AwkTableTest, ReferenceMatcherAgrees) {
  const AwkCase& c = GetParam();
  const char lineEnd = c.sep == mcls_CRLF ? '\r' : '\n';
  const test::ReferencePattern ref(c.pattern);
  const test::RefMatch m = ref.Match(c.text, lineEnd, true);
  EXPECT_EQ(m ? static_cast<int32_t>(m->first) + 1 : 0, c.matchStart);
  EXPECT_EQ(m ? static_cast<int32_t>(m->second) : 0, c.matchLength);
  int count = -1;
  EXPECT_EQ(test::ReferenceGSub(
                ref, c.text, lineEnd, [](std::string_view) { return std::string("-"); }, &count),
            c.gsub);
  EXPECT_EQ(count, c.gsubCount);
}

INSTANTIATE_TEST_SUITE_P(Cases, AwkTableTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<AwkCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

// Replacement strings: what each yields, the matched text being <m>.
struct ReplacementCase {
  std::string replacement;
  std::string yields;
};

class ReplacementTest : public ::testing::TestWithParam<ReplacementCase> {};

TEST_P(ReplacementTest, Yields) {
  TAWKStr awk(nullptr);
  EXPECT_EQ(awk.Substitute_MatchStr_For_ANDChar(GetParam().replacement, "<m>"), GetParam().yields);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplacementTest,
    ::testing::Values(ReplacementCase{"&", "<m>"}, ReplacementCase{"[&]", "[<m>]"},
                      ReplacementCase{"&&", "<m><m>"}, ReplacementCase{"\\&", "&"},
                      ReplacementCase{"\\\\&", "&"}, ReplacementCase{"\\\\\\&", "\\&"},
                      ReplacementCase{"\\\\", "\\"}, ReplacementCase{"a\\\\b", "a\\b"},
                      ReplacementCase{"\\n", "\n"}, ReplacementCase{"\\t\\r\\b", "\t\r\b"},
                      ReplacementCase{"\\x41", "A"}, ReplacementCase{"\\101&", "A<m>"},
                      ReplacementCase{"\\0", std::string(1, '\0')}, ReplacementCase{"\\q\\N", "qN"},
                      ReplacementCase{"", ""}, ReplacementCase{"\\" + J("あ"), J("あ")},
                      ReplacementCase{J("あ&"), J("あ") + "<m>"},
                      // ソ and 表 end in the byte of the backslash.
                      ReplacementCase{J("ソ&"), J("ソ") + "<m>"},
                      ReplacementCase{J("表\\&"), J("表") + "&"}));

TEST(AwkStrTest, MatchedTextIsInsertedUnchanged) {
  TAWKStr awk(nullptr);
  EXPECT_EQ(awk.Substitute_MatchStr_For_ANDChar("[&]", "&\\n"), "[&\\n]");
}

TEST(AwkStrTest, ProcessEscSeqDecodesEscapes) {
  TAWKStr awk(nullptr);
  EXPECT_EQ(awk.ProcessEscSeq("a\\nb\\\\c\\&d"), "a\nb\\c&d");
  EXPECT_EQ(awk.ProcessEscSeq("\\x41\\102"), "AB");
  EXPECT_EQ(awk.ProcessEscSeq(J("ソ") + "n"), J("ソ") + "n");
  EXPECT_EQ(awk.ProcessEscSeq("\\" + J("ソ")), J("ソ"));
  EXPECT_EQ(awk.ProcessEscSeq(std::string("a\0b", 3)), std::string("a\0b", 3));
}

struct BadReplacement {
  std::string replacement;
  const std::string& (*message)();
};

class BadReplacementTest : public ::testing::TestWithParam<BadReplacement> {};

TEST_P(BadReplacementTest, SubKeepsTheDeletionGSubChangesNothing) {
  const BadReplacement& c = GetParam();
  TAWKStr awk(nullptr);
  awk.SetRegExp("b");
  std::string text = "abcb";
  try {
    awk.Sub(c.replacement, text);
    ADD_FAILURE() << "Sub raised nothing";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), c.message());
  }
  EXPECT_EQ(text, "acb");

  text = "abcb";
  try {
    awk.GSub(c.replacement, text);
    ADD_FAILURE() << "GSub raised nothing";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), c.message());
  }
  EXPECT_EQ(text, "abcb");
}

INSTANTIATE_TEST_SUITE_P(Cases, BadReplacementTest,
                         ::testing::Values(BadReplacement{"\\", &msg::NeedCharAfterBackslash},
                                           BadReplacement{"-\\\\\\", &msg::NeedCharAfterBackslash},
                                           BadReplacement{"\\xg", &msg::InvalidHex},
                                           BadReplacement{"\\x", &msg::InvalidHex},
                                           BadReplacement{"\\200000", &msg::InvalidOctal},
                                           BadReplacement{"a\x82", &msg::InvalidDoubleByte},
                                           // A decoded lead byte with nothing after it.
                                           BadReplacement{"\\x82", &msg::InvalidDoubleByte}));

TEST(AwkStrTest, SubReplacesTheFirstMatchOnly) {
  TAWKStr awk(nullptr);
  awk.SetRegExp("b");
  std::string text = "abcb";
  EXPECT_TRUE(awk.Sub("[&]", text));
  EXPECT_EQ(text, "a[b]cb");
}

TEST(AwkStrTest, ReplacementEscapesReachTheText) {
  TAWKStr awk(nullptr);
  awk.SetRegExp(",");
  std::string text = "a,b";
  EXPECT_EQ(awk.GSub("\\&", text), 1);
  EXPECT_EQ(text, "a&b");
  text = "a,b";
  EXPECT_EQ(awk.GSub("\\n", text), 1);
  EXPECT_EQ(text, "a\nb");
}

TEST(AwkStrTest, FunctionsWorkBeforeAnyPatternIsSet) {
  TAWKStr awk(nullptr);
  int32_t start = -1, length = -1;
  EXPECT_EQ(awk.Match("abc", start, length), 1);
  EXPECT_EQ(length, 0);
  std::string text = "ab";
  EXPECT_EQ(awk.GSub("-", text), 2);
  EXPECT_EQ(text, "-a-b");
  TStringList fields;
  EXPECT_EQ(awk.Split("ab", fields), 1);
}

TEST(AwkStrTest, ConstructorAddsTheFuzzyCharacterDictionary) {
  TAWKStr awk(nullptr);
  ASSERT_EQ(awk.GetListOfFuzzyCharDic().size(), 1u);
  EXPECT_EQ(awk.GetListOfFuzzyCharDic()[0], &RE_FuzzyCharDic());
  EXPECT_EQ(awk.LineSeparator(), mcls_CRLF);
}

TEST(AwkStrTest, EverySetRegExpChoosesTheScan) {
  TAWKStr awk(nullptr);
  int32_t start, length;
  awk.SetRegExp("^a");
  EXPECT_EQ(awk.Match("ba", start, length), 0);
  EXPECT_EQ(awk.Match("b\na", start, length), 3);
  awk.SetRegExp("a");
  EXPECT_EQ(awk.Match("ba", start, length), 2);
  awk.SetRegExp("a$");
  EXPECT_EQ(awk.Match("ab", start, length), 0);
  EXPECT_EQ(awk.Match("ba", start, length), 2);
}

TEST(AwkStrTest, DictionarySwitchKeepsTheAnchoredScan) {
  TAWKStr awk(nullptr);
  int32_t start, length;
  awk.SetRegExp("^" + J("あ"));
  EXPECT_EQ(awk.Match("x\n" + J("ア"), start, length), 0);
  awk.SetUseFuzzyCharDic(true);
  EXPECT_EQ(awk.Match("x\n" + J("ア"), start, length), 3);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(awk.Match("x" + J("ア"), start, length), 0);
}

TEST(AwkStrTest, FailedPatternLeavesTheEmptyPatternUsable) {
  TAWKStr awk(nullptr);
  awk.SetRegExp("^a");
  EXPECT_THROW(awk.SetRegExp("("), ERegExpParser);
  EXPECT_EQ(awk.RegExp(), "");
  int32_t start = -1, length = -1;
  EXPECT_EQ(awk.Match("ba", start, length), 1);
  EXPECT_EQ(length, 0);
}

TEST(AwkStrTest, LineSeparatorTakesEffectAtTheNextCall) {
  TAWKStr awk(nullptr);
  awk.SetRegExp("a$");
  std::string text = "a\r\na\n";
  EXPECT_EQ(awk.GSub("-", text), 1);
  EXPECT_EQ(text, "-\r\na\n");
  awk.SetLineSeparator(mcls_LF);
  text = "a\r\na\n";
  EXPECT_EQ(awk.GSub("-", text), 1);
  EXPECT_EQ(text, "a\r\n-\n");
}

}  // namespace
}  // namespace tamsel
