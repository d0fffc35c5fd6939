// Code page 932 (Shift-JIS as Windows defines it): the lead-byte test and the
// one conversion module between the library's code page 932 bytes and UTF-8.
//
// Japanese literals stay readable in the UTF-8 source and are converted where
// they are defined (messages, the fuzzy dictionary); the window and the
// command line convert at their edges.
#pragma once

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace tamsel {

// True for the lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsDBCSLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A text that cannot be converted; the message is in code page 932.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// UTF-8 to code page 932. A character that code page 932 cannot hold, or bytes
// that are not UTF-8, raise EConvertError naming the character and its place.
std::string Utf8ToCp932(std::string_view utf8);

// Code page 932 to UTF-8. Strict: a byte sequence that is not code page 932
// raises EConvertError. Lenient: each such byte becomes U+FFFD, so that any
// line of any file can be shown.
std::string Cp932ToUtf8(std::string_view cp932, bool lenient = false);

// Shorthand for literals in the source: Cp932("日本語"). Throws like
// Utf8ToCp932, which for the library's own literals means a build mistake.
inline std::string Cp932(std::string_view utf8) { return Utf8ToCp932(utf8); }

}  // namespace tamsel
