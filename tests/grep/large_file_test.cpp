// A file larger than 4 GiB, made sparse so that it needs little disk: holes
// read as NUL bytes, which the reader hands out as spaces. The lines past the
// 4 GiB mark must be found with their right numbers and texts; nothing may
// wrap at 2^31 or 2^32 bytes. Reading 4 GiB takes a while, so the test runs
// only when TAMSEL_BIG_TESTS is set.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "grep/grep.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

TEST(LargeFile, LinesPastFourGibibytesKeepTheirNumbers) {
  if (!std::getenv("TAMSEL_BIG_TESTS")) GTEST_SKIP() << "set TAMSEL_BIG_TESTS=1 to run";
  test::TempDir dir;
  const std::string path = (dir.path() / "sparse.txt").string();
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  // One line end every MiB, so no line is longer than the carry-over can
  // hold cheaply; the marker lines sit past 2^31 and past 2^32 bytes.
  constexpr int64_t kMiB = int64_t{1} << 20;
  constexpr int64_t kLines = 4200;  // 4200 MiB > 4 GiB
  for (int64_t i = 1; i <= kLines; ++i) {
    std::string end = "\n";
    if (i == 2100 || i == 4150) end = "mark" + std::to_string(i) + "\n";
    ASSERT_EQ(::pwrite(fd, end.data(), end.size(), i * kMiB - static_cast<int64_t>(end.size())),
              static_cast<ssize_t>(end.size()));
  }
  ::close(fd);

  TGrep grep(nullptr);
  grep.SetRegExp("mark");
  std::vector<RE_LineInfo_t> found;
  grep.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { found.push_back(info); };
  grep.Grep(path);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].LineNo, 2100);
  EXPECT_EQ(found[1].LineNo, 4150);
  // The text is the spaces the holes stand for, then the marker.
  EXPECT_EQ(found[1].Line.size(), static_cast<size_t>(kMiB - 1));
  EXPECT_EQ(found[1].Line.substr(found[1].Line.size() - 8), "mark4150");
  EXPECT_EQ(found[1].Line.find_first_not_of(' '), found[1].Line.size() - 8);
}

}  // namespace
}  // namespace tamsel
