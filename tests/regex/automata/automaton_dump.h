// Compact text dumps of automata, so that a shape test is one table row.
//
// A label is "ε" for an empty transition, the character itself for printable
// ASCII, "#XXXX" (four hex digits) for any other code, "s-e" for a range.
//   NFA: "0: a>3 | 1: | 2: c>1 | 3: b>2"       state: transitions in list order
//   DFA: "0{0}: a>1 | 1*{1,2,3}: b>2"         state, * if accepting, its NFA set
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "regex/automata/dfa.h"
#include "regex/automata/nfa.h"

namespace tamsel::test {

inline std::string DumpChar(WChar c) {
  if (c >= 0x21 && c <= 0x7E) return std::string(1, static_cast<char>(c));
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%04X", static_cast<unsigned>(c));
  return buf;
}

inline std::string DumpClass(RECharClass_t cc) {
  if (cc.StartChar == CONST_EMPTYCharClass.StartChar) return "ε";
  std::string out = DumpChar(cc.StartChar);
  if (cc.StartChar != cc.EndChar) {
    out += '-';
    out += DumpChar(cc.EndChar);
  }
  return out;
}

inline std::string DumpNFA(const TRE_NFA& nfa) {
  std::string out;
  for (size_t i = 0; i < nfa.StateList.size(); ++i) {
    if (i > 0) out += " | ";
    out += std::to_string(i);
    out += ':';
    for (const RE_NFANode_t& t : nfa.StateList[i]) {
      out += ' ';
      out += DumpClass(t.CharClass);
      out += '>';
      out += std::to_string(t.TransitTo);
    }
  }
  return out;
}

inline std::string DumpSet(const TRE_NFAStateSet& s) {
  std::string out = "{";
  bool first = true;
  for (int32_t i = 0; i < s.ArraySize * 8; ++i) {
    if (!s.Has(i)) continue;
    if (!first) out += ",";
    out += std::to_string(i);
    first = false;
  }
  return out + "}";
}

inline std::string DumpDFA(const TRE_DFA& dfa) {
  std::map<const RE_DFAState_t*, size_t> number;
  for (size_t i = 0; i < dfa.StateList.size(); ++i) number[dfa.StateList[i].get()] = i;
  std::string out;
  for (size_t i = 0; i < dfa.StateList.size(); ++i) {
    const RE_DFAState_t& s = *dfa.StateList[i];
    if (i > 0) out += " | ";
    out += std::to_string(i);
    if (s.Accepted) out += '*';
    out += DumpSet(*s.StateSet);
    out += ':';
    for (const RE_DFAStateSub_t& sub : s.SubList) {
      out += ' ';
      out += DumpClass(sub.CharClass);
      out += '>';
      out += std::to_string(number.at(sub.TransitTo));
    }
  }
  return out;
}

}  // namespace tamsel::test
