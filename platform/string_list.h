// A list of byte strings with the operations the library and the window use:
// count, indexed access, append, clear, comma text and loading a text file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> items) : FItems(items) {}

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int i) const { return FItems.at(i); }
  std::string& operator[](int i) { return FItems.at(i); }
  void Add(std::string s) { FItems.push_back(std::move(s)); }
  void Clear() { FItems.clear(); }
  const std::vector<std::string>& Items() const { return FItems; }

  // Replaces the contents by the entries of a comma text: bytes 0x01-0x20 are
  // skipped around entries; an entry that starts with a double quote runs to
  // the next double quote that is not doubled (a doubled one stands for one);
  // any other entry runs to the next comma or byte 0x01-0x20, a double-byte
  // character of code page 932 being stepped over whole; a trailing comma adds
  // nothing.
  void SetCommaText(std::string_view text);

  // Replaces the contents by the lines of a file: CR LF, LF and a lone CR each
  // end a line, a last line without a line end counts, the text ends at its
  // first NUL byte. An unreadable file raises EInOutError with the system's
  // words and leaves the list unchanged.
  void LoadFromFile(const std::string& path);

  // The same splitting on text already in memory.
  void SetText(std::string_view text);

 private:
  std::vector<std::string> FItems;
};

}  // namespace tamsel
