#include "regex/automata/nfa.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/regex/automata/automaton_dump.h"

namespace tamsel {
namespace {

using test::DumpNFA;

constexpr WChar kHead = 0xFFFD;  // the component's default line codes
constexpr WChar kTail = 0xFFFE;

struct NFACase {
  const char* pattern;
  WChar head;
  WChar tail;
  const char* dump;
  bool has_lhead;
  bool has_ltail;
};

class NFAShape : public ::testing::TestWithParam<NFACase> {};

TEST_P(NFAShape, NumberingTransitionsAndAnchorFlags) {
  const NFACase& c = GetParam();
  TREParser parser(c.pattern);
  parser.Run();
  TRE_NFA nfa(&parser, c.head, c.tail);
  nfa.Run();
  EXPECT_EQ(DumpNFA(nfa), c.dump) << "pattern: " << c.pattern;
  EXPECT_EQ(nfa.EntryState, 0);
  EXPECT_EQ(nfa.ExitState, 1);
  EXPECT_EQ(nfa.HasLHead, c.has_lhead);
  EXPECT_EQ(nfa.HasLTail, c.has_ltail);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, NFAShape,
    ::testing::Values(
        // Outer concatenation numbered before the inner one.
        NFACase{"abc", kHead, kTail, "0: a>3 | 1: | 2: c>1 | 3: b>2", false, false},
        // The closure's way out is added after its body: it stands first.
        NFACase{"ab*", kHead, kTail, "0: a>2 | 1: | 2: ε>3 | 3: ε>1 b>4 | 4: ε>3", false, false},
        NFACase{"", kHead, kTail, "0: ε>1 | 1:", false, false},
        NFACase{"[a-c]", kHead, kTail, "0: a-c>1 | 1:", false, false},
        // The operand of "+" is walked twice and yields two transitions on a.
        NFACase{"a+", kHead, kTail, "0: a>2 | 1: | 2: ε>3 | 3: ε>1 a>4 | 4: ε>3", false, false},
        // Anchors act as line anchors only at the very start or end.
        NFACase{"^a", kHead, kTail, "0: #FFFD>2 | 1: | 2: a>1", true, false},
        NFACase{"a^", kHead, kTail, "0: a>2 | 1: | 2: ^>1", false, false},
        NFACase{"a$", kHead, kTail, "0: a>2 | 1: | 2: #FFFE>1", false, true},
        NFACase{"$a", kHead, kTail, "0: $>2 | 1: | 2: a>1", false, false},
        NFACase{"^a|^b", kHead, kTail, "0: #FFFD>3 #FFFD>2 | 1: | 2: a>1 | 3: b>1", true, false},
        // Inside a closure the anchor leaves the loop state, not the entry.
        NFACase{"(^a)*", kHead, kTail, "0: ε>2 | 1: | 2: ε>1 ^>4 | 3: ε>2 | 4: a>3", false, false},
        NFACase{"(^a)+", kHead, kTail,
                "0: #FFFD>3 | 1: | 2: ε>4 | 3: a>2 | 4: ε>1 ^>6 | 5: ε>4 | 6: a>5", true, false},
        NFACase{"x*^a", kHead, kTail, "0: ε>4 | 1: | 2: a>1 | 3: ^>2 | 4: ε>3 x>5 | 5: ε>4", false,
                false},
        // Groups, alternatives and optional parts do not hide an anchor.
        NFACase{"(b|^a)$", kHead, kTail, "0: #FFFD>3 b>2 | 1: | 2: #FFFE>1 | 3: a>2", true, true},
        NFACase{"^?a", kHead, kTail, "0: ε>2 #FFFD>2 | 1: | 2: a>1", true, false},
        // The file grep's codes: both anchors on the same character.
        NFACase{"^$", 0x0A, 0x0A, "0: #000A>2 | 1: | 2: #000A>1", true, true}));

TEST(NFAWalk, LongLiteralDoesNotRecurse) {
  // A left-deep chain of a million concatenations.
  const std::string pattern(1 << 20, 'a');
  TREParser parser(pattern);
  parser.Run();
  TRE_NFA nfa(&parser, kHead, kTail);
  nfa.Run();
  ASSERT_EQ(nfa.StateList.size(), pattern.size() + 1);
  // The last character enters the exit state from the outermost concatenation's state.
  EXPECT_EQ(nfa.StateList[2].front().TransitTo, 1);
  EXPECT_TRUE(nfa.StateList[1].empty());
}

TEST(NFAWalk, DeepGroupsAndLongAlternation) {
  std::string nested = std::string(TREParser::kMaxNesting, '(') + "a" +
                       std::string(TREParser::kMaxNesting, ')') + "*";
  TREParser p1(nested);
  p1.Run();
  TRE_NFA n1(&p1, kHead, kTail);
  n1.Run();
  EXPECT_EQ(DumpNFA(n1), "0: ε>2 | 1: | 2: ε>1 a>3 | 3: ε>2");

  std::string alternation = "a";
  for (int i = 0; i < 100000; ++i) alternation += "|a";
  TREParser p2(alternation);
  p2.Run();
  TRE_NFA n2(&p2, kHead, kTail);
  n2.Run();
  EXPECT_EQ(n2.StateList.size(), 2u);
  EXPECT_EQ(std::distance(n2.StateList[0].begin(), n2.StateList[0].end()), 100001);
}

TEST(NFAWalk, NestedPlusIsBoundedNotExponential) {
  // Every "+" doubles the walk: 40 levels would ask for 2^40 transitions.
  std::string pattern = "a";
  for (int i = 0; i < 40; ++i) pattern = "(" + pattern + ")+";
  TREParser parser(pattern);
  parser.Run();
  TRE_NFA nfa(&parser, kHead, kTail);
  try {
    nfa.Run();
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), msg::PatternTooComplex());
    EXPECT_EQ(e.Position, 0);
  }
}

TEST(NFAWalk, MalformedTreeRaisesTheInternalError) {
  const std::string expected = "This cannot happen in TRE_NFA.GenerateStateList";
  {
    TREParser parser("ab");
    parser.Run();
    parser.ParseTree.pHeadNode->Op = static_cast<REOperation_t>(42);
    TRE_NFA nfa(&parser, kHead, kTail);
    try {
      nfa.Run();
      FAIL() << "no error";
    } catch (const ERegExpParser&) {
      FAIL() << "a pattern error for an internal fault";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), expected);
    }
  }
  {
    // A missing child, which the parser never produces, is refused the same way.
    TREParser parser("ab");
    parser.Run();
    parser.ParseTree.pHeadNode->Children.pRight = nullptr;
    TRE_NFA nfa(&parser, kHead, kTail);
    try {
      nfa.Run();
      FAIL() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), expected);
    }
  }
}

TEST(NFAStateSet, SizeAndBitAddressing) {
  struct Case {
    int32_t state_max;
    int32_t bytes;
  };
  for (const Case& c : {Case{0, 1}, Case{7, 1}, Case{8, 2}, Case{17, 3}}) {
    TRE_NFAStateSet s(c.state_max);
    EXPECT_EQ(s.ArraySize, c.bytes) << c.state_max;
    EXPECT_EQ(static_cast<int32_t>(s.pArray.size()), c.bytes) << c.state_max;
  }
  TRE_NFAStateSet s(16);
  s.Include(9);
  EXPECT_EQ(s.pArray[0], 0);
  EXPECT_EQ(s.pArray[1], 0x02);
  EXPECT_TRUE(s.Has(9));
  EXPECT_FALSE(s.Has(8));
  EXPECT_FALSE(s.Has(10));
  s.Include(0);
  s.Include(7);
  EXPECT_EQ(s.pArray[0], 0x81);
}

TEST(NFAStateSet, EqualsIgnoresInclusionOrder) {
  TRE_NFAStateSet a(20), b(20), c(20);
  for (int32_t i : {3, 17, 8}) a.Include(i);
  for (int32_t i : {8, 3, 17, 3}) b.Include(i);
  for (int32_t i : {3, 17}) c.Include(i);
  EXPECT_TRUE(a.Equals(b));
  EXPECT_TRUE(b.Equals(a));
  EXPECT_FALSE(a.Equals(c));
  // Sets of different sizes never compare equal (nor read past the smaller).
  TRE_NFAStateSet small(7), large(100);
  EXPECT_FALSE(small.Equals(large));
  EXPECT_FALSE(large.Equals(small));
}

}  // namespace
}  // namespace tamsel
