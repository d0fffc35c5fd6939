#include "tests/support/test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "platform/cp932.h"

namespace tamsel::test {

std::string J(std::string_view utf8) { return Utf8ToCp932(utf8); }

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const char* base = std::getenv("TAMSEL_TEST_TMP");
  std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
  std::string name = "tamsel-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name += std::string("-") + info->name();
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = root / name;
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, std::string_view bytes) const {
  std::filesystem::path p = path_ / name;
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write fixture " + p.string());
  return p.string();
}

std::vector<std::string> AllStrings(const std::vector<std::string>& alphabet, int maxLen) {
  std::vector<std::string> all{""};
  size_t from = 0;
  for (int len = 1; len <= maxLen; ++len) {
    const size_t to = all.size();
    for (size_t i = from; i < to; ++i) {
      for (const std::string& a : alphabet) all.push_back(all[i] + a);
    }
    from = to;
  }
  return all;
}

}  // namespace tamsel::test
