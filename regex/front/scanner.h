// TREScanner splits a pattern into tokens, one per GetToken call, in two
// modes: outside brackets (operators) and inside a bracket expression (only
// ], the backslash and the range hyphen are special).
#pragma once

#include <cstdint>
#include <string>

#include "regex/front/dbchar.h"

namespace tamsel {

// Inclusive range of characters; StartChar <= EndChar for ranges the parse
// tree makes.
struct RECharClass_t {
  WChar StartChar;
  WChar EndChar;
  friend bool operator==(const RECharClass_t&, const RECharClass_t&) = default;
};

// Labels an empty transition in the automata; a transition is empty exactly
// when its StartChar is 0xFFFF.
inline constexpr RECharClass_t CONST_EMPTYCharClass{0xFFFF, 0xFFFF};

enum REToken_t : uint8_t {
  retk_Char,       // one literal character (ordinary, or any escape)
  retk_CharClass,  // a range first-last inside brackets
  retk_Union,      // |
  retk_LPar,       // (
  retk_RPar,       // )
  retk_Star,       // *
  retk_Plus,       // +
  retk_QMark,      // ?
  retk_LBra,       // [
  retk_LBraNeg,    // [^
  retk_RBra,       // ]
  retk_Dot,        // .
  retk_LHead,      // ^
  retk_LTail,      // $
  retk_End,        // end of the pattern
};

// A set of tokens, bit i standing for REToken_t i.
using RETokenSet_t = uint16_t;
constexpr RETokenSet_t RETokenBit(REToken_t t) { return static_cast<RETokenSet_t>(1u << t); }

// The current token. WCh and CharClass.StartChar share storage in the
// original layout; the scanner writes both so they are always equal.
struct RESymbol_t {
  REToken_t Token = retk_End;
  WChar WCh = 0;
  RECharClass_t CharClass{0, 0};
};

class TREScanner {
 public:
  explicit TREScanner(const std::string& Str);
  virtual ~TREScanner() = default;

  void SetRegExpStr(const std::string& Str);
  REToken_t GetToken();
  virtual REToken_t GetTokenStd();
  virtual REToken_t GetTokenCC();

  std::string RegExpStr;
  int32_t Index = 1;  // next unread byte, 1-based
  RESymbol_t Symbol;
  bool InCharClass = false;
};

}  // namespace tamsel
