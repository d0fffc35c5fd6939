// A compact text form of parse trees and tokens, so that shape tests read as
// one line each:
//   a            leaf of one printable ASCII character
//   <0A> <82A0>  leaf of one other character, in hex
//   [a-c]        leaf of a range
//   Cat(x,y) Or(x,y) Star(x) E
//   Head Tail    anchors holding ^ and $ (followed by their range otherwise)
#pragma once

#include <cstdio>
#include <string>

#include "regex/front/parse_tree.h"
#include "regex/front/scanner.h"

namespace tamsel::test {

inline std::string CharText(WChar w) {
  if (w > 0x20 && w < 0x7F) return std::string(1, static_cast<char>(w));
  char buf[8];
  std::snprintf(buf, sizeof buf, w > 0xFF ? "<%04X>" : "<%02X>", static_cast<unsigned>(w));
  return buf;
}

inline std::string RangeText(const RECharClass_t& c) {
  if (c.StartChar == c.EndChar) return CharText(c.StartChar);
  return "[" + CharText(c.StartChar) + "-" + CharText(c.EndChar) + "]";
}

inline std::string Dump(REpNode_t p) {
  if (p == nullptr) return "nil";
  switch (p->Op) {
    case reop_Char:
      return RangeText(p->CharClass);
    case reop_LHead:
      return p->CharClass == RECharClass_t{'^', '^'} ? "Head" : "Head" + RangeText(p->CharClass);
    case reop_LTail:
      return p->CharClass == RECharClass_t{'$', '$'} ? "Tail" : "Tail" + RangeText(p->CharClass);
    case reop_Concat:
      return "Cat(" + Dump(p->Children.pLeft) + "," + Dump(p->Children.pRight) + ")";
    case reop_Union:
      return "Or(" + Dump(p->Children.pLeft) + "," + Dump(p->Children.pRight) + ")";
    case reop_Closure:
      return "Star(" + Dump(p->Children.pLeft) + (p->Children.pRight ? ",?" : "") + ")";
    case reop_Empty:
      return "E";
  }
  return "?";
}

// The leaves of a tree's LeafList, in order, separated by blanks.
inline std::string DumpLeaves(const TREParseTree& tree) {
  std::string s;
  for (const auto& leaf : tree.LeafList) {
    if (!s.empty()) s += ' ';
    s += RangeText(leaf->CharClass);
  }
  return s;
}

// True when the character-set node p (leaves and unions only) matches w.
inline bool NodeMatches(REpNode_t p, WChar w) {
  switch (p->Op) {
    case reop_Char:
      return p->CharClass.StartChar <= w && w <= p->CharClass.EndChar;
    case reop_Union:
      return NodeMatches(p->Children.pLeft, w) || NodeMatches(p->Children.pRight, w);
    default:
      return false;
  }
}

}  // namespace tamsel::test
