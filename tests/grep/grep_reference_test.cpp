// The file grep against the reference matcher: for every small pattern and a
// set of short files, the lines reported (by Grep and by each search
// procedure that applies) must be exactly the lines in which the reference
// finds a match of at least one character, the line anchors standing for the
// LF before and after a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grep/grep.h"
#include "tests/regex/match/reference_matcher.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::AllStrings;
using test::J;

std::vector<int64_t> Lines(TGrep& grep, void (TGrep::*proc)(const std::string&),
                           const std::string& path) {
  std::vector<int64_t> lines;
  grep.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { lines.push_back(info.LineNo); };
  (grep.*proc)(path);
  return lines;
}

TEST(GrepReference, EverySmallPatternOnShortFiles) {
  const std::vector<std::string> tokens = {"a", J("あ"), ".", "[ab]", "|", "*", "+", "?",
                                           "(",  ")",    "^", "$"};
  const std::vector<std::string> files = AllStrings({"a", "b", J("あ"), "\n", "\r"}, 3);
  test::TempDir dir;
  std::vector<std::string> paths;
  for (size_t i = 0; i < files.size(); ++i) {
    paths.push_back(dir.Write("f" + std::to_string(i) + ".txt", files[i]));
  }
  TGrep grep(nullptr);
  int compared = 0;
  for (const std::string& pattern : AllStrings(tokens, 2)) {
    try {
      grep.SetRegExp(pattern);
    } catch (const ERegExpParser&) {
      continue;
    }
    for (size_t i = 0; i < files.size(); ++i) {
      const std::vector<int64_t> expected = test::ReferenceGrepLines(pattern, files[i]);
      ASSERT_EQ(Lines(grep, &TGrep::Grep, paths[i]), expected)
          << "pattern " << pattern << " file #" << i;
      ASSERT_EQ(Lines(grep, &TGrep::GrepByRegExp, paths[i]), expected)
          << "pattern " << pattern << " file #" << i;
      if (grep.GetRegExpIsSimple()) {
        ASSERT_EQ(Lines(grep, &TGrep::GrepByStr, paths[i]), expected)
            << "pattern " << pattern << " file #" << i;
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 5000);
}

}  // namespace
}  // namespace tamsel
