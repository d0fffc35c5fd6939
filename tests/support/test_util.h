// Helpers shared by the tests: readable Japanese fixtures and temporary files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/events.h"

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

// All concatenations of 0 to maxLen items of the alphabet, shortest first.
std::vector<std::string> AllStrings(const std::vector<std::string>& alphabet, int maxLen);

// Installs an event hook for the life of a test and restores the old one.
class HookGuard {
 public:
  explicit HookGuard(TProcessMessagesHook hook) : old_(SetProcessMessagesHook(std::move(hook))) {}
  ~HookGuard() { SetProcessMessagesHook(old_); }
  HookGuard(const HookGuard&) = delete;
  HookGuard& operator=(const HookGuard&) = delete;

 private:
  TProcessMessagesHook old_;
};

}  // namespace tamsel::test
