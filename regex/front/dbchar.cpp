// Reading and writing code page 932 characters in byte strings, and the
// backslash escapes shared by the pattern scanner and the string functions.
//
// Every reader stays inside the string: a position outside 1..Length reads as
// the end (0) and is left alone, and a lead byte is only paired with a byte
// that exists.
#include "regex/front/dbchar.h"

namespace tamsel {

const WChar METACHARS[12] = {'^', '(', '|', ')', '+', '*', '?', '.', '[', ']', '$', '\\'};

namespace {

bool IsLead(unsigned char b) {
  return IsDBCSLeadByte(b);
}

// The byte at a 1-based index; the caller has checked the range.
unsigned char ByteAt(const std::string& S, int32_t Index) {
  return static_cast<unsigned char>(S[static_cast<size_t>(Index) - 1]);
}

[[noreturn]] void Fail(const std::string& message, int32_t Index) {
  throw ERegExpParser(message, static_cast<uint16_t>(Index));
}

}  // namespace

int HexWCharToInt(WChar c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int OctWCharToInt(WChar c) {
  if (c >= '0' && c <= '7') return c - '0';
  return -1;
}

WChar GetWChar(const std::string& S, int32_t& Index) {
  const int32_t len = static_cast<int32_t>(S.size());
  if (Index < 1 || Index > len) return 0;
  const unsigned char b = ByteAt(S, Index);
  if (IsLead(b)) {
    if (Index == len) Fail(msg::InvalidDoubleByte(), Index);
    const WChar w = static_cast<WChar>(b * 256 + ByteAt(S, Index + 1));
    Index += 2;
    return w;
  }
  Index += 1;
  return b;
}

void UnGetWChar(const std::string& S, int32_t& Index) {
  if (Index <= 1) return;
  if (Index == 2) {
    Index = 1;
    return;
  }
  // The byte at Index - 1 ends the previous character. It is a trail byte
  // exactly when an odd number of lead bytes runs back from Index - 2: lead
  // and trail bytes pair up from the start of that run, and a trail byte can
  // itself lie in the lead-byte range.
  const int32_t len = static_cast<int32_t>(S.size());
  int count = 0;
  for (int32_t i = Index - 2; i >= 1 && i <= len && IsLead(ByteAt(S, i)); --i) ++count;
  Index -= (count % 2 == 1) ? 2 : 1;
}

WChar PCharGetWChar(const char*& P) {
  const unsigned char b = static_cast<unsigned char>(*P);
  if (b == 0) return 0;
  if (IsLead(b)) {
    const unsigned char t = static_cast<unsigned char>(P[1]);
    if (t == 0) {
      // A lead byte cut off by the terminator stands alone.
      P += 1;
      return b;
    }
    P += 2;
    return static_cast<WChar>(b * 256 + t);
  }
  P += 1;
  return b;
}

std::string WCharToStr(WChar W) {
  const unsigned char hi = static_cast<unsigned char>(W >> 8);
  const unsigned char lo = static_cast<unsigned char>(W & 0xFF);
  if (IsLead(hi)) return std::string{static_cast<char>(hi), static_cast<char>(lo)};
  return std::string(1, static_cast<char>(lo));
}

WChar GetQuotedWChar(const std::string& S, int32_t& Index) {
  const WChar c = GetWChar(S, Index);
  switch (c) {
    case 0:
      Fail(msg::NeedCharAfterBackslash(), Index);
    case 'b':
      return 8;
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'x':
      return HexStrToInt(S, Index);
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
      UnGetWChar(S, Index);
      return OctStrToInt(S, Index);
    default:
      return c;
  }
}

WChar HexStrToInt(const std::string& S, int32_t& Index) {
  WChar value = 0;
  int digits = 0;
  WChar c = GetWChar(S, Index);
  while (c != 0 && digits < 4) {
    const int d = HexWCharToInt(c);
    if (d < 0) break;
    value = static_cast<WChar>(value * 16 + d);
    ++digits;
    c = GetWChar(S, Index);
  }
  if (digits == 0) Fail(msg::InvalidHex(), Index);
  if (c != 0) UnGetWChar(S, Index);
  return value;
}

WChar OctStrToInt(const std::string& S, int32_t& Index) {
  uint32_t value = 0;
  int digits = 0;
  WChar c = GetWChar(S, Index);
  while (c != 0 && digits < 6) {
    const int d = OctWCharToInt(c);
    if (d < 0) break;
    if (value * 8 + static_cast<uint32_t>(d) > 0xFFFF) Fail(msg::InvalidOctal(), Index);
    value = value * 8 + static_cast<uint32_t>(d);
    ++digits;
    c = GetWChar(S, Index);
  }
  if (digits == 0) Fail(msg::InvalidOctal(), Index);
  if (c != 0) UnGetWChar(S, Index);
  return static_cast<WChar>(value);
}

std::string WCharGetToken(const std::string& S, int32_t& Index, WChar Delimiter) {
  std::string result;
  for (WChar c = GetWChar(S, Index); c != 0 && c != Delimiter; c = GetWChar(S, Index)) {
    result += WCharToStr(c);
  }
  return result;
}

std::string QuoteMetaWChar(const std::string& S) {
  std::string result;
  int32_t index = 1;
  for (WChar c = GetWChar(S, index); c != 0; c = GetWChar(S, index)) {
    for (WChar meta : METACHARS) {
      if (c == meta) {
        result += '\\';
        break;
      }
    }
    result += WCharToStr(c);
  }
  return result;
}

namespace msg {

#define TAMSEL_MESSAGE(name, text)            \
  const std::string& name() {                 \
    static const std::string s = Cp932(text); \
    return s;                                 \
  }

TAMSEL_MESSAGE(InvalidDoubleByte, "不正な２バイト文字コードです。")
TAMSEL_MESSAGE(NeedCharAfterBackslash, "\"\\\"の次には文字が必要です。")
TAMSEL_MESSAGE(InvalidHex, "不正な１６進数コード表記です。")
TAMSEL_MESSAGE(InvalidOctal, "不正な８進数コード表記です。")
TAMSEL_MESSAGE(NeedRightBracket, "右ブラケット\"]\"が必要です")
TAMSEL_MESSAGE(InvalidRange, "不正なキャラクタ範囲です")
TAMSEL_MESSAGE(ExtraCharacters, "正規表現に余分な文字があります")
TAMSEL_MESSAGE(NeedRightParen, "右(閉じ)括弧が必要です")
TAMSEL_MESSAGE(NeedCharOrLeftParen, "普通の文字、または左括弧\"(\"が必要です")
TAMSEL_MESSAGE(InvalidCharClass, "不正なキャラクタクラス指定です。")
TAMSEL_MESSAGE(NestingTooDeep, "正規表現の括弧の入れ子が深すぎます")
TAMSEL_MESSAGE(PatternTooComplex, "正規表現が複雑すぎます")

#undef TAMSEL_MESSAGE

}  // namespace msg

}  // namespace tamsel
