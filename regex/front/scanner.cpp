// The pattern scanner. Outside brackets every metacharacter is an operator and
// every escape a literal; inside a bracket expression only "]", the backslash
// and a range hyphen are special. A zero byte ends the pattern: the scanner
// keeps only the text before it, so the end token, error positions and the
// token spans all behave as at the real end.
#include "regex/front/scanner.h"

namespace tamsel {

namespace {

[[noreturn]] void Fail(const std::string& message, int32_t Index) {
  throw ERegExpParser(message, static_cast<uint16_t>(Index));
}

}  // namespace

TREScanner::TREScanner(const std::string& Str) {
  SetRegExpStr(Str);
}

void TREScanner::SetRegExpStr(const std::string& Str) {
  RegExpStr = Str.substr(0, Str.find('\0'));
  Index = 1;
  InCharClass = false;
}

REToken_t TREScanner::GetToken() {
  if (InCharClass) {
    const REToken_t t = GetTokenCC();
    if (t == retk_RBra) InCharClass = false;
    return t;
  }
  const REToken_t t = GetTokenStd();
  if (t == retk_LBra || t == retk_LBraNeg) InCharClass = true;
  return t;
}

REToken_t TREScanner::GetTokenStd() {
  const WChar c = GetWChar(RegExpStr, Index);
  REToken_t token;
  WChar w = c;
  switch (c) {
    case 0:
      token = retk_End;
      break;
    case '$':
      token = retk_LTail;
      break;
    case '(':
      token = retk_LPar;
      break;
    case ')':
      token = retk_RPar;
      break;
    case '*':
      token = retk_Star;
      break;
    case '+':
      token = retk_Plus;
      break;
    case '.':
      token = retk_Dot;
      break;
    case '?':
      token = retk_QMark;
      break;
    case '|':
      token = retk_Union;
      break;
    case ']':
      token = retk_RBra;
      break;
    case '[': {
      const WChar c2 = GetWChar(RegExpStr, Index);
      if (c2 == 0) Fail(msg::NeedRightBracket(), Index);
      if (c2 == '^') {
        token = retk_LBraNeg;
      } else {
        UnGetWChar(RegExpStr, Index);
        token = retk_LBra;
      }
      break;
    }
    case '\\':
      w = GetQuotedWChar(RegExpStr, Index);
      token = retk_Char;
      break;
    case '^':
      token = retk_LHead;
      break;
    default:
      token = retk_Char;
      break;
  }
  Symbol.Token = token;
  Symbol.WCh = w;
  Symbol.CharClass = {w, w};
  return token;
}

REToken_t TREScanner::GetTokenCC() {
  WChar c = GetWChar(RegExpStr, Index);
  Symbol.WCh = c;
  Symbol.CharClass = {c, c};
  if (c == 0) Fail(msg::NeedRightBracket(), Index);
  if (c == ']') {
    Symbol.Token = retk_RBra;
    return retk_RBra;
  }
  if (c == '\\') c = GetQuotedWChar(RegExpStr, Index);

  const WChar c2 = GetWChar(RegExpStr, Index);
  if (c2 == '-') {
    WChar c3 = GetWChar(RegExpStr, Index);
    if (c3 == 0) Fail(msg::NeedRightBracket(), Index);
    if (c3 == ']') {
      // "a-]": the hyphen is a literal member, read again by the next call.
      UnGetWChar(RegExpStr, Index);
      UnGetWChar(RegExpStr, Index);
      Symbol.Token = retk_Char;
      Symbol.WCh = c;
      Symbol.CharClass = {c, c};
      return retk_Char;
    }
    if (c3 == '\\') c3 = GetQuotedWChar(RegExpStr, Index);
    if (c > c3) Fail(msg::InvalidRange(), Index);
    Symbol.Token = retk_CharClass;
    Symbol.WCh = c;
    Symbol.CharClass = {c, c3};
    return retk_CharClass;
  }
  if (c2 == 0) Fail(msg::NeedRightBracket(), Index);
  UnGetWChar(RegExpStr, Index);
  Symbol.Token = retk_Char;
  Symbol.WCh = c;
  Symbol.CharClass = {c, c};
  return retk_Char;
}

}  // namespace tamsel
