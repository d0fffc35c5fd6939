#include "grep/txt_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/events.h"
#include "tests/support/test_util.h"

namespace tamsel {

struct TTxtFileTestAccess {
  static void SetLineNo(TTxtFile& f, int64_t n) { f.FLineNo = n; }
};

namespace {

using test::J;
using test::HookGuard;
using test::TempDir;

constexpr size_t kFill = 102400;

// What the reader must deliver, computed the plain way: the text behind a
// synthetic LF, NULs as spaces, CR LF and lone CR as LF, a final LF supplied.
struct Reference {
  std::vector<WChar> chars;  // chars[0] is the synthetic LF
  std::vector<std::string> lines;

  explicit Reference(const std::string& file) {
    std::string t = "\n";
    t.reserve(file.size() + 2);
    chars.reserve(file.size() + 2);
    for (size_t i = 0; i < file.size(); ++i) {
      char c = file[i] == '\0' ? ' ' : file[i];
      if (c == '\r') {
        if (i + 1 < file.size() && file[i + 1] == '\n') continue;
        c = '\n';
      }
      t += c;
    }
    if (t.back() != '\n') t += '\n';
    for (size_t i = 0; i < t.size();) {
      unsigned char b = t[i];
      if (IsDBCSLeadByte(b) && i + 1 < t.size() && t[i + 1] != '\n') {
        chars.push_back(static_cast<WChar>(b << 8 | static_cast<unsigned char>(t[i + 1])));
        i += 2;
      } else {
        chars.push_back(b);
        i += 1;
      }
    }
    std::string cur;
    for (size_t i = 1; i < t.size(); ++i) {
      if (t[i] == '\n') {
        lines.push_back(cur);
        cur.clear();
      } else {
        cur += t[i];
      }
    }
  }

  WChar At(size_t i) const { return i < chars.size() ? chars[i] : 0; }
};

// Drives the reader the way a search does, with lookahead runs of random
// length and GetThisLine at random places, and checks every value against
// the reference. Before character denseFrom only the base is checked.
void CheckAgainstReference(const std::string& path, const Reference& ref, unsigned seed,
                           int maxLookahead = 8, int lineEvery = 4, size_t denseFrom = 0) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  bool cancel = false;
  TTxtFile f(path, &cancel);
  size_t i = 0;  // index of the character the next AdvanceBase returns
  int64_t lineNo = 0;
  for (;;) {
    if (i + 1 == ref.chars.size()) {
      // The base is about to consume the final LF: the end is reported.
      EXPECT_THROW(f.AdvanceBase(), EEndOfFile);
      EXPECT_THROW(f.AdvanceBase(), EEndOfFile);
      EXPECT_THROW(f.GetThisLine(), EEndOfFile);
      EXPECT_EQ(static_cast<size_t>(lineNo), ref.lines.size());
      return;
    }
    WChar w = f.AdvanceBase();
    // Plain comparisons: this loop runs over whole fills.
    if (w != ref.chars[i]) FAIL() << "base char " << i << ": " << w << " != " << ref.chars[i];
    if (w == '\n') ++lineNo;
    if (i < denseFrom) {
      ++i;
      continue;
    }
    int n = static_cast<int>(rng() % (maxLookahead + 1));
    for (int k = 1; k <= n; ++k) {
      WChar got = f.GetWChar();
      if (got != ref.At(i + k)) {
        FAIL() << "lookahead " << k << " after char " << i << ": " << got
               << " != " << ref.At(i + k);
      }
    }
    if (static_cast<int>(rng() % lineEvery) == 0) {
      RE_LineInfo_t info = f.GetThisLine();
      if (info.LineNo != lineNo || info.Line != ref.lines.at(lineNo - 1)) {
        FAIL() << "line " << lineNo << " reported as " << info.LineNo << " \"" << info.Line << "\"";
      }
      if (f.GetThisLine().Line != info.Line) FAIL() << "line " << lineNo << " read twice differs";
      // The base now rests on the LF that ends the line.
      size_t j = i + 1;
      while (ref.chars[j] != '\n') ++j;
      i = j;
    } else {
      ++i;
    }
  }
}

std::vector<std::string> AllLines(const std::string& path) {
  bool cancel = false;
  TTxtFile f(path, &cancel);
  std::vector<std::string> lines;
  try {
    for (;;) {
      f.AdvanceBase();
      RE_LineInfo_t info = f.GetThisLine();
      EXPECT_EQ(info.LineNo, static_cast<int64_t>(lines.size()) + 1);
      lines.push_back(info.Line);
    }
  } catch (const EEndOfFile&) {
  }
  return lines;
}

struct LinesCase {
  const char* name;
  std::string content;
  std::vector<std::string> lines;
};

TEST(TxtFileTest, LineEndsAndBytesAreNormalised) {
  const std::vector<LinesCase> cases = {
      {"plain", "a", {"a"}},
      {"lf", "a\n", {"a"}},
      {"crlf", "a\r\n", {"a"}},
      {"cr", "a\r", {"a"}},
      {"lone cr inside", "x\ry\n", {"x", "y"}},
      {"cr cr lf", "x\r\r\ny", {"x", "", "y"}},
      {"cr only", "\r\r\r", {"", "", ""}},
      {"leading empty line", "\nabc\n\n", {"", "abc", ""}},
      {"nul bytes", std::string("a\0b\n\0", 5), {"a b", " "}},
      {"all nul", std::string(1000, '\0'), {std::string(1000, ' ')}},
      {"lone lead byte at the end", "ab\x81", {"ab\x81"}},
      {"lead byte before lf", "\x81\nab\n", {"\x81", "ab"}},
      {"lead byte before crlf", "\x81\r\nab", {"\x81", "ab"}},
      {"lead byte before cr", "\x81\rab", {"\x81", "ab"}},
      {"japanese", J("日本語\r\nかな"), {J("日本語"), J("かな")}},
      {"binary", std::string("\x01\xff\x80\x81\x00\x7f\xfc\xfc", 8), {}},
  };
  TempDir dir;
  for (const LinesCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.Write("f.txt", c.content);
    if (!c.lines.empty()) {
      EXPECT_EQ(AllLines(path), c.lines);
    }
    Reference ref(c.content);
    for (unsigned seed = 1; seed <= 3; ++seed) CheckAgainstReference(path, ref, seed);
  }
}

TEST(TxtFileTest, FirstStepEntersLineOneAndCursorsReadDoubleByteCharacters) {
  TempDir dir;
  std::string path = dir.Write("j.txt", J("日本語") + "\n");
  bool cancel = false;
  TTxtFile f(path, &cancel);
  EXPECT_EQ(f.AdvanceBase(), 0x000A);
  EXPECT_EQ(f.AdvanceBase(), 0x93FA);  // 日
  EXPECT_EQ(f.GetWChar(), 0x967B);
  EXPECT_EQ(f.GetWChar(), 0x8CEA);
  EXPECT_EQ(f.GetWChar(), 0x000A);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(f.GetWChar(), 0);
  // The lookahead restarts at the base after a base step.
  EXPECT_EQ(f.AdvanceBase(), 0x967B);
  EXPECT_EQ(f.GetWChar(), 0x8CEA);
  RE_LineInfo_t info = f.GetThisLine();
  EXPECT_EQ(info.Line, J("日本語"));
  EXPECT_EQ(info.LineNo, 1);
  EXPECT_THROW(f.AdvanceBase(), EEndOfFile);
}

TEST(TxtFileTest, GetCharNormalisesLineEnds) {
  TempDir dir;
  std::string path = dir.Write("c.txt", "a\r\nb\rc");
  bool cancel = false;
  TTxtFile f(path, &cancel);
  std::string got;
  for (int k = 0; k < 9; ++k) got += static_cast<char>(f.GetChar());
  EXPECT_EQ(got, std::string("\na\nb\nc\n\0\0", 9));
}

// Fixtures whose interesting bytes straddle the first fill (file offsets
// 0..102399 go to the first fill, the rest to the next).
TEST(TxtFileTest, CharactersAndLinesSplitByAFillAreWhole) {
  struct Snippet {
    const char* name;
    std::string bytes;
  };
  const std::vector<Snippet> snippets = {
      {"double-byte", J("日本語")},
      {"trail in lead range", "\x81\x81\x81\x81"},
      {"crlf", "ab\r\ncd"},
      {"lone cr", "ab\rcd"},
      {"cr cr", "\r\r"},
      {"lf", "a\nb"},
      {"nul", std::string("x\0\0y", 4)},
      {"lead byte before lf", "\x82\n\x82\xa0"},
      {"lead byte before crlf", "\x82\r\nz"},
  };
  TempDir dir;
  for (const Snippet& s : snippets) {
    for (int shift = -4; shift <= 3; ++shift) {
      SCOPED_TRACE(std::string(s.name) + " at shift " + std::to_string(shift));
      // Lines of 99 'x' and LF, then the snippet so that its first byte sits
      // at file offset kFill + shift, then a short tail.
      std::string content;
      size_t start = kFill + shift;
      while (content.size() + 100 <= start) content += std::string(99, 'x') + "\n";
      content += std::string(start - content.size(), 'y');
      content += s.bytes + "tail\r\nend";
      std::string path = dir.Write("split.txt", content);
      Reference ref(content);
      for (unsigned seed = 1; seed <= 2; ++seed)
        CheckAgainstReference(path, ref, seed, 8, 4, kFill - 500);
    }
  }
}

TEST(TxtFileTest, FileOfExactlyOneFillEndsThere) {
  TempDir dir;
  for (char last : {'\n', 'z'}) {
    std::string content = std::string(kFill - 1, 'a') + last;
    std::string path = dir.Write("exact.txt", content);
    std::vector<std::string> lines = AllLines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), last == '\n' ? kFill - 1 : kFill);
    CheckAgainstReference(path, Reference(content), 7);
  }
}

TEST(TxtFileTest, LinesLongerThanAFillAreReturnedWhole) {
  TempDir dir;
  std::string longLine;
  for (size_t k = 0; longLine.size() < 3 * kFill + 17; ++k)
    longLine += J("長い") + "-" + std::to_string(k);
  std::string content = "first\n" + longLine + "\r\nlast";
  std::string path = dir.Write("long.txt", content);
  EXPECT_EQ(AllLines(path), (std::vector<std::string>{"first", longLine, "last"}));
  CheckAgainstReference(path, Reference(content), 11, 8, 50);
}

TEST(TxtFileTest, TenMegabyteLine) {
  TempDir dir;
  std::string line(10 << 20, 'q');
  line[5 << 20] = 'Z';
  std::string path = dir.Write("huge.txt", "a\n" + line + "\nb");
  std::vector<std::string> lines = AllLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_TRUE(lines[1] == line);
  EXPECT_EQ(lines[2], "b");
}

// A pipe delivers short reads and has no size: the fills still cover the
// whole text and the end is found.
TEST(TxtFileTest, PipeIsReadWhole) {
  std::vector<std::string> expected;
  std::string content;
  for (int i = 0; content.size() < 3 * kFill; ++i) {
    expected.push_back("line " + std::to_string(i) + std::string(i % 50, '.'));
    content += expected.back() + "\n";
  }
  expected.push_back("last");
  content += "last";
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::thread writer([&] {
    for (size_t done = 0; done < content.size();) {
      ssize_t n =
          ::write(fds[1], content.data() + done, std::min<size_t>(content.size() - done, 7000));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fds[1]);
  });
  std::vector<std::string> lines = AllLines("/dev/fd/" + std::to_string(fds[0]));
  writer.join();
  ::close(fds[0]);
  EXPECT_EQ(lines, expected);
}

TEST(TxtFileTest, LookaheadAcrossFillsThenGetThisLineReturnsWholeLine) {
  TempDir dir;
  // Line 2 starts in the first fill and runs through the second into the third.
  std::string line2;
  while (line2.size() < 2 * kFill + 500) line2 += J("字") + "abc";
  std::string content = std::string(kFill - 1000, 'p') + "\n" + line2 + "\nline3\n";
  std::string path = dir.Write("ahead.txt", content);
  Reference ref(content);
  bool cancel = false;
  TTxtFile f(path, &cancel);
  f.AdvanceBase();  // line 1
  f.GetThisLine();
  EXPECT_EQ(f.AdvanceBase(), '\n');    // line 2 begins
  EXPECT_EQ(f.AdvanceBase(), 0x8E9A);  // 字
  // Run the lookahead to the end of the file and beyond.
  size_t idx = 0;
  while (ref.chars[idx] != 0x8E9A) ++idx;
  for (size_t k = idx + 1; k < ref.chars.size() + 3; ++k) ASSERT_EQ(f.GetWChar(), ref.At(k)) << k;
  RE_LineInfo_t info = f.GetThisLine();
  EXPECT_EQ(info.LineNo, 2);
  EXPECT_EQ(info.Line, line2);
  EXPECT_EQ(f.AdvanceBase(), '\n');
  EXPECT_EQ(f.GetThisLine().Line, "line3");
  EXPECT_THROW(f.AdvanceBase(), EEndOfFile);
}

TEST(TxtFileTest, EndIsReportedOnceAndAgain) {
  TempDir dir;
  std::string path = dir.Write("e.txt", "ab");
  bool cancel = false;
  TTxtFile f(path, &cancel);
  EXPECT_EQ(f.AdvanceBase(), '\n');
  EXPECT_EQ(f.AdvanceBase(), 'a');
  EXPECT_EQ(f.AdvanceBase(), 'b');
  EXPECT_EQ(f.GetWChar(), '\n');
  for (int k = 0; k < 100; ++k) ASSERT_EQ(f.GetWChar(), 0);
  RE_LineInfo_t info = f.GetThisLine();
  EXPECT_EQ(info.Line, "ab");
  EXPECT_EQ(info.LineNo, 1);
  for (int k = 0; k < 3; ++k) EXPECT_THROW(f.AdvanceBase(), EEndOfFile);
  EXPECT_THROW(f.GetThisLine(), EEndOfFile);
  EXPECT_EQ(f.GetWChar(), 0);
}

TEST(TxtFileTest, OpenErrorsNameTheFileInTheSystemsWords) {
  TempDir dir;
  bool cancel = false;
  std::string missing = (dir.path() / "missing.txt").string();
  try {
    TTxtFile f(missing, &cancel);
    FAIL() << "no exception";
  } catch (const EFileNotFound& e) {
    EXPECT_EQ(e.Message(), missing + ": " + std::strerror(ENOENT));
  }
  std::string sub = (dir.path() / "sub").string();
  ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
  try {
    TTxtFile f(sub, &cancel);
    FAIL() << "no exception";
  } catch (const EFileNotFound& e) {
    EXPECT_EQ(e.Message(), sub + ": " + std::strerror(EISDIR));
  }
  std::string empty = dir.Write("empty.txt", "");
  EXPECT_THROW(TTxtFile(empty, &cancel), EEndOfFile);
}

TEST(TxtFileTest, ReadErrorIsTheSystemsInputOutputError) {
  // Opening works, reading at offset 0 (an unmapped address) fails with EIO.
  const std::string path = "/proc/self/mem";
  bool cancel = false;
  try {
    TTxtFile f(path, &cancel);
    FAIL() << "no exception";
  } catch (const EFileNotFound&) {
    FAIL() << "a read error is not an open error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), path + ": " + std::strerror(EIO));
  }
}

TEST(TxtFileTest, UnreadableFileRaisesFileNotFound) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TempDir dir;
  std::string path = dir.Write("secret.txt", "x\n");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  bool cancel = false;
  try {
    TTxtFile f(path, &cancel);
    FAIL() << "no exception";
  } catch (const EFileNotFound& e) {
    EXPECT_EQ(e.Message(), path + ": " + std::strerror(EACCES));
  }
}

TEST(TxtFileTest, EventsAreProcessedAtEveryFillAndEveryLine) {
  TempDir dir;
  // Three fills and 5 lines.
  std::string content = std::string(kFill, 'a') + "\nb\nc\nd\n" + std::string(kFill, 'e');
  std::string path = dir.Write("ev.txt", content);
  int calls = 0;
  HookGuard guard([&] { ++calls; });
  bool cancel = false;
  TTxtFile f(path, &cancel);
  EXPECT_EQ(calls, 1);
  int lines = 0;
  try {
    for (;;) {
      f.AdvanceBase();
      f.GetThisLine();
      ++lines;
    }
  } catch (const EEndOfFile&) {
  }
  EXPECT_EQ(lines, 5);
  EXPECT_EQ(calls, 3 + 5);
}

TEST(TxtFileTest, CancelIsRaisedAtTheNextFillOrLine) {
  TempDir dir;
  std::string path = dir.Write("cancel.txt", std::string(kFill + 10, 'a') + "\nb\n");
  bool cancel = true;
  {
    int calls = 0;
    HookGuard guard([&] { ++calls; });
    EXPECT_THROW(TTxtFile(path, &cancel), EGrepCancel);
    EXPECT_EQ(calls, 1);  // after the first fill
  }
  {
    // Set by the event hook during GetThisLine.
    cancel = false;
    TTxtFile f(path, &cancel);
    HookGuard guard([&] { cancel = true; });
    f.AdvanceBase();
    try {
      f.GetThisLine();
      FAIL() << "no exception";
    } catch (const EGrepCancel& e) {
      EXPECT_EQ(e.Message(), "CancelRequest");
    }
  }
  {
    // Set between lines: the fill inside the long line raises it.
    cancel = false;
    TTxtFile f(path, &cancel);
    f.AdvanceBase();
    cancel = true;
    EXPECT_THROW(
        {
          for (int k = 0; k < 200000; ++k) f.AdvanceBase();
        },
        EGrepCancel);
  }
}

TEST(TxtFileTest, LineNumbersPassThe32BitLimit) {
  TempDir dir;
  std::string path = dir.Write("many.txt", "a\nb\nc\n");
  bool cancel = false;
  TTxtFile f(path, &cancel);
  TTxtFileTestAccess::SetLineNo(f, INT32_MAX - 1);
  f.AdvanceBase();
  EXPECT_EQ(f.GetThisLine().LineNo, int64_t{INT32_MAX});
  f.AdvanceBase();
  EXPECT_EQ(f.GetThisLine().LineNo, int64_t{INT32_MAX} + 1);
  f.AdvanceBase();
  RE_LineInfo_t info = f.GetThisLine();
  EXPECT_EQ(info.LineNo, int64_t{INT32_MAX} + 2);
  EXPECT_EQ(info.Line, "c");
}

}  // namespace
}  // namespace tamsel
