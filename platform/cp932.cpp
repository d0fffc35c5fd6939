#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>

namespace tamsel {

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw EConvertError(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as possible; returns false at the first input byte that
  // cannot be converted, leaving `in` there.
  bool Run(std::string_view& in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    char buf[4096];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      size_t srcLeft = in.size();
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      in.remove_prefix(in.size() - srcLeft);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence that starts with b (1 for a stray byte).
size_t Utf8Length(unsigned char b) {
  if (b >= 0xF0) return 4;
  if (b >= 0xE0) return 3;
  if (b >= 0xC0) return 2;
  return 1;
}

// Converts a literal of our own, known to fit code page 932.
std::string Literal(std::string_view utf8) {
  thread_local Converter conv("CP932", "UTF-8");
  std::string out;
  conv.Run(utf8, out);
  return out;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  // One converter per thread: iconv descriptors carry state.
  thread_local Converter conv("CP932", "UTF-8");
  std::string out;
  std::string_view in = utf8;
  if (!conv.Run(in, out)) {
    size_t offset = utf8.size() - in.size();
    unsigned char b0 = static_cast<unsigned char>(utf8[offset]);
    size_t n = Utf8Length(b0);
    char code[64];
    if (n > 1 && offset + n <= utf8.size()) {
      uint32_t cp = b0 & (0x7F >> n);
      for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(utf8[offset + i]) & 0x3F);
      std::snprintf(code, sizeof code, "U+%04X (byte %zu)", static_cast<unsigned>(cp), offset + 1);
    } else {
      std::snprintf(code, sizeof code, "0x%02X (byte %zu)", b0, offset + 1);
    }
    throw EConvertError(Literal("文字コード932で表せない文字です: ") + code);
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932, bool lenient) {
  thread_local Converter conv("UTF-8", "CP932");
  std::string out;
  std::string_view in = cp932;
  while (!conv.Run(in, out)) {
    if (!lenient) {
      char code[48];
      std::snprintf(code, sizeof code, "0x%02X (byte %zu)", static_cast<unsigned char>(in[0]),
                    cp932.size() - in.size() + 1);
      throw EConvertError(Literal("文字コード932として読めないバイトです: ") + code);
    }
    out += "\xEF\xBF\xBD";  // U+FFFD
    // An unconvertible pair is one character; a lead byte whose next byte
    // cannot be a trail byte stands alone, so that a line end after it stays.
    unsigned char b = static_cast<unsigned char>(in[0]);
    unsigned char t = in.size() >= 2 ? static_cast<unsigned char>(in[1]) : 0;
    bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
    size_t skip = (IsDBCSLeadByte(b) && trail) ? 2 : 1;
    in.remove_prefix(skip);
  }
  return out;
}

}  // namespace tamsel
