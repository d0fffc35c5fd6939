// Helpers shared by the tests: readable Japanese fixtures and temporary files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tamsel::test {

// A UTF-8 literal in code page 932 bytes: J("日本語").
std::string J(std::string_view utf8);

// A fresh, empty directory for the current test, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Writes bytes to a file in the directory and returns its path.
  std::string Write(const std::string& name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace tamsel::test
