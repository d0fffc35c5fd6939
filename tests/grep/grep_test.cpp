#include "grep/grep.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/events.h"
#include "regex/front/preprocessor.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;
using test::HookGuard;
using test::TempDir;

constexpr size_t kFill = 102400;

using Hits = std::vector<std::pair<int64_t, std::string>>;

Hits Collect(TGrep& g, void (TGrep::*proc)(const std::string&), const std::string& path) {
  Hits hits;
  g.OnMatch = [&](TGrep& sender, RE_LineInfo_t& info) {
    EXPECT_EQ(&sender, &g);
    hits.emplace_back(info.LineNo, info.Line);
  };
  (g.*proc)(path);
  g.OnMatch = nullptr;
  return hits;
}

// Runs the chosen procedure, the automaton search, and (for a plain string)
// the literal search; all must report the same lines.
Hits GrepAll(TGrep& g, const std::string& path) {
  Hits chosen = Collect(g, &TGrep::Grep, path);
  EXPECT_EQ(Collect(g, &TGrep::GrepByRegExp, path), chosen) << "automaton search differs";
  if (g.GetRegExpIsSimple()) {
    EXPECT_EQ(Collect(g, &TGrep::GrepByStr, path), chosen) << "literal search differs";
  }
  return chosen;
}

std::vector<int64_t> Numbers(const Hits& hits) {
  std::vector<int64_t> n;
  for (const auto& h : hits) n.push_back(h.first);
  return n;
}

const std::vector<std::string> kLines = {
    "abc def",            // 1
    "",                   // 2
    J("日本語の日本語"),  // 3
    "xabc",               // 4
    "abcx",               // 5
    "",                   // 6
    J("これも日本語"),    // 7
    "a b",                // 8
};

std::string Join(const std::vector<std::string>& lines, const std::string& end) {
  std::string s;
  for (const std::string& l : lines) s += l + end;
  return s;
}

struct PatternCase {
  std::string pattern;
  std::vector<int64_t> lines;
  bool simple;  // chosen procedure is the literal search
};

TEST(GrepTest, ReportsEachMatchingLineOnceInOrder) {
  const std::vector<PatternCase> cases = {
      {J("日本語"), {3, 7}, true},
      {"^", {1, 2, 3, 4, 5, 6, 7, 8}, true},
      {"$", {1, 2, 3, 4, 5, 6, 7, 8}, true},  // the LF before each line
      {"^$", {2, 6}, true},
      {"", {}, true},
      {"^abc", {1, 5}, true},
      {"abc$", {4}, true},
      {"^a", {1, 5, 8}, true},
      {J("語$"), {3, 7}, true},
      {"a*", {1, 4, 5, 8}, false},
      {"a|b", {1, 4, 5, 8}, false},
      {"b+c", {1, 4, 5}, false},
      {"c.*x", {5}, false},
      {"[x-z]$", {5}, false},
      {J("(日本)+語の"), {3}, false},
      {"zzz", {}, true},
  };
  TempDir dir;
  // LF, CR LF and lone CR line ends, with and without a final line end.
  const std::vector<std::string> files = {
      dir.Write("lf.txt", Join(kLines, "\n")),
      dir.Write("crlf.txt", Join(kLines, "\r\n")),
      dir.Write("cr.txt", Join(kLines, "\r")),
      dir.Write("nofinal.txt", Join(kLines, "\n") + "a b"),
  };
  TGrep g(nullptr);
  for (const PatternCase& c : cases) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\"");
    g.SetRegExp(c.pattern);
    EXPECT_EQ(g.GetRegExpIsSimple(), c.simple);
    for (size_t f = 0; f < files.size(); ++f) {
      SCOPED_TRACE(files[f]);
      Hits hits = GrepAll(g, files[f]);
      std::vector<int64_t> want = c.lines;
      // The extra last line "a b" of nofinal.txt.
      if (f == 3 && (c.pattern == "^" || c.pattern == "$" || c.pattern == "^a" ||
                     c.pattern == "a*" || c.pattern == "a|b")) {
        want.push_back(9);
      }
      EXPECT_EQ(Numbers(hits), want);
      for (const auto& [no, text] : hits) EXPECT_EQ(text, no <= 8 ? kLines[no - 1] : "a b");
    }
  }
}

TEST(GrepTest, EmptyFirstLineMatchesLineHeadAndTail) {
  TempDir dir;
  std::string path = dir.Write("e.txt", "\nx\n\n");
  TGrep g(nullptr);
  g.SetRegExp("^$");
  EXPECT_EQ(Numbers(GrepAll(g, path)), (std::vector<int64_t>{1, 3}));
  g.SetRegExp("^x$");
  EXPECT_EQ(GrepAll(g, path), (Hits{{2, "x"}}));
}

// A match that starts in one fill and ends in the next: split inside each
// double-byte character and between characters.
TEST(GrepTest, MatchAcrossAFillIsFoundWithItsWholeLine) {
  TempDir dir;
  const std::string needle = J("針") + "NEEDLE" + J("糸");  // 10 bytes
  TGrep g(nullptr);
  // The needle's bytes lie at kFill + shift to kFill + shift + 9.
  for (int shift : {-10, -9, -8, -5, -2, -1, 0}) {
    SCOPED_TRACE("shift " + std::to_string(shift));
    std::string content = "first\n";
    std::string line = std::string(kFill + shift - content.size(), 'h') + needle + "tail";
    content += line + "\nlast\n";
    std::string path = dir.Write("cross.txt", content);
    for (const std::string& pattern : {needle, J("針") + "NEE[D]LE" + J("糸"), "^h+" + J("針")}) {
      SCOPED_TRACE(pattern);
      g.SetRegExp(pattern);
      EXPECT_EQ(GrepAll(g, path), (Hits{{2, line}}));
    }
  }
}

TEST(GrepTest, LineLongerThanAFillIsReportedWhole) {
  TempDir dir;
  std::string line = std::string(2 * kFill + 33, 'w') + J("終");
  std::string path = dir.Write("long.txt", "a\n" + line + "\nb\n");
  TGrep g(nullptr);
  for (const std::string& pattern : {J("終"), J("w終$"), std::string("ww")}) {
    g.SetRegExp(pattern);
    EXPECT_EQ(GrepAll(g, path), (Hits{{2, line}}));
  }
}

TEST(GrepTest, ZerosPastTheEndEndTheSearch) {
  TempDir dir;
  std::string path = dir.Write("z.txt", "xa\nya");
  TGrep g(nullptr);
  // Only a reader past the end of the file hands out the code 0.
  g.SetRegExp("a\\n\\0*b");
  EXPECT_EQ(GrepAll(g, path), Hits{});
  g.SetRegExp("a\\n\\0\\0*");
  EXPECT_EQ(Numbers(GrepAll(g, path)), (std::vector<int64_t>{2}));
  g.SetRegExp("a\\n\\0");
  EXPECT_EQ(Numbers(GrepAll(g, path)), (std::vector<int64_t>{2}));
  g.SetRegExp("(\\0\\0)*\\0q");
  EXPECT_EQ(GrepAll(g, path), Hits{});
}

TEST(GrepTest, FilesThatAreEmptyMissingOrNotFiles) {
  TempDir dir;
  TGrep g(nullptr);
  g.SetRegExp("a");
  std::string empty = dir.Write("empty.txt", "");
  EXPECT_EQ(GrepAll(g, empty), Hits{});
  std::string missing = (dir.path() / "missing.txt").string();
  EXPECT_THROW(Collect(g, &TGrep::Grep, missing), EFileNotFound);
  EXPECT_THROW(Collect(g, &TGrep::GrepByRegExp, missing), EFileNotFound);
  std::string sub = (dir.path() / "sub").string();
  ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
  EXPECT_THROW(Collect(g, &TGrep::Grep, sub), EFileNotFound);
  // Without a handler the file is not even opened.
  g.OnMatch = nullptr;
  g.Grep(missing);
  g.GrepByRegExp(missing);
  g.GrepByStr(missing);
}

TEST(GrepTest, BinaryAndOddBytes) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 3 * 256; ++i) bytes += static_cast<char>(i * 7 % 256);
  bytes += "\x81\nmark\x82";  // a lead byte before an LF and at the end
  std::string path = dir.Write("bin.txt", bytes);
  TGrep g(nullptr);
  g.SetRegExp("^mark");
  Hits hits = GrepAll(g, path);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].second, "mark\x82");
  g.SetRegExp("\\x81$");
  EXPECT_FALSE(GrepAll(g, path).empty());
  std::string nul = dir.Write("nul.txt", std::string(300000, '\0'));
  g.SetRegExp("  ");
  EXPECT_EQ(GrepAll(g, nul), (Hits{{1, std::string(300000, ' ')}}));
}

// Both searches compare characters: a character code given by an escape is
// not re-read from its bytes.
TEST(GrepTest, EscapedCodesCompareAsCharacters) {
  TempDir dir;
  std::string path = dir.Write("x.txt",
                               "4\n\x81"
                               "a\n\x81\x81\x81\n");
  const std::vector<PatternCase> cases = {
      {"\\x1234", {}, true},  // no text holds this code
      {"\\x81a", {}, true},   // the text holds one character 0x8161
      {"\\x8161", {2}, true},
      {"\\x81$", {3}, true},  // a lead byte before a line end stands alone
      {"\\x81\\x81", {}, true},
      {"\\x8181", {3}, true},
  };
  TGrep g(nullptr);
  for (const PatternCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    g.SetRegExp(c.pattern);
    EXPECT_EQ(g.GetRegExpIsSimple(), c.simple);
    EXPECT_EQ(Numbers(GrepAll(g, path)), c.lines);
  }
}

TEST(GrepTest, GrepWorksBeforeAnyPatternIsSet) {
  TempDir dir;
  std::string path = dir.Write("a.txt", "abc\n");
  TGrep g(nullptr);
  EXPECT_TRUE(GrepAll(g, path).empty());
  EXPECT_THROW(Collect(g, &TGrep::Grep, (dir.path() / "none").string()), EFileNotFound);
}

TEST(GrepTest, FailedPatternKeepsTheProcedureOnTheEmptyPattern) {
  TempDir dir;
  std::string path = dir.Write("a.txt", "abc\n");
  TGrep g(nullptr);
  g.SetRegExp("a*");
  EXPECT_EQ(GrepAll(g, path).size(), 1u);
  EXPECT_THROW(g.SetRegExp("(a"), ERegExpParser);
  EXPECT_EQ(g.RegExp(), "");
  EXPECT_TRUE(Collect(g, &TGrep::Grep, path).empty());
}

TEST(GrepTest, FuzzyDictionaryWidensThePattern) {
  TempDir dir;
  std::string path = dir.Write("f.txt", J("ＡＢＣ\nabc\nxyz\n"));
  TGrep g(nullptr);
  g.SetRegExp("abc");
  EXPECT_EQ(Numbers(GrepAll(g, path)), (std::vector<int64_t>{2}));
  g.SetUseFuzzyCharDic(true);
  EXPECT_EQ(Numbers(GrepAll(g, path)), (std::vector<int64_t>{1, 2}));
}

TEST(GrepTest, CancelFromTheHandlerStopsAtTheNextLine) {
  TempDir dir;
  std::string path = dir.Write("c.txt", "a1\na2\na3\n");
  for (auto proc : {&TGrep::GrepByStr, &TGrep::GrepByRegExp}) {
    TGrep g(nullptr);
    g.SetRegExp("a");
    Hits hits;
    g.OnMatch = [&](TGrep& sender, RE_LineInfo_t& info) {
      hits.emplace_back(info.LineNo, info.Line);
      sender.Cancel = true;
    };
    EXPECT_THROW((g.*proc)(path), EGrepCancel);
    EXPECT_EQ(hits, (Hits{{1, "a1"}}));
    // The next search starts with Cancel cleared.
    g.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { hits.emplace_back(info.LineNo, info.Line); };
    (g.*proc)(path);
    EXPECT_EQ(hits.size(), 4u);
  }
}

TEST(GrepTest, CancelFromTheHandlerStopsAtTheNextFill) {
  TempDir dir;
  // One match in the first fill, none after: the second fill raises.
  std::string path = dir.Write("c.txt", "hit\n" + std::string(2 * kFill, 'x') + "\nhit\n");
  TGrep g(nullptr);
  g.SetRegExp("hit");
  int fills = 0;
  HookGuard guard([&] { ++fills; });
  int hits = 0;
  g.OnMatch = [&](TGrep& sender, RE_LineInfo_t&) {
    ++hits;
    sender.Cancel = true;
  };
  fills = 0;
  EXPECT_THROW(g.Grep(path), EGrepCancel);
  EXPECT_EQ(hits, 1);
  EXPECT_EQ(fills, 3);  // first fill, the reported line, the second fill
}

TEST(GrepTest, CancelFromAnEventHandlerDuringTheSearch) {
  TempDir dir;
  std::string path = dir.Write("c.txt", std::string(3 * kFill, 'x') + "\nhit\n");
  TGrep g(nullptr);
  g.SetRegExp("hit");
  int hits = 0;
  g.OnMatch = [&](TGrep&, RE_LineInfo_t&) { ++hits; };
  int events = 0;
  HookGuard guard([&] {
    if (++events == 2) g.Cancel = true;
  });
  EXPECT_THROW(g.Grep(path), EGrepCancel);
  EXPECT_EQ(hits, 0);
}

TEST(GrepTest, HandlerMaySetOtherPatternsDuringTheSearch) {
  TempDir dir;
  std::string content;
  for (int i = 1; i <= 40; ++i)
    content += (i % 3 == 0 ? "abcd " : "xyz ") + std::to_string(i) + "\n";
  std::string path = dir.Write("p.txt", content);
  for (const std::string& pattern : {std::string("abcd"), std::string("ab+cd")}) {
    SCOPED_TRACE(pattern);
    TGrep g(nullptr);
    g.SetRegExp(pattern);
    Hits expected = Collect(g, &TGrep::Grep, path);
    ASSERT_EQ(expected.size(), 13u);
    Hits hits;
    int n = 0;
    g.OnMatch = [&](TGrep& sender, RE_LineInfo_t& info) {
      hits.emplace_back(info.LineNo, info.Line);
      // Enough new patterns to evict every other cache entry, the running
      // search's own included.
      for (int k = 0; k < 35; ++k) sender.SetRegExp("q" + std::to_string(n++) + "[0-9]*");
    };
    g.Grep(path);
    EXPECT_EQ(hits, expected);
    EXPECT_EQ(g.CacheCount(), 30);
    EXPECT_NE(g.GetProcessedRegExp(), pattern);
  }
}

TEST(GrepTest, HandlerMayStartAnotherSearch) {
  TempDir dir;
  std::string outer = dir.Write("outer.txt", "one\ntwo\nthree\n");
  std::string inner = dir.Write("inner.txt", "tw\nthr\n");
  TGrep g(nullptr);
  g.SetRegExp("t[a-z]+");
  std::vector<std::string> log;
  g.OnMatch = [&](TGrep& sender, RE_LineInfo_t& info) {
    log.push_back("outer " + std::to_string(info.LineNo) + " " + info.Line);
    TGrepOnMatch saved = sender.OnMatch;
    sender.SetRegExp("h");
    sender.OnMatch = [&](TGrep&, RE_LineInfo_t& in) {
      log.push_back("inner " + std::to_string(in.LineNo) + " " + in.Line);
    };
    sender.Grep(inner);
    sender.OnMatch = saved;
  };
  g.Grep(outer);
  EXPECT_EQ(log, (std::vector<std::string>{"outer 2 two", "inner 2 thr", "outer 3 three",
                                           "inner 2 thr"}));
}

TEST(GrepTest, ErrorFromTheHandlerStopsTheSearch) {
  TempDir dir;
  std::string path = dir.Write("e.txt", "a\na\n");
  TGrep g(nullptr);
  g.SetRegExp("a");
  int hits = 0;
  g.OnMatch = [&](TGrep&, RE_LineInfo_t&) {
    ++hits;
    throw Exception("stop");
  };
  EXPECT_THROW(g.Grep(path), Exception);
  EXPECT_EQ(hits, 1);
}

TEST(GrepTest, LineNumbersAreThoseOfTheLinesInALargeFile) {
  TempDir dir;
  std::string content;
  std::vector<int64_t> want;
  for (int i = 1; i <= 30000; ++i) {
    bool hit = i % 997 == 0;
    content +=
        (hit ? J("漢字") : std::string("text")) + " " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
    if (hit) want.push_back(i);
  }
  std::string path = dir.Write("big.txt", content);
  TGrep g(nullptr);
  g.SetRegExp(J("漢字"));
  Hits hits = GrepAll(g, path);
  EXPECT_EQ(Numbers(hits), want);
  for (const auto& [no, text] : hits) EXPECT_EQ(text, J("漢字") + " " + std::to_string(no));
}

}  // namespace
}  // namespace tamsel
