#include "regex/match/match_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/regex/match/reference_matcher.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

using Scan = void (TMatchCORE::*)(const char*, const char*&, const char*&);
// Byte offset and length of a match.
using Found = std::optional<std::pair<long, long>>;

// A text in a heap block of exactly its length plus the terminator, so that
// the sanitizer reports any read past the terminator.
class ExactText {
 public:
  explicit ExactText(const std::string& bytes) : p_(new char[bytes.size() + 1]) {
    std::memcpy(p_.get(), bytes.data(), bytes.size());
    p_[bytes.size()] = 0;
  }
  const char* get() const { return p_.get(); }

 private:
  std::unique_ptr<char[]> p_;
};

Found RunScan(TMatchCORE& m, Scan scan, const std::string& text) {
  ExactText t(text);
  const char* start = t.get() + 1000;  // poison: every scan must set both
  const char* end = start;
  (m.*scan)(t.get(), start, end);
  if (start == nullptr) {
    EXPECT_EQ(end, nullptr);
    return std::nullopt;
  }
  EXPECT_NE(end, nullptr);
  const long len = static_cast<long>(std::strlen(t.get()));
  EXPECT_LE(t.get(), start);
  EXPECT_LE(start, end);
  EXPECT_LE(end, t.get() + len);
  return std::make_pair(static_cast<long>(start - t.get()), static_cast<long>(end - start));
}

struct ScanCase {
  const char* what;
  std::string pattern;
  std::string text;
  Scan scan;
  TMatchCORE_LineSeparator sep;
  long start;  // -1: no match
  long length;
};

constexpr Scan kStd = &TMatchCORE::MatchStd;
constexpr Scan kEX = &TMatchCORE::MatchEX;
constexpr Scan kInside = &TMatchCORE::MatchEX_Inside;

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.what;
}

class ScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, FindsTheLeftmostLongestMatch) {
  const ScanCase& c = GetParam();
  TMatchCORE m(nullptr);
  m.SetRegExp(c.pattern);
  m.SetLineSeparator(c.sep);
  const Found got = RunScan(m, c.scan, c.text);
  if (c.start < 0) {
    EXPECT_EQ(got, std::nullopt) << c.what;
  } else {
    EXPECT_EQ(got, Found(std::make_pair(c.start, c.length))) << c.what;
  }
}

// The same table through the reference matcher, which knows no automaton.
TEST_P(ScanTest, ReferenceMatcherAgrees) {
  const ScanCase& c = GetParam();
  const test::RefMatch got =
      test::ReferenceMatch(c.pattern, c.text, c.sep == mcls_CRLF ? '\r' : '\n', c.scan != kInside);
  if (c.start < 0) {
    EXPECT_EQ(got, std::nullopt) << c.what;
  } else {
    EXPECT_EQ(got, test::RefMatch(
                       std::make_pair(static_cast<size_t>(c.start), static_cast<size_t>(c.length))))
        << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanTest,
    ::testing::Values(
        ScanCase{"empty pattern, empty text", "", "", kStd, mcls_CRLF, 0, 0},
        ScanCase{"a on an empty text", "a", "", kStd, mcls_CRLF, -1, 0},
        ScanCase{"leftmost wins over longer", "b*", "abb", kStd, mcls_CRLF, 0, 0},
        ScanCase{"longest from the leftmost", "a|ab", "xab", kStd, mcls_CRLF, 1, 2},
        ScanCase{"longest run of the automaton", "ab*", "xabbbc", kStd, mcls_CRLF, 1, 4},
        // The trail byte 0x82 and the lead byte 0x81 after it spell ａ
        // (0x82 0x81); a match must not start on the trail byte.
        ScanCase{"no start on a trail byte", J("ａ"), "\x88\x82\x81\x81", kStd, mcls_CRLF, -1, 0},
        ScanCase{"no start on a trail byte (anchored)", J("ａ") + "$", "\x88\x82\x81", kEX,
                 mcls_CRLF, -1, 0},
        ScanCase{"double-byte step", J("ａ"), "\x88\x82\x82\x81", kStd, mcls_CRLF, 2, 2},
        ScanCase{"^ after LF", "^a", "ba\na", kEX, mcls_CRLF, 3, 1},
        ScanCase{"^ not inside a line", "^b", "ab", kEX, mcls_CRLF, -1, 0},
        ScanCase{"^ at the start of a double-byte line", "^" + J("あ"), "x\n" + J("あ"), kEX,
                 mcls_LF, 2, 2},
        ScanCase{"$ at CR under CRLF", "a$", "a\r\nb", kEX, mcls_CRLF, 0, 1},
        ScanCase{"no $ at CR under LF", "a$", "a\r\nb", kEX, mcls_LF, -1, 0},
        ScanCase{"$ at LF under LF", "a$", "ba\nb", kEX, mcls_LF, 1, 1},
        ScanCase{"c$ before CR LF under CRLF", "c$", "abc\r\n", kEX, mcls_CRLF, 2, 1},
        ScanCase{"c$ before CR LF under LF", "c$", "abc\r\n", kEX, mcls_LF, -1, 0},
        ScanCase{"$ at the end", "$", "ab", kEX, mcls_CRLF, 2, 0},
        ScanCase{"$ at CR", "$", "a\r\nb", kEX, mcls_CRLF, 1, 0},
        ScanCase{"$ at LF", "$", "a\r\nb", kEX, mcls_LF, 2, 0},
        ScanCase{"^ at the start", "^", "ab", kEX, mcls_CRLF, 0, 0},
        ScanCase{"^$ on an empty text", "^$", "", kEX, mcls_CRLF, 0, 0},
        ScanCase{"^$ on the empty line at the end", "^$", "a\n", kEX, mcls_CRLF, 2, 0},
        ScanCase{"^$ on an empty line", "^$", "a\n\nb", kEX, mcls_LF, 2, 0},
        ScanCase{"anchored alternative fails, plain one matches", "^a|b", "b", kEX, mcls_CRLF, 0,
                 1},
        ScanCase{"anchored run is the longer", "^ab|a", "abc", kEX, mcls_CRLF, 0, 2},
        ScanCase{"plain run is the longer", "^a|ab", "abc", kEX, mcls_CRLF, 0, 2},
        ScanCase{"empty match at a line start", "^a*", "baa", kEX, mcls_CRLF, 0, 0},
        ScanCase{"^ inside the text of MatchEX_Inside", "^a", "ab", kInside, mcls_CRLF, -1, 0},
        ScanCase{"^ after LF in MatchEX_Inside", "^a", "b\na", kInside, mcls_CRLF, 2, 1},
        ScanCase{"$ at the end in MatchEX_Inside", "$", "", kInside, mcls_CRLF, 0, 0},
        // Anchors elsewhere are their own characters.
        ScanCase{"a^ is literal", "a^", "xa^", kEX, mcls_CRLF, 1, 2},
        ScanCase{"$a is literal", "$a", "x$a", kEX, mcls_CRLF, 1, 2},
        ScanCase{"^ in a closure is literal", "(^a)*", "^a^ab", kEX, mcls_CRLF, 0, 4},
        ScanCase{"x*^a: literal ^", "x*^a", "a", kEX, mcls_CRLF, -1, 0},
        ScanCase{"(^a)+: anchored once, then literal", "(^a)+", "a^a^", kEX, mcls_CRLF, 0, 3},
        // A pattern that matches the empty string without its anchor matches
        // an empty text.
        ScanCase{"^a| on an empty text", "^a|", "", kEX, mcls_CRLF, 0, 0},
        ScanCase{"(^a)? on an empty text", "(^a)?", "", kEX, mcls_LF, 0, 0},
        // A line end that the pattern could also consume still ends a line.
        ScanCase{"$ at a CR that the run passes", "a$|a\\rb", "a\rc", kEX, mcls_CRLF, 0, 1},
        ScanCase{"longer run through the CR", "a$|a\\rb", "a\rb", kEX, mcls_CRLF, 0, 3},
        ScanCase{"$ at an LF that the run passes", "a$|a\\nb", "xa\nc", kEX, mcls_LF, 1, 1},
        // The terminator is no character: the code 0 never matches it.
        ScanCase{"\\0 at the end", "a\\0", "a", kStd, mcls_CRLF, -1, 0},
        ScanCase{"\\0* at the end", "a\\0*", "ab", kStd, mcls_CRLF, 0, 1},
        ScanCase{"\\0* before $", "a\\0*$", "a", kEX, mcls_CRLF, 0, 1},
        // A lead byte right before the terminator is one character.
        ScanCase{"lone lead byte as .", "a.", "a\x82", kStd, mcls_CRLF, 0, 2},
        ScanCase{"lone lead byte by its code", "\\x82", "a\x82", kStd, mcls_CRLF, 1, 1},
        ScanCase{"lone lead byte before $", ".$", "a\x82", kEX, mcls_CRLF, 1, 1}));

TEST(MatchCoreTest, MatchHeadLeavesThePlainRunToTheCaller) {
  TMatchCORE m(nullptr);
  m.SetRegExp("^a|b");
  ExactText t("b");
  EXPECT_EQ(m.MatchHead(t.get(), m.GetpInitialDFAState()), nullptr);
  EXPECT_EQ(m.MatchInside(t.get(), m.GetpInitialDFAState()), t.get() + 1);
}

TEST(MatchCoreTest, MatchHeadTakesTheLongerOfBothRuns) {
  TMatchCORE m(nullptr);
  m.SetRegExp("^a|abc");
  ExactText t("abc");
  EXPECT_EQ(m.MatchHead(t.get(), m.GetpInitialDFAState()), t.get() + 3);
  m.SetRegExp("^abc|a");
  EXPECT_EQ(m.MatchHead(t.get(), m.GetpInitialDFAState()), t.get() + 3);
}

TEST(MatchCoreTest, MatchInsideWithoutAStateIsNull) {
  TMatchCORE m(nullptr);
  m.SetRegExp("a");
  ExactText t("a");
  EXPECT_EQ(m.MatchInside(t.get(), nullptr), nullptr);
  EXPECT_EQ(m.MatchHead(t.get(), nullptr), nullptr);
}

TEST(MatchCoreTest, IsLineEndFollowsTheSeparator) {
  TMatchCORE m(nullptr);
  EXPECT_EQ(m.LineSeparator(), mcls_CRLF);
  EXPECT_TRUE(m.IsLineEnd(0x0D));
  EXPECT_FALSE(m.IsLineEnd(0x0A));
  EXPECT_FALSE(m.IsLineEnd(0));
  EXPECT_FALSE(m.IsLineEnd(0x0D0A));
  m.SetLineSeparator(mcls_LF);
  EXPECT_TRUE(m.IsLineEnd(0x0A));
  EXPECT_FALSE(m.IsLineEnd(0x0D));
  EXPECT_FALSE(m.IsLineEnd(0x820A));
}

TEST(MatchCoreTest, ScansUseThePatternSetLast) {
  TMatchCORE m(nullptr);
  m.SetRegExp("b");
  EXPECT_EQ(RunScan(m, kStd, "abc"), Found(std::make_pair(1L, 1L)));
  m.SetRegExp("c");
  EXPECT_EQ(RunScan(m, kStd, "abc"), Found(std::make_pair(2L, 1L)));
  m.SetRegExp("a$");
  m.SetLineSeparator(mcls_CRLF);
  EXPECT_EQ(RunScan(m, kEX, "a\nb"), std::nullopt);
  m.SetLineSeparator(mcls_LF);
  EXPECT_EQ(RunScan(m, kEX, "a\nb"), Found(std::make_pair(0L, 1L)));
}

// Texts that end in a lone lead byte or a CR, or hold one right before the
// terminator, under every scan: each result lies inside the text, and the
// sanitizer sees no read past the terminator.
TEST(MatchCoreTest, AwkwardTextEndsStayInBounds) {
  const std::vector<std::string> patterns = {"",      "a",     ".",    "x*",     "$",
                                             "^",     "^$",    ".$",   "^.",     "a|$",
                                             "[^a]*", "\\x82", "\\r$", "(^|a)*", J("あ") + "*$"};
  const std::vector<std::string> texts = {"\x82",
                                          "a\x82",
                                          "\r",
                                          "a\r",
                                          "\r\x82",
                                          "\n\x82",
                                          "\x82\r",
                                          "\r\n",
                                          "\n",
                                          J("あ") + "\x82",
                                          std::string("a\0b", 3)};
  for (const std::string& pattern : patterns) {
    TMatchCORE m(nullptr);
    m.SetRegExp(pattern);
    for (TMatchCORE_LineSeparator sep : {mcls_CRLF, mcls_LF}) {
      m.SetLineSeparator(sep);
      for (const std::string& text : texts) {
        for (Scan scan : {kStd, kEX, kInside}) RunScan(m, scan, text);
        ExactText t(text);
        const char* end = t.get() + std::strlen(t.get());
        const char* e = m.MatchInside(t.get(), m.GetpInitialDFAState());
        EXPECT_TRUE(e == nullptr || (t.get() <= e && e <= end));
        e = m.MatchHead(t.get(), m.GetpInitialDFAState());
        EXPECT_TRUE(e == nullptr || (t.get() <= e && e <= end));
      }
    }
  }
}

TEST(MatchCoreTest, AZeroByteEndsTheText) {
  TMatchCORE m(nullptr);
  m.SetRegExp("b");
  EXPECT_EQ(RunScan(m, kStd, std::string("a\0b", 3)), std::nullopt);
  m.SetRegExp("a$");
  EXPECT_EQ(RunScan(m, kEX, std::string("a\0b", 3)), Found(std::make_pair(0L, 1L)));
}

}  // namespace
}  // namespace tamsel
