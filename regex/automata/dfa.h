// TRE_DFA: subset construction from an NFA (breadth first, states in order of
// registration, item 0 the start state), each state's transitions sorted
// stably by StartChar, and the plain-string test. The automaton is not
// minimised and has no dead state: a character without a transition ends a
// walk. After Run the DFA is immutable.
//
// Construction is bounded (kMaxStates states, kMaxStateSetBytes of state
// sets, kMaxTransitions transitions); a pattern past the bound raises
// ERegExpParser (msg::PatternTooComplex).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "regex/automata/nfa.h"

namespace tamsel {

struct RE_DFAState_t;
using RE_pDFAState_t = RE_DFAState_t*;

struct RE_DFAStateSub_t {
  RECharClass_t CharClass;
  RE_pDFAState_t TransitTo;  // never null
};

struct RE_DFAState_t {
  std::unique_ptr<TRE_NFAStateSet> StateSet;
  uint16_t Visited = 0;   // 0xFFFF once its transitions are computed
  uint16_t Accepted = 0;  // 0xFFFF when StateSet holds the NFA's exit state
  // Sorted ascending by CharClass.StartChar (stable). A walker stops as soon
  // as the character is below an entry's StartChar and takes the first entry
  // whose EndChar is not below it.
  std::vector<RE_DFAStateSub_t> SubList;
};

class TRE_DFA {
 public:
  static constexpr size_t kMaxStates = 10000;
  static constexpr size_t kMaxStateSetBytes = 64u << 20;
  // Transitions of all states together: the work and memory of a
  // construction grow with them, and ranges split small (a "." among fuzzy
  // characters) give every state dozens.
  static constexpr size_t kMaxTransitions = 300000;

  explicit TRE_DFA(TRE_NFA* NFA);

  void Run();
  void Convert_NFA_to_DFA();
  void Collect_Empty_Transition(TRE_NFAStateSet& S);
  RE_pDFAState_t Register_DFA_State(std::unique_ptr<TRE_NFAStateSet> S);
  RE_pDFAState_t Fetch_Unvisited_D_state();
  void StateListSort();
  void CheckIfRegExpIsSimple();

  std::vector<std::unique_ptr<RE_DFAState_t>> StateList;
  RE_pDFAState_t pInitialState = nullptr;
  TRE_NFA* NFA;  // not owned; read only during Run
  bool RegExpIsSimple = false;
  std::string SimpleRegExp;
  bool HasLHead = false;
  bool HasLTail = false;

 private:
  // The distinct ranges leaving one state's NFA states, in the order of their
  // first appearance (NFA states ascending, each state's transitions in list
  // order), each with the NFA states it reaches (before the closure).
  struct TransGroup_t {
    RECharClass_t CharClass;
    std::vector<int32_t> Targets;
  };
  std::vector<TransGroup_t> Compute_Reachable_N_state(const RE_DFAState_t& S);
  void NumberRanges();

  // During construction: per NFA transition, the number of its range among
  // the NFA's distinct ranges (-1 for an empty transition), and per range its
  // group in the state being computed (-1 for none), so that grouping is
  // array indexing rather than hashing.
  std::vector<std::vector<int32_t>> FRangeId;
  std::vector<int32_t> FGroupOfRange;

  // States by a hash of their set's bytes. Sets are unique, so a lookup gives
  // the same state as a scan of StateList; it is dropped after construction.
  std::unordered_multimap<size_t, RE_pDFAState_t> FStateIndex;
  // Every state before this index has been visited (Visited is never reset).
  size_t FNextUnvisited = 0;
};

}  // namespace tamsel
