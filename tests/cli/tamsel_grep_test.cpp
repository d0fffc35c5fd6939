// Runs the tamsel-grep binary and checks its output, messages and exit
// status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/test_util.h"

extern char** environ;

namespace tamsel {
namespace {

using test::J;
using test::TempDir;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef TAMSEL_GREP_EXE
    GTEST_SKIP() << "tamsel-grep is not built";
#endif
  }

  // Runs tamsel-grep with the arguments (and the bytes on standard input).
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
#ifdef TAMSEL_GREP_EXE
    const std::string exe = TAMSEL_GREP_EXE;
#else
    const std::string exe;
#endif
    const std::string in = io_.Write("stdin", input);
    const std::string outPath = (io_.path() / "stdout").string();
    const std::string errPath = (io_.path() / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    Result r;
    int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      ADD_FAILURE() << "cannot start " << exe;
      return r;
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    return r;
  }

  TempDir io_;   // standard streams of the runs
  TempDir dir_;  // fixtures
};

// A code page 932 file from UTF-8 text.
std::string Sjis(const TempDir& dir, const std::string& name, const std::string& utf8) {
  return dir.Write(name, J(utf8));
}

TEST_F(CliTest, PrintsMatchingLinesInUtf8WithTheirNumbers) {
  std::string f = Sjis(dir_, "a.txt", "abc\r\n日本語の文\nxyz 日本\n\n日本語\n");
  Result r = Run({"日本語", f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "2:日本語の文\n5:日本語\n");
  EXPECT_EQ(r.err, "");

  r = Run({"^$", f});
  EXPECT_EQ(r.out, "4:\n");
  r = Run({"q", f});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, SeveralFilesArePrefixedAndSearchedInOrder) {
  std::string a = Sjis(dir_, "a.txt", "x1\ny\nx3\n");
  std::string b = Sjis(dir_, "b.txt", "nothing\n");
  std::string c = Sjis(dir_, "c.txt", "漢x\n");
  Result r = Run({"x", a, b, c});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, a + ":1:x1\n" + a + ":3:x3\n" + c + ":1:漢x\n");

  r = Run({"-c", "x", a, b, c});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, a + ":2\n" + b + ":0\n" + c + ":1\n");
  r = Run({"x", a, "--count"});
  EXPECT_EQ(r.out, "2\n");
  r = Run({"-c", "x", b});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0\n");
}

TEST_F(CliTest, RawTakesAndPrintsCodePage932Bytes) {
  // 0x85 0x40 is not a code page 932 character: U+FFFD unless --raw.
  std::string f = dir_.Write("r.txt", J("表示") + "\x85\x40\n" + J("無関係") + "\n");
  Result r = Run({"--raw", J("表"), f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1:" + J("表示") + "\x85\x40\n");
  r = Run({"表", f});
  EXPECT_EQ(r.out, "1:表示\xEF\xBF\xBD\n");
  // The UTF-8 bytes of the pattern, taken raw, are not the file's text.
  r = Run({"--raw", "表", f});
  EXPECT_EQ(r.status, 1);
}

TEST_F(CliTest, PatternErrorShowsTheMessageAndACaret) {
  std::string f = Sjis(dir_, "a.txt", "a\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"a(b", f}, "tamsel-grep: 右(閉じ)括弧が必要です\n  a(b\n     ^\n"},
      // Full-width characters take two columns each.
      {{"日本(語", f}, "tamsel-grep: 右(閉じ)括弧が必要です\n  日本(語\n         ^\n"},
      {{"ab[", f}, "tamsel-grep: 右ブラケット\"]\"が必要です\n  ab[\n     ^\n"},
      {{"--", "\\", f}, "tamsel-grep: \"\\\"の次には文字が必要です。\n  \\\n   ^\n"},
      {{"--fuzzy", "ab(", f},
       "tamsel-grep: 右(閉じ)括弧が必要です\n  in the pattern after dictionary expansion:\n"
       "  (Ａ|ａ|A|a)(Ｂ|ｂ|B|b)(\n" +
           std::string(2 + 23, ' ') + "^\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    Result r = Run(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
}

TEST_F(CliTest, PatternThatCodePage932CannotHoldIsAnError) {
  std::string f = Sjis(dir_, "a.txt", "a?\n");
  Result r = Run({"a😀", f});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("U+1F600"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("pattern"), std::string::npos) << r.err;
  r = Run({"a\xff", f});  // not UTF-8
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err, "");
}

TEST_F(CliTest, UnreadableFilesAreReportedAndTheRunGoesOn) {
  std::string a = Sjis(dir_, "a.txt", "hit\n");
  std::string missing = (dir_.path() / "missing.txt").string();
  std::string sub = (dir_.path() / "sub").string();
  ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
  std::string empty = dir_.Write("empty.txt", "");
  Result r = Run({"hit", missing, sub, empty, a});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, a + ":1:hit\n");
  EXPECT_EQ(r.err, "tamsel-grep: " + missing + ": No such file or directory\n" +
                       "tamsel-grep: " + sub + ": Is a directory\n");
  r = Run({"hit", empty});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, OptionsFollowGrepHabits) {
  std::string f = Sjis(dir_, "a.txt", "-x\nx\n--\n");
  Result r = Run({"-e", "-x", f});
  EXPECT_EQ(r.out, "1:-x\n");
  r = Run({"-e-x", f});
  EXPECT_EQ(r.out, "1:-x\n");
  r = Run({"--regexp=-x", f});
  EXPECT_EQ(r.out, "1:-x\n");
  r = Run({"-ce", "x", f});
  EXPECT_EQ(r.out, "2\n");
  r = Run({"--", "--", f});
  EXPECT_EQ(r.out, "3:--\n");
  r = Run({"x", f, "-c"});  // an option after the operands
  EXPECT_EQ(r.out, "2\n");
  r = Run({"x", "-"}, "ax\nb\n");
  EXPECT_EQ(r.out, "1:ax\n");

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{},
                                             {"x"},
                                             {"-q", "x", f},
                                             {"--nope", "x", f},
                                             {"-e"},
                                             {"-e", "a", "-e", "b", f},
                                             {"--synonyms"},
                                             {"--raw=1", "x", f}}) {
    r = Run(bad);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Usage: tamsel-grep"), std::string::npos) << r.err;
  }
  r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: tamsel-grep"), std::string::npos);
  for (const char* word : {"--raw", "-c", "--fuzzy", "--synonyms", "-e", "--", "Exit status"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

TEST_F(CliTest, DictionariesWidenThePattern) {
  std::string f = Sjis(dir_, "d.txt", "ＡＢＣ\nabc\nとうきょう\n東京都\n");
  Result r = Run({"--fuzzy", "abc", f});
  EXPECT_EQ(r.out, "1:ＡＢＣ\n2:abc\n");
  std::string syn = Sjis(dir_, "syn.txt", "東京,とうきょう\n\n大阪,おおさか\n");
  r = Run({"--synonyms", syn, "東京", f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "3:とうきょう\n4:東京都\n");
  r = Run({"--synonyms=" + (dir_.path() / "none.txt").string(), "x", f});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("none.txt"), std::string::npos);
}

TEST_F(CliTest, LargeOutputIsComplete) {
  std::string content;
  std::string expected;
  for (int i = 1; i <= 60000; ++i) {
    std::string line = (i % 2 ? "行" : "line ") + std::to_string(i);
    content += line + "\n";
    if (std::string("124578").find(line.back()) != std::string::npos) {
      expected += std::to_string(i) + ":" + line + "\n";
    }
  }
  std::string f = Sjis(dir_, "big.txt", content);
  Result r = Run({"[124578]$", f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.size(), expected.size());
  EXPECT_TRUE(r.out == expected);
}

}  // namespace
}  // namespace tamsel
