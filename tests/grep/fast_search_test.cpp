// The fast search (TGrep::Grep) against the straightforward searches
// (GrepByRegExp, GrepByStr) on generated files: the same lines, numbers and
// texts for every pattern of a table, over texts full of the odd cases the
// reader has rules for, in files that cross the 102400-byte fills.
#include "grep/fast_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "grep/grep.h"
#include "platform/events.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::HookGuard;
using test::J;
using test::TempDir;

constexpr size_t kFill = 102400;

using Hits = std::vector<std::pair<int64_t, std::string>>;

Hits Collect(TGrep& g, void (TGrep::*proc)(const std::string&), const std::string& path) {
  Hits hits;
  g.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { hits.emplace_back(info.LineNo, info.Line); };
  (g.*proc)(path);
  g.OnMatch = nullptr;
  return hits;
}

// Characters that end the walks of every pattern below soon, so that the
// straightforward search, which tries every start, stays linear on long lines.
std::string Filler(std::mt19937& rnd, size_t size) {
  std::string s;
  while (s.size() < size) s += "abx "[rnd() % 4];
  return s;
}

// Pieces of text with every case the reader has a rule for: line ends of
// three kinds, NUL (read as a space), a double-byte character, half-width
// katakana, and lead bytes that pair with whatever follows or stand alone
// before a line end.
std::string RandomText(std::mt19937& rnd, size_t size, bool longLines) {
  static const std::vector<std::string> pieces = {
      "a",    "b",        "a",     "b",     "ab",
      "aab",  J("あ"),    J("あ"), J("ア"), "\xB1",
      "\n",   "\n",       "\r\n",  "\r",    std::string(1, '\0'),
      "\x81", "\x81\x81", "\xE0",  " ",     J("ーア"),
      "\x82", "\x83"};
  std::string s;
  while (s.size() < size) {
    if (longLines && rnd() % 2000 == 0) {
      // A line longer than a fill.
      s += Filler(rnd, kFill + rnd() % 1000);
      continue;
    }
    s += pieces[rnd() % pieces.size()];
  }
  s.resize(size);
  return s;
}

struct DiffCase {
  std::string pattern;
  bool fuzzy = false;
};

// Patterns of every shape: plain strings with and without anchors, classes,
// alternations, closures, patterns that match the empty string, escapes of
// codes, line-end escapes (some of which read past a line end, which only the
// straightforward search takes), and the fuzzy dictionary.
const std::vector<DiffCase>& Patterns() {
  static const std::vector<DiffCase> cases = {
      {"a"},
      {"ab"},
      {"aab"},
      {"ba"},
      {J("あ")},
      {J("あa")},
      {J("ア")},
      {J("ーア")},
      {"\xB1"},
      {"  "},
      {"^"},
      {"$"},
      {"^$"},
      {""},
      {"^a"},
      {"b$"},
      {"^ab$"},
      {"^" + J("あ")},
      {J("あ") + "$"},
      {"\\x81"},
      {"\\x81$"},
      {"\\x8181"},
      {"b\\x81"},
      {"\\n"},
      {"a\\n"},
      {"a*"},
      {"a?b?"},
      {"a+b"},
      {"(a|b)b"},
      {"ab|ba"},
      {"(ab|ba)+$"},
      {"[a-b]+$"},
      {"^[^a]"},
      {"[^a]*b$"},
      {"."},
      {"^.$"},
      {"a.b"},
      {"a..b"},
      {"[" + J("ぁ-ん") + "]a"},
      {"[" + J("ァ-ヶ") + "]" + J("ー") + "?[" + J("ァ-ヶ") + "]"},
      {J("ア") + "[ab]|b" + J("あ")},
      {J("ーア") + "|\xB1" + "b"},
      {"(a|" + J("あ") + ")\\x81"},
      {"[ab]*aab"},
      {"ab[ab]*ba"},
      {J("ア") + "[ab]*" + J("ア") + "b"},
      {"[ab]*" + J("ア") + "ab"},
      {"[\\x01-\\x7f]a"},
      {"a\\nb"},
      {"a[\\x01-\\x7f]b"},
      {"b\\n\\n"},
      {"b$\\n"},
      {"a[^x]*\\nb"},
      {"(a|\\n)+b\\n"},
      {"[^x]*b\\n\\na"},
      {"a[^x]*" + J("ア") + "$"},
      {J("あ"), true},
      {"ab", true},
  };
  return cases;
}

void ExpectSameLines(TGrep& g, const std::string& path) {
  const Hits fast = Collect(g, &TGrep::Grep, path);
  EXPECT_EQ(fast, Collect(g, &TGrep::GrepByRegExp, path)) << "automaton search differs";
  if (g.GetRegExpIsSimple()) {
    EXPECT_EQ(fast, Collect(g, &TGrep::GrepByStr, path)) << "literal search differs";
  }
}

TEST(FastSearchTest, SameLinesAsTheStraightforwardSearchOnSmallFiles) {
  TempDir dir;
  std::mt19937 rnd(932);
  std::vector<std::string> files;
  for (size_t size : {1, 2, 3, 7, 40, 300, 2000, 5000}) {
    files.push_back(
        dir.Write("s" + std::to_string(files.size()) + ".txt", RandomText(rnd, size, false)));
  }
  TGrep g(nullptr);
  for (const DiffCase& c : Patterns()) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\"" + (c.fuzzy ? " fuzzy" : ""));
    g.SetUseFuzzyCharDic(c.fuzzy);
    g.SetRegExp(c.pattern);
    for (const std::string& path : files) {
      SCOPED_TRACE(path);
      ExpectSameLines(g, path);
    }
  }
}

// Files of a few fills, some with lines longer than a fill, and files whose
// line ends, double-byte characters and needles straddle a fill boundary.
TEST(FastSearchTest, SameLinesAsTheStraightforwardSearchAcrossFills) {
  TempDir dir;
  std::mt19937 rnd(31);
  std::vector<std::string> files;
  files.push_back(dir.Write("big.txt", RandomText(rnd, 2 * kFill + 777, true)));
  for (const std::string& edge :
       {std::string("\r\n"), std::string("\r"), std::string("\n"), J("あ"), std::string("\x81\n"),
        J("ア") + "ab", std::string("ab\r")}) {
    for (size_t at : {kFill - 2, kFill - 1, kFill}) {
      std::string s = RandomText(rnd, 3000, false);
      s += Filler(rnd, at - std::min(at, s.size()));
      s.resize(at);
      s += edge + RandomText(rnd, 500, false);
      files.push_back(dir.Write("edge" + std::to_string(files.size()) + ".txt", s));
    }
  }
  // Exactly one fill, ending with and without a line end.
  files.push_back(dir.Write("fill-lf.txt", Filler(rnd, kFill - 1) + "\n"));
  files.push_back(dir.Write("fill-cr.txt", Filler(rnd, kFill - 1) + "\r"));
  files.push_back(dir.Write("fill-lead.txt", Filler(rnd, kFill - 1) + "\x81"));
  TGrep g(nullptr);
  // One or two patterns of each kind the fast search treats its own way:
  // plain strings with and without anchors, needles and the automaton, line
  // ends that complete a match, a lead byte before a line end, the fuzzy
  // dictionary.
  const std::vector<DiffCase> patterns = {
      {"ab"},
      {J("あ")},
      {"^a"},
      {"b$"},
      {"^$"},
      {"^"},
      {"\\x81$"},
      {"a*"},
      {"(ab|ba)+$"},
      {"[^a]*b$"},
      {"a.b"},
      {J("ア") + "[ab]|b" + J("あ")},
      {J("ーア") + "|\xB1" + "b"},
      {"[ab]*" + J("ア") + "ab"},
      {J("あ"), true},
      {"a\\nb"},
      {"b[^x]*\\na"},
  };
  for (const DiffCase& c : patterns) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\"" + (c.fuzzy ? " fuzzy" : ""));
    g.SetUseFuzzyCharDic(c.fuzzy);
    g.SetRegExp(c.pattern);
    for (const std::string& path : files) {
      SCOPED_TRACE(path);
      const Hits fast = Collect(g, &TGrep::Grep, path);
      EXPECT_EQ(fast, Collect(g, &TGrep::GrepByRegExp, path));
    }
  }
}

// Walks from every start at once can be in thousands of combinations of
// automaton states: more than the lazily built DFA keeps, so it starts afresh
// now and then in the middle of a line, and when that goes on fill after
// fill the search walks from every start instead. Both must find the same.
TEST(FastSearchTest, PatternsWithManyStateSetsMatchTheSame) {
  TempDir dir;
  std::mt19937 rnd(7);
  const std::vector<std::string> pieces = {"a", "b", "a", "b", "a", "b", "a", "b",
                                           "a", "b", "a", "b", "a", "b", "a", J("ア")};
  std::string text;
  while (text.size() < 3 * kFill + kFill / 2) {
    for (size_t n = 1 + rnd() % 400; n > 0; --n) text += pieces[rnd() % pieces.size()];
    text += rnd() % 3 ? "\n" : "\r\n";
  }
  const std::string path = dir.Write("ab.txt", text);
  TGrep g(nullptr);
  for (const std::string& pattern :
       {std::string("a[ab][ab][ab][ab][ab][ab][ab][ab][ab][ab][ab][ab]b$"),
        J("ア") + "[ab]*a[ab][ab][ab][ab][ab][ab][ab][ab][ab][ab]b$",
        std::string("b[ab][ab][ab][ab][ab][ab][ab][ab][ab][ab][ab]aaaaa")}) {
    SCOPED_TRACE(pattern);
    g.SetRegExp(pattern);
    const Hits fast = Collect(g, &TGrep::Grep, path);
    EXPECT_EQ(fast, Collect(g, &TGrep::GrepByRegExp, path));
    EXPECT_FALSE(fast.empty());
  }
}

// A pattern whose matches may run past line ends, on lines so long that
// trying every start to its end would take minutes: walks from the starts of a
// line join and die together, and the search must see that without losing
// the lines that do match, before and after a report. (The straightforward
// search is not run here: it is the slow case.)
TEST(FastSearchTest, WalksPastLineEndsOnVeryLongLines) {
  TempDir dir;
  const std::string longLine(300000, 'a');
  // Walks from line 1 run through its end and die at the "x" of line 2;
  // line 3 matches over its line end; the walk from the first "a" of line 5
  // matches 300000 characters later, and nothing after it does.
  const std::string path =
      dir.Write("long.txt", longLine + "\nx\na\nc\n" + longLine + "\nc\n" + longLine + "\n");
  TGrep g(nullptr);
  g.SetRegExp("a[^x]*\\nc");
  ASSERT_FALSE(TFastGrepPlan::Make(*g.GetCurrentDFA()));
  const Hits hits = Collect(g, &TGrep::Grep, path);
  EXPECT_EQ(hits, (Hits{{3, "a"}, {5, longLine}}));
}

// The fast search takes the patterns it is meant for, each the way it should,
// and leaves those that read past a line end to the straightforward search.
TEST(FastSearchTest, PlanPerPattern) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ab", "literal"},
      {"^ab$", "literal"},
      {J("日本語"), "literal"},
      {"^$", "automaton"},
      {"\\x81$", "prefiltered 1"},
      {J("ファイル[をがの]|ディレクトリ"), "prefiltered 2"},
      {"[" + J("ァ-ヶ") + "]" + J("ー") + "[" + J("ァ-ヶ") + "]", "prefiltered 1"},
      {"a*", "automaton"},
      {"(a|b)b", "automaton"},
      {"a\\nb", "none"},
      {"a[\\x01-\\x7f]b", "none"},
      {"b\\n\\n", "none"},
  };
  TGrep g(nullptr);
  for (const auto& [pattern, want] : cases) {
    SCOPED_TRACE(pattern);
    g.SetRegExp(pattern);
    std::shared_ptr<const TFastGrepPlan> plan = TFastGrepPlan::Make(*g.GetCurrentDFA());
    EXPECT_EQ(plan ? plan->Describe() : "none", want);
  }
  g.SetRegExp(J("ファイル[をがの]|ディレクトリ"));
  std::shared_ptr<const TFastGrepPlan> plan = TFastGrepPlan::Make(*g.GetCurrentDFA());
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->Needles, (std::vector<std::string>{J("ファイル"), J("ディレクトリ")}));
}

// Events come at every fill and every reported line, as many as with the
// straightforward search, and a cancel takes effect at the next of them.
TEST(FastSearchTest, EventsAndCancelAsInTheStraightforwardSearch) {
  TempDir dir;
  std::string content;
  for (int i = 0; i < 40000; ++i) content += i % 1000 == 0 ? "hit here\n" : "nothing\r\n";
  const std::string path = dir.Write("e.txt", content);
  for (const std::string& pattern : {std::string("hit"), std::string("h[i]t"), std::string("^h"),
                                     std::string("hit[^x]*\\nn")}) {
    SCOPED_TRACE(pattern);
    TGrep g(nullptr);
    g.SetRegExp(pattern);
    int events = 0;
    HookGuard guard([&] { ++events; });
    const Hits ref = Collect(g, &TGrep::GrepByRegExp, path);
    const int refEvents = std::exchange(events, 0);
    EXPECT_EQ(Collect(g, &TGrep::Grep, path), ref);
    EXPECT_EQ(events, refEvents);
    ASSERT_EQ(ref.size(), 40u);

    // Cancel from the handler: the next event raises, nothing more is reported.
    Hits hits;
    g.OnMatch = [&](TGrep& sender, RE_LineInfo_t& info) {
      hits.emplace_back(info.LineNo, info.Line);
      if (hits.size() == 3) sender.Cancel = true;
    };
    EXPECT_THROW(g.Grep(path), EGrepCancel);
    EXPECT_EQ(hits, Hits(ref.begin(), ref.begin() + 3));
  }
}

TEST(FastSearchTest, CancelFromAnEventStopsTheSearch) {
  TempDir dir;
  std::string content;
  for (int i = 0; i < 30000; ++i) content += "line " + std::to_string(i) + "\n";
  const std::string path = dir.Write("c.txt", content);
  TGrep g(nullptr);
  g.SetRegExp("9$");
  int events = 0;
  HookGuard guard([&] {
    if (++events == 2) g.Cancel = true;
  });
  Hits hits;
  g.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { hits.emplace_back(info.LineNo, info.Line); };
  EXPECT_THROW(g.Grep(path), EGrepCancel);
  // The first fill's event, the first reported line's event: cancelled there.
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(events, 2);
}

}  // namespace
}  // namespace tamsel
