// Double-byte characters of code page 932.
//
// The library works on characters, not bytes: a character is one byte, or a
// lead byte followed by a trail byte, and is handled as a 16-bit WChar
// (lead * 256 + trail). Positions in byte strings are 1-based indexes held in
// 32-bit signed integers; every reading routine takes the position by
// reference and advances it past what it consumed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/cp932.h"
#include "platform/exception.h"

namespace tamsel {

using WChar = uint16_t;

// A pattern syntax error: a Japanese message (code page 932) and the 1-based
// byte index in the pattern at which it was noticed, modulo 65536.
class ERegExpParser : public Exception {
 public:
  ERegExpParser(std::string message, uint16_t position)
      : Exception(std::move(message)), Position(position) {}
  int32_t Position;
};

// The 12 metacharacters, in this order: ^ ( | ) + * ? . [ ] $ backslash.
extern const WChar METACHARS[12];

int HexWCharToInt(WChar c);
int OctWCharToInt(WChar c);

WChar GetWChar(const std::string& S, int32_t& Index);
void UnGetWChar(const std::string& S, int32_t& Index);
// Reads at P in a zero-terminated text; never steps past the terminator (a
// lead byte right before it is returned alone).
WChar PCharGetWChar(const char*& P);
std::string WCharToStr(WChar W);
WChar GetQuotedWChar(const std::string& S, int32_t& Index);
WChar HexStrToInt(const std::string& S, int32_t& Index);
WChar OctStrToInt(const std::string& S, int32_t& Index);
std::string WCharGetToken(const std::string& S, int32_t& Index, WChar Delimiter);
std::string QuoteMetaWChar(const std::string& S);

// The library's messages, converted once to code page 932.
namespace msg {
const std::string& InvalidDoubleByte();  // 不正な２バイト文字コードです。
const std::string& NeedCharAfterBackslash();  // "\"の次には文字が必要です。
const std::string& InvalidHex();  // 不正な１６進数コード表記です。
const std::string& InvalidOctal();  // 不正な８進数コード表記です。
const std::string& NeedRightBracket();  // 右ブラケット"]"が必要です
const std::string& InvalidRange();  // 不正なキャラクタ範囲です
const std::string& ExtraCharacters();  // 正規表現に余分な文字があります
const std::string& NeedRightParen();  // 右(閉じ)括弧が必要です
const std::string& NeedCharOrLeftParen();  // 普通の文字、または左括弧"("が必要です
const std::string& InvalidCharClass();  // 不正なキャラクタクラス指定です。
const std::string& NestingTooDeep();  // ours: nesting limit of the parser
const std::string& PatternTooComplex();  // ours: automaton size limit
}  // namespace msg

}  // namespace tamsel
