#include "regex/automata/dfa.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/regex/automata/automaton_dump.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::DumpDFA;

constexpr WChar kHead = 0xFFFD;
constexpr WChar kTail = 0xFFFE;

// Parser, NFA and DFA of one pattern, kept together so tests can compare them.
struct Compiled {
  Compiled(const std::string& pattern, WChar head = kHead, WChar tail = kTail)
      : parser(pattern), nfa(&parser, head, tail), dfa(&nfa) {
    parser.Run();
    nfa.Run();
    dfa.Run();
  }
  TREParser parser;
  TRE_NFA nfa;
  TRE_DFA dfa;
};

struct DFACase {
  const char* pattern;
  WChar head;
  WChar tail;
  const char* dump;
  bool simple;
  const char* simple_str;
};

class DFAShape : public ::testing::TestWithParam<DFACase> {};

TEST_P(DFAShape, StatesTransitionsAndPlainString) {
  const DFACase& c = GetParam();
  Compiled k(c.pattern, c.head, c.tail);
  EXPECT_EQ(DumpDFA(k.dfa), c.dump) << "pattern: " << c.pattern;
  EXPECT_EQ(k.dfa.pInitialState, k.dfa.StateList.front().get());
  EXPECT_EQ(k.dfa.RegExpIsSimple, c.simple) << "pattern: " << c.pattern;
  EXPECT_EQ(k.dfa.SimpleRegExp, c.simple_str) << "pattern: " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DFAShape,
    ::testing::Values(
        DFACase{"abc", kHead, kTail, "0{0}: a>1 | 1{3}: b>2 | 2{2}: c>3 | 3*{1}:", true, "abc"},
        DFACase{"", kHead, kTail, "0*{0,1}:", true, ""},
        // The state after a accepts and still goes on: not a plain string.
        DFACase{"ab*", kHead, kTail, "0{0}: a>1 | 1*{1,2,3}: b>2 | 2*{1,3,4}: b>2", false, ""},
        DFACase{"a*", kHead, kTail, "0*{0,1,2}: a>1 | 1*{1,2,3}: a>1", false, ""},
        DFACase{"a|b", kHead, kTail, "0{0}: a>1 b>1 | 1*{1}:", false, ""},
        DFACase{"[a-c]", kHead, kTail, "0{0}: a-c>1 | 1*{1}:", false, ""},
        // Targets registered in the reverse of first appearance (c, a, b in the
        // NFA list b, a, c), transitions then sorted.
        DFACase{"cx|ay|bz", kHead, kTail,
                "0{0}: a>2 b>3 c>1 | 1{2}: x>4 | 2{3}: y>4 | 3{4}: z>4 | 4*{1}:", false, ""},
        // Two NFA transitions on a are joined into one DFA transition.
        DFACase{"ab|ac", kHead, kTail, "0{0}: a>1 | 1{2,3}: b>2 c>2 | 2*{1}:", false, ""},
        // A literal anchor overlaps a leaf with the same StartChar: the sort
        // keeps first-appearance order, in both directions.
        DFACase{"a($|[$-/])b", kHead, kTail,
                "0{0}: a>1 | 1{3}: $-/>2 $>2 | 2{2}: b>3 | 3*{1}:", false, ""},
        DFACase{"a([$-/]|$)b", kHead, kTail,
                "0{0}: a>1 | 1{3}: $>2 $-/>2 | 2{2}: b>3 | 3*{1}:", false, ""},
        // Anchor transitions count as characters of the plain string.
        DFACase{"^abc", 0x0A, 0x0A,
                "0{0}: #000A>1 | 1{4}: a>2 | 2{3}: b>3 | 3{2}: c>4 | 4*{1}:", true, "\nabc"},
        DFACase{"abc$", 0x0A, 0x0A,
                "0{0}: a>1 | 1{4}: b>2 | 2{3}: c>3 | 3{2}: #000A>4 | 4*{1}:", true, "abc\n"}));

TEST(DFAConstruction, AnchorFlagsAreCopiedFromTheNFA) {
  struct Case {
    const char* pattern;
    bool head, tail;
  };
  for (const Case& c : {Case{"^abc", true, false}, Case{"a$", false, true},
                        Case{"a^$b", false, false}, Case{"^$", true, true}}) {
    Compiled k(c.pattern, 0x0A, 0x0A);
    EXPECT_EQ(k.dfa.HasLHead, c.head) << c.pattern;
    EXPECT_EQ(k.dfa.HasLTail, c.tail) << c.pattern;
  }
}

TEST(DFAConstruction, DoubleBytePlainString) {
  const std::string pattern = test::J("日本語");
  Compiled k(pattern);
  EXPECT_TRUE(k.dfa.RegExpIsSimple);
  EXPECT_EQ(k.dfa.SimpleRegExp, pattern);
  EXPECT_EQ(k.dfa.SimpleRegExp.size(), 6u);
}

TEST(DFAConstruction, SortedAndStableAfterManyAlternatives) {
  // Ten alternatives in descending order, with distinct targets: the start
  // state's transitions must come out ascending.
  std::string pattern;
  for (char ch = 'j'; ch >= 'a'; --ch) {
    if (!pattern.empty()) pattern += "|";
    pattern += std::string(1, ch) + "x";
  }
  Compiled k(pattern);
  const auto& subs = k.dfa.pInitialState->SubList;
  ASSERT_EQ(subs.size(), 10u);
  for (size_t i = 0; i < subs.size(); ++i) {
    EXPECT_EQ(subs[i].CharClass.StartChar, 'a' + i);
  }
}

// The invariants every DFA keeps, whatever the pattern.
void ExpectInvariants(const TRE_DFA& dfa, const std::string& pattern) {
  std::set<std::string> sets;
  for (const auto& s : dfa.StateList) {
    const std::string bytes(s->StateSet->pArray.begin(), s->StateSet->pArray.end());
    EXPECT_TRUE(sets.insert(bytes).second) << pattern << ": equal state sets";
    EXPECT_NE(s->Visited, 0) << pattern;
    if (s->SubList.empty()) {
      EXPECT_NE(s->Accepted, 0) << pattern << ": dead end not accepting";
    }
    for (size_t i = 1; i < s->SubList.size(); ++i) {
      EXPECT_LE(s->SubList[i - 1].CharClass.StartChar, s->SubList[i].CharClass.StartChar)
          << pattern;
    }
    for (size_t i = 0; i < s->SubList.size(); ++i) {
      EXPECT_NE(s->SubList[i].TransitTo, nullptr);
      for (size_t j = i + 1; j < s->SubList.size(); ++j) {
        EXPECT_FALSE(s->SubList[i].CharClass == s->SubList[j].CharClass) << pattern;
      }
    }
  }
}

// Reference: simulate the NFA directly on a sequence of characters.
bool NFAAccepts(const TRE_NFA& nfa, const std::vector<WChar>& input) {
  const auto closure = [&](std::set<int32_t> s) {
    std::vector<int32_t> todo(s.begin(), s.end());
    while (!todo.empty()) {
      const int32_t q = todo.back();
      todo.pop_back();
      for (const RE_NFANode_t& t : nfa.StateList[q]) {
        if (t.CharClass.StartChar == 0xFFFF && s.insert(t.TransitTo).second) {
          todo.push_back(t.TransitTo);
        }
      }
    }
    return s;
  };
  std::set<int32_t> cur = closure({nfa.EntryState});
  for (WChar c : input) {
    std::set<int32_t> next;
    for (int32_t q : cur) {
      for (const RE_NFANode_t& t : nfa.StateList[q]) {
        if (t.CharClass.StartChar != 0xFFFF && t.CharClass.StartChar <= c &&
            c <= t.CharClass.EndChar) {
          next.insert(t.TransitTo);
        }
      }
    }
    cur = closure(next);
  }
  return cur.count(nfa.ExitState) > 0;
}

bool DFAAccepts(const TRE_DFA& dfa, const std::vector<WChar>& input) {
  RE_pDFAState_t s = dfa.pInitialState;
  for (WChar c : input) {
    RE_pDFAState_t next = nullptr;
    for (const RE_DFAStateSub_t& sub : s->SubList) {
      if (c < sub.CharClass.StartChar) break;
      if (c <= sub.CharClass.EndChar) {
        next = sub.TransitTo;
        break;
      }
    }
    if (next == nullptr) return false;
    s = next;
  }
  return s->Accepted != 0;
}

TEST(DFAConstruction, AgreesWithTheNFAOnEveryShortInput) {
  const WChar kA = 'a', kB = 'b', kJ = 0x82A0;  // "あ"
  const std::vector<std::string> patterns = {"",
                                             "a",
                                             "(a|b)*a",
                                             "a(b|" + test::J("あ") + ")*",
                                             "(ab|a)*b?",
                                             "[a-b]+" + test::J("あ"),
                                             ".a",
                                             "[^a]b",
                                             "(a*)*",
                                             "((a|)b)+",
                                             "a?b?a?",
                                             "(a|ab)(c|bcd)?",
                                             "^a|b$",
                                             "(^a)*b",
                                             "[a" + test::J("あ") + "]*b+",
                                             "x*^a"};
  for (const std::string& pattern : patterns) {
    Compiled k(pattern);
    ExpectInvariants(k.dfa, pattern);
    // Every string of length 0..5 over {a, b, あ, line head, line tail}.
    const std::vector<WChar> alphabet = {kA, kB, kJ, kHead, kTail};
    std::vector<std::vector<WChar>> layer = {{}};
    for (int len = 0; len <= 5; ++len) {
      std::vector<std::vector<WChar>> next_layer;
      for (const auto& input : layer) {
        ASSERT_EQ(DFAAccepts(k.dfa, input), NFAAccepts(k.nfa, input))
            << "pattern " << pattern << ", input length " << input.size();
        for (WChar c : alphabet) {
          next_layer.push_back(input);
          next_layer.back().push_back(c);
        }
      }
      layer = std::move(next_layer);
    }
  }
}

std::string ManyChoices(int copies) {
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < copies; ++i) pattern += "(a|b)";
  return pattern;
}

// A pattern whose DFA passes a bound: the construction must raise the
// too-complex error, for the whole pattern (position 0); the automaton is kept
// to show where it stopped.
struct TooComplex {
  explicit TooComplex(const std::string& pattern)
      : parser(pattern), nfa(&parser, kHead, kTail), dfa(&nfa) {
    parser.Run();
    nfa.Run();
    try {
      dfa.Run();
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), msg::PatternTooComplex());
      EXPECT_EQ(e.Position, 0);
    }
  }
  TREParser parser;
  TRE_NFA nfa;
  TRE_DFA dfa;
};

TEST(DFALimits, ExponentialPatternRaisesTooComplex) {
  TooComplex k(ManyChoices(20));
  // Stopped at the bound, before the state past it was made.
  EXPECT_EQ(k.dfa.StateList.size(), TRE_DFA::kMaxStates);
}

TEST(DFALimits, PatternWithinTheBoundCompiles) {
  // "the 11th character from the end is a": one state for each of the 2^11
  // a/b patterns of the last 11 characters, plus the start state, whose set
  // still holds the NFA's entry.
  Compiled k(ManyChoices(10));
  EXPECT_EQ(k.dfa.StateList.size(), 2048u + 1);
  ExpectInvariants(k.dfa, ManyChoices(10));
}

// Few states but many transitions each: forty characters split "." into
// about eighty ranges, and ".*a" followed by n dots needs about 2^(n+1)
// states. With ten dots (2050 states, about 160000 transitions) the pattern
// compiles; with eleven, the transitions pass their bound long before the
// states do, and the construction stops there.
TEST(DFALimits, ManyTransitionsRaiseTooComplex) {
  std::string chars = "bdfhjlnprtvxzBDFHJLNPRTVXZ02468#%&',/:;<";
  std::string choice = "(";
  for (char c : chars) choice += std::string(choice.size() > 1 ? "|" : "") + c;
  choice += ")?.*a";
  auto transitions = [](const TRE_DFA& dfa) {
    size_t n = 0;
    for (const auto& state : dfa.StateList) n += state->SubList.size();
    return n;
  };

  Compiled ten(choice + std::string(10, '.'));
  EXPECT_EQ(ten.dfa.StateList.size(), 2050u);
  EXPECT_GT(transitions(ten.dfa), 100000u);

  TooComplex eleven(choice + std::string(11, '.'));
  EXPECT_LT(eleven.dfa.StateList.size(), TRE_DFA::kMaxStates / 2);
  EXPECT_LE(transitions(eleven.dfa), TRE_DFA::kMaxTransitions);
}

TEST(DFALimits, LongLiteral) {
  // Within the bounds: one state per character plus the final one.
  const std::string medium(5000, 'q');
  Compiled k(medium);
  EXPECT_EQ(k.dfa.StateList.size(), medium.size() + 1);
  EXPECT_TRUE(k.dfa.RegExpIsSimple);
  EXPECT_EQ(k.dfa.SimpleRegExp, medium);

  // A megabyte: the state sets alone would pass the memory bound.
  TREParser parser(std::string(1 << 20, 'q'));
  parser.Run();
  TRE_NFA nfa(&parser, kHead, kTail);
  nfa.Run();
  TRE_DFA dfa(&nfa);
  EXPECT_THROW(dfa.Run(), ERegExpParser);
  EXPECT_LE(dfa.StateList.size() * static_cast<size_t>(dfa.StateList[0]->StateSet->ArraySize),
            TRE_DFA::kMaxStateSetBytes);
}

TEST(DFAConstruction, FetchUnvisitedFollowsRegistration) {
  Compiled k("ab|cd");
  // After Run every state has been visited.
  EXPECT_EQ(k.dfa.Fetch_Unvisited_D_state(), nullptr);

  TRE_DFA dfa(&k.nfa);
  auto s0 = std::make_unique<TRE_NFAStateSet>(static_cast<int32_t>(k.nfa.StateList.size()));
  s0->Include(0);
  RE_pDFAState_t first = dfa.Register_DFA_State(std::move(s0));
  auto s1 = std::make_unique<TRE_NFAStateSet>(static_cast<int32_t>(k.nfa.StateList.size()));
  s1->Include(1);
  RE_pDFAState_t second = dfa.Register_DFA_State(std::move(s1));
  auto again = std::make_unique<TRE_NFAStateSet>(static_cast<int32_t>(k.nfa.StateList.size()));
  again->Include(0);
  EXPECT_EQ(dfa.Register_DFA_State(std::move(again)), first);
  EXPECT_EQ(dfa.StateList.size(), 2u);
  EXPECT_EQ(first->Accepted, 0);
  EXPECT_EQ(second->Accepted, 0xFFFF);
  EXPECT_EQ(dfa.Fetch_Unvisited_D_state(), first);
  first->Visited = 0xFFFF;
  EXPECT_EQ(dfa.Fetch_Unvisited_D_state(), second);
  second->Visited = 0xFFFF;
  EXPECT_EQ(dfa.Fetch_Unvisited_D_state(), nullptr);
}

TEST(DFAConstruction, CollectEmptyTransitionWidensInPlace) {
  Compiled k("ab*");  // NFA 2: ε>3; 3: ε>1 b>4; 4: ε>3
  TRE_NFAStateSet s(static_cast<int32_t>(k.nfa.StateList.size()));
  s.Include(4);
  k.dfa.Collect_Empty_Transition(s);
  EXPECT_EQ(test::DumpSet(s), "{1,3,4}");
}

}  // namespace
}  // namespace tamsel
