#include "platform/string_list.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/cp932.h"
#include "platform/exception.h"

namespace tamsel {

namespace {
bool IsBlank(unsigned char b) { return b >= 0x01 && b <= 0x20; }
}  // namespace

void TStringList::SetCommaText(std::string_view text) {
  std::vector<std::string> items;
  size_t i = 0, n = text.size();
  auto skipBlanks = [&] {
    while (i < n && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  };
  skipBlanks();
  while (i < n && text[i] != '\0') {
    std::string entry;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            entry += '"';
            i += 2;
            continue;
          }
          ++i;  // the closing quote
          break;
        }
        unsigned char b = static_cast<unsigned char>(text[i]);
        size_t len = (IsDBCSLeadByte(b) && i + 1 < n) ? 2 : 1;
        entry.append(text.substr(i, len));
        i += len;
      }
    } else {
      while (i < n && text[i] != ',' && text[i] != '\0' &&
             !IsBlank(static_cast<unsigned char>(text[i]))) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        size_t len = (IsDBCSLeadByte(b) && i + 1 < n) ? 2 : 1;
        entry.append(text.substr(i, len));
        i += len;
      }
    }
    items.push_back(std::move(entry));
    skipBlanks();
    if (i < n && text[i] == ',') {
      ++i;
      skipBlanks();
    }
  }
  FItems = std::move(items);
}

void TStringList::SetText(std::string_view text) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> items;
  size_t start = 0, i = 0, n = text.size();
  while (i < n) {
    char c = text[i];
    if (c == '\n' || c == '\r') {
      items.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) items.emplace_back(text.substr(start));
  FItems = std::move(items);
}

void TStringList::LoadFromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError(path + ": " + std::strerror(errno));
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EInOutError(path + ": " + std::strerror(errno));
  SetText(content);
}

}  // namespace tamsel
