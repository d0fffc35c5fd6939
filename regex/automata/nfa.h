// TRE_NFA turns a parse tree into an NFA whose transitions carry a character
// range or the empty label (CONST_EMPTYCharClass). States are numbered in the
// order of the walk: 0 (entry) and 1 (exit) first, then one number when a
// concatenation is entered, two when a closure is entered, left before right.
// A state's transitions are listed newest first. A shared sub-tree is walked
// once per parent. The walk uses an explicit stack, so the pattern's depth
// never limits it.
//
// Construction is bounded (kMaxStates states, kMaxTransitions transitions):
// nested "+" operators double the walk at every level, so a short pattern
// could otherwise ask for an automaton beyond any memory. A pattern past the
// bound raises ERegExpParser (msg::PatternTooComplex).
#pragma once

#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <vector>

#include "regex/front/parser.h"

namespace tamsel {

struct RE_NFANode_t {
  RECharClass_t CharClass;
  int32_t TransitTo;
};

class TRE_NFA {
 public:
  // Room for a 1 MB literal (one state and one transition per byte) or a
  // pattern of half a megabyte of closures; about 100 MB at most.
  static constexpr size_t kMaxStates = size_t{1} << 21;
  static constexpr size_t kMaxTransitions = size_t{1} << 21;

  TRE_NFA(TREParser* Parser, WChar LHeadWChar, WChar LTailWChar);

  void Run();
  int32_t NumberNode();
  void AddTransition(int32_t From, int32_t To, RECharClass_t CharClass);
  void GenerateStateList(REpNode_t pNode, int32_t Entry, int32_t Exit);
  void DisposeStateList() {
    StateList.clear();
    FTransitionCount = 0;
  }

  // StateList[i]: the transitions of state i, newest first.
  std::vector<std::forward_list<RE_NFANode_t>> StateList;
  int32_t EntryState = 0;
  int32_t ExitState = 0;
  TREParser* Parser;
  bool HasLHead = false;
  bool HasLTail = false;
  WChar LHeadWChar;
  WChar LTailWChar;

 private:
  size_t FTransitionCount = 0;
};

// A bit set over NFA state numbers; all sets of one DFA construction have the
// same size, StateMax div 8 + 1 bytes.
class TRE_NFAStateSet {
 public:
  explicit TRE_NFAStateSet(int32_t StateMax);
  bool Has(int32_t State) const { return (pArray[State >> 3] >> (State & 7)) & 1; }
  void Include(int32_t State) { pArray[State >> 3] |= static_cast<uint8_t>(1u << (State & 7)); }
  // False for sets of different sizes (never the case within one construction).
  bool Equals(const TRE_NFAStateSet& Other) const;

  std::vector<uint8_t> pArray;
  int32_t ArraySize;
};

}  // namespace tamsel
