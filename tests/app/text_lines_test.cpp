// The line count of a loaded file against the string list that splits the
// file into its lines: the same number for every way of ending lines, every
// way of cutting the text into pieces, and the same errors.
#include "app/text_lines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <typeinfo>

#include "platform/exception.h"
#include "platform/string_list.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

int64_t ListCount(std::string_view text) {
  TStringList list;
  list.SetText(text);
  return list.Count();
}

// Every text of up to six bytes over {a, CR, LF, NUL}: the counter agrees
// with the string list whole, cut once at every point, and fed byte by byte.
TEST(LineCounterTest, AgreesWithTheStringListOnEveryShortText) {
  const char alphabet[] = {'a', '\r', '\n', '\0'};
  for (int length = 0; length <= 6; ++length) {
    int total = 1;
    for (int i = 0; i < length; ++i) total *= 4;
    for (int code = 0; code < total; ++code) {
      std::string text;
      for (int i = 0, c = code; i < length; ++i, c /= 4) text += alphabet[c % 4];
      const int64_t expected = ListCount(text);
      for (size_t cut = 0; cut <= text.size(); ++cut) {
        TLineCounter counter;
        counter.Feed(text.data(), cut);
        counter.Feed(text.data() + cut, text.size() - cut);
        ASSERT_EQ(counter.Lines(), expected) << testing::PrintToString(text) << " cut " << cut;
      }
      TLineCounter bytes;
      for (char c : text) bytes.Feed(&c, 1);
      ASSERT_EQ(bytes.Lines(), expected) << testing::PrintToString(text);
    }
  }
}

class TextLinesFileTest : public ::testing::Test {
 protected:
  // The count of the file and that of the string list loading it.
  std::pair<int64_t, int64_t> Both(const std::string& bytes) {
    const std::string path = dir.Write("text.txt", bytes);
    TTextLines lines;
    lines.LoadFromFile(path);
    TStringList list;
    list.LoadFromFile(path);
    return {lines.Count(), list.Count()};
  }
  test::TempDir dir;
};

TEST_F(TextLinesFileTest, CountsFilesAsTheStringListLoadsThem) {
  struct Case {
    const char* name;
    std::string bytes;
    int64_t lines;
  };
  // Texts longer than the reading block (1 MiB) put CR LF pairs and NULs on
  // the block boundaries.
  std::string piece;
  for (int i = 0; i < 10; ++i) piece += J("日本語の行です。");
  piece += "\r\nx\r";
  std::string blocks;
  while (blocks.size() < 3 * (1u << 20) + 5) blocks += piece;
  std::string cutPair(1u << 20, 'a');
  cutPair[(1u << 20) - 1] = '\r';
  cutPair += "\nb\n";
  // An LF every 1000 bytes up to a NUL at 1 MiB + 7: the LFs at 0, 1000, ...
  // 1048000 and the unended line after the last of them.
  std::string lateNul(2 * (1u << 20), 'a');
  for (size_t i = 0; i < lateNul.size(); i += 1000) lateNul[i] = '\n';
  lateNul[(1u << 20) + 7] = '\0';
  const Case cases[] = {
      {"empty", "", 0},
      {"one line without end", J("日本語"), 1},
      {"CR LF", J("一\r\n二\r\n"), 2},
      {"LF, last line unended", "a\nb\nc", 3},
      {"lone CRs", "a\rb\r\rc\r", 4},
      {"mixed", "a\r\n\r\n\n\r\rb", 6},
      {"NUL ends the text", std::string("a\nb\0c\nd\n", 8), 2},
      {"NUL first", std::string("\0a\n", 3), 0},
      {"blocks", blocks, 2 * static_cast<int64_t>(blocks.size() / piece.size())},
      {"CR LF across a block boundary", cutPair, 2},
      {"NUL in the second block", lateNul, 1050},
  };
  for (const Case& c : cases) {
    const auto [lines, list] = Both(c.bytes);
    EXPECT_EQ(lines, list) << c.name;
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

TEST_F(TextLinesFileTest, FailsAsTheStringListFailsAndKeepsTheCount) {
  TTextLines lines;
  lines.LoadFromFile(dir.Write("three.txt", "a\nb\nc\n"));
  ASSERT_EQ(lines.Count(), 3);

  // The same error class and words for a missing file, and for a directory,
  // which opens but cannot be read.
  const std::string missing = (dir.path() / "missing.txt").string();
  const std::string directory = dir.path().string();
  for (const std::string& path : {missing, directory}) {
    std::string listError, listType, linesError, linesType;
    try {
      TStringList list;
      list.LoadFromFile(path);
    } catch (const std::exception& e) {
      listError = e.what();
      listType = typeid(e).name();
    }
    try {
      lines.LoadFromFile(path);
    } catch (const std::exception& e) {
      linesError = e.what();
      linesType = typeid(e).name();
    }
    EXPECT_FALSE(listError.empty()) << path;
    EXPECT_EQ(linesError, listError) << path;
    EXPECT_EQ(linesType, listType) << path;
    EXPECT_EQ(lines.Count(), 3) << path;
  }
  EXPECT_THROW(lines.LoadFromFile(missing), EInOutError);
}

}  // namespace
}  // namespace tamsel
