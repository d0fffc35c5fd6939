// Subset construction, transition sorting and the plain-string test.
//
// States are registered in the order a breadth-first construction meets
// them, and the numbering is observable (item 0 is the start state; tests and
// dumps read StateList), so the construction keeps one fixed order: for each
// state, its ranges are gathered in the order of their first appearance and
// their targets registered in the reverse of that order; its SubList holds
// them in first-appearance order until the stable sort by StartChar.
//
// Work per state is proportional to the set size in machine words plus the
// transitions of its members, never to a scan of all states: members are
// found word by word and states are looked up through a hash of their sets.
// The construction stops with a "too complex" error at kMaxStates states or
// kMaxStateSetBytes of state sets, before the state past the bound is made,
// or at kMaxTransitions transitions, before the state past it is worked on.
#include "regex/automata/dfa.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace tamsel {

namespace {

[[noreturn]] void RaiseTooComplex() {
  // The size of the automaton is a property of the whole pattern, not of one
  // place in it, so no position is given.
  throw ERegExpParser(msg::PatternTooComplex(), 0);
}

// Calls F(state) for every member of S, in ascending order.
template <typename F>
void ForEachMember(const TRE_NFAStateSet& S, F f) {
  const uint8_t* bytes = S.pArray.data();
  const size_t size = static_cast<size_t>(S.ArraySize);
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    if (word == 0) continue;
    for (size_t j = 0; j < 8; ++j) {
      for (unsigned bits = bytes[i + j]; bits != 0; bits &= bits - 1) {
        f(static_cast<int32_t>((i + j) * 8 + static_cast<size_t>(__builtin_ctz(bits))));
      }
    }
  }
  for (; i < size; ++i) {
    for (unsigned bits = bytes[i]; bits != 0; bits &= bits - 1) {
      f(static_cast<int32_t>(i * 8 + static_cast<size_t>(__builtin_ctz(bits))));
    }
  }
}

size_t HashSet(const TRE_NFAStateSet& S) {
  return std::hash<std::string_view>{}(std::string_view(
      reinterpret_cast<const char*>(S.pArray.data()), static_cast<size_t>(S.ArraySize)));
}

bool IsEmptyTransition(const RE_NFANode_t& t) {
  return t.CharClass.StartChar == CONST_EMPTYCharClass.StartChar;
}

}  // namespace

TRE_DFA::TRE_DFA(TRE_NFA* NFA) : NFA(NFA) {}

void TRE_DFA::Run() {
  HasLHead = NFA->HasLHead;
  HasLTail = NFA->HasLTail;
  Convert_NFA_to_DFA();
  StateListSort();
  CheckIfRegExpIsSimple();
}

void TRE_DFA::Convert_NFA_to_DFA() {
  const int32_t nfa_states = static_cast<int32_t>(NFA->StateList.size());
  auto start = std::make_unique<TRE_NFAStateSet>(nfa_states);
  start->Include(NFA->EntryState);
  Collect_Empty_Transition(*start);
  pInitialState = Register_DFA_State(std::move(start));
  NumberRanges();
  size_t transitions = 0;

  for (RE_pDFAState_t s = Fetch_Unvisited_D_state(); s != nullptr; s = Fetch_Unvisited_D_state()) {
    s->Visited = 0xFFFF;
    std::vector<TransGroup_t> groups = Compute_Reachable_N_state(*s);
    transitions += groups.size();
    if (transitions > kMaxTransitions) RaiseTooComplex();
    s->SubList.reserve(groups.size());
    // Many ranges of one state often lead to the same targets (a "." split
    // into pieces by the pattern's other characters); the same targets give
    // the same closure and so the same registered state, so each target set
    // is closed and looked up once per state.
    std::unordered_map<std::string_view, RE_pDFAState_t> byTargets;
    for (auto g = groups.rbegin(); g != groups.rend(); ++g) {
      std::sort(g->Targets.begin(), g->Targets.end());
      g->Targets.erase(std::unique(g->Targets.begin(), g->Targets.end()), g->Targets.end());
      const std::string_view key(reinterpret_cast<const char*>(g->Targets.data()),
                                 g->Targets.size() * sizeof(int32_t));
      RE_pDFAState_t& to = byTargets[key];
      if (to == nullptr) {
        auto set = std::make_unique<TRE_NFAStateSet>(nfa_states);
        for (int32_t t : g->Targets) set->Include(t);
        Collect_Empty_Transition(*set);
        to = Register_DFA_State(std::move(set));
      }
      s->SubList.push_back(RE_DFAStateSub_t{g->CharClass, to});
    }
    // Built back to front; the list reads in first-appearance order.
    std::reverse(s->SubList.begin(), s->SubList.end());
  }
  FStateIndex.clear();
  FRangeId.clear();
  FGroupOfRange.clear();
}

void TRE_DFA::Collect_Empty_Transition(TRE_NFAStateSet& S) {
  std::vector<int32_t> pending;
  ForEachMember(S, [&](int32_t q) { pending.push_back(q); });
  while (!pending.empty()) {
    const int32_t q = pending.back();
    pending.pop_back();
    for (const RE_NFANode_t& t : NFA->StateList[static_cast<size_t>(q)]) {
      if (IsEmptyTransition(t) && !S.Has(t.TransitTo)) {
        S.Include(t.TransitTo);
        pending.push_back(t.TransitTo);
      }
    }
  }
}

RE_pDFAState_t TRE_DFA::Register_DFA_State(std::unique_ptr<TRE_NFAStateSet> S) {
  const size_t hash = HashSet(*S);
  const auto [first, last] = FStateIndex.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    if (it->second->StateSet->Equals(*S)) return it->second;
  }

  const size_t count = StateList.size() + 1;
  if (count > kMaxStates || count * static_cast<size_t>(S->ArraySize) > kMaxStateSetBytes) {
    RaiseTooComplex();
  }
  auto state = std::make_unique<RE_DFAState_t>();
  state->Accepted = S->Has(NFA->ExitState) ? 0xFFFF : 0;
  state->StateSet = std::move(S);
  const RE_pDFAState_t result = state.get();
  StateList.push_back(std::move(state));
  FStateIndex.emplace(hash, result);
  return result;
}

RE_pDFAState_t TRE_DFA::Fetch_Unvisited_D_state() {
  while (FNextUnvisited < StateList.size() && StateList[FNextUnvisited]->Visited != 0) {
    ++FNextUnvisited;
  }
  return FNextUnvisited < StateList.size() ? StateList[FNextUnvisited].get() : nullptr;
}

void TRE_DFA::NumberRanges() {
  std::unordered_map<uint32_t, int32_t> ids;
  FRangeId.assign(NFA->StateList.size(), {});
  for (size_t q = 0; q < NFA->StateList.size(); ++q) {
    for (const RE_NFANode_t& t : NFA->StateList[q]) {
      int32_t id = -1;
      if (!IsEmptyTransition(t)) {
        const uint32_t key = (uint32_t{t.CharClass.StartChar} << 16) | t.CharClass.EndChar;
        id = ids.try_emplace(key, static_cast<int32_t>(ids.size())).first->second;
      }
      FRangeId[q].push_back(id);
    }
  }
  FGroupOfRange.assign(ids.size(), -1);
}

std::vector<TRE_DFA::TransGroup_t> TRE_DFA::Compute_Reachable_N_state(const RE_DFAState_t& S) {
  std::vector<TransGroup_t> groups;
  // Ranges are grouped by exact equality only: the parse tree has already
  // made them disjoint or identical.
  std::vector<int32_t> used;
  ForEachMember(*S.StateSet, [&](int32_t i) {
    auto id = FRangeId[static_cast<size_t>(i)].begin();
    for (const RE_NFANode_t& t : NFA->StateList[static_cast<size_t>(i)]) {
      const int32_t range = *id++;
      if (range < 0) continue;
      int32_t& group = FGroupOfRange[static_cast<size_t>(range)];
      if (group < 0) {
        group = static_cast<int32_t>(groups.size());
        groups.push_back(TransGroup_t{t.CharClass, {}});
        used.push_back(range);
      }
      groups[static_cast<size_t>(group)].Targets.push_back(t.TransitTo);
    }
  });
  for (int32_t id : used) FGroupOfRange[static_cast<size_t>(id)] = -1;
  return groups;
}

void TRE_DFA::StateListSort() {
  for (const auto& state : StateList) {
    std::stable_sort(state->SubList.begin(), state->SubList.end(),
                     [](const RE_DFAStateSub_t& a, const RE_DFAStateSub_t& b) {
                       return a.CharClass.StartChar < b.CharClass.StartChar;
                     });
  }
}

void TRE_DFA::CheckIfRegExpIsSimple() {
  RegExpIsSimple = false;
  SimpleRegExp.clear();
  RE_pDFAState_t s = pInitialState;
  // Every state reaches an accepting one, so a chain of single transitions
  // cannot circle; the bound only guards that reasoning.
  for (size_t steps = 0; s != nullptr && steps <= StateList.size(); ++steps) {
    if (s->SubList.empty()) {
      RegExpIsSimple = true;
      return;
    }
    const RE_DFAStateSub_t& only = s->SubList.front();
    if (s->SubList.size() > 1 || only.CharClass.StartChar != only.CharClass.EndChar ||
        s->Accepted != 0) {
      break;
    }
    SimpleRegExp += WCharToStr(only.CharClass.StartChar);
    s = only.TransitTo;
  }
  SimpleRegExp.clear();
}

}  // namespace tamsel
