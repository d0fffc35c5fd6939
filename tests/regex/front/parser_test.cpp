#include "regex/front/parser.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/regex/front/tree_dump.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::Dump;
using test::J;
using test::NodeMatches;

std::string Parse(const std::string& pattern) {
  TREParser parser(pattern);
  parser.Run();
  return Dump(parser.ParseTree.pHeadNode);
}

TEST(Parser, TreeShapes) {
  struct Case {
    std::string pattern;
    std::string tree;
  };
  const Case cases[] = {
      {"", "E"},
      {"()", "E"},
      {"a|", "Or(a,E)"},
      {"|", "Or(E,E)"},
      {"a|b|c", "Or(Or(a,b),c)"},
      {"abc", "Cat(Cat(a,b),c)"},
      {"ab*", "Cat(a,Star(b))"},
      {"ab|c", "Or(Cat(a,b),c)"},
      {"a+", "Cat(a,Star(a))"},
      {"a?", "Or(a,E)"},
      {"(ab)*c", "Cat(Star(Cat(a,b)),c)"},
      {"a(b|)d", "Cat(Cat(a,Or(b,E)),d)"},
      {"((a))", "a"},
      {"a^b", "Cat(Cat(a,Head),b)"},
      {"^a$", "Cat(Cat(Head,a),Tail)"},
      {"^*$?", "Cat(Star(Head),Or(Tail,E))"},
      {"\\^\\$\\(\\*", "Cat(Cat(Cat(^,$),(),*)"},
      {J("あい"), "Cat(<82A0>,<82A2>)"},
      {".", "Or(Or([<01>-<09>],[<0B>-<0C>]),[<0E>-<FCFC>])"},
      {"[abc]", "Or(Or(a,b),c)"},
      {"[a]", "a"},
      // After Run the leaves are disjoint: a-c is split around the shared b.
      {"[a-cb]", "Or(Or(Or(a,b),c),b)"},
      {"[^a]", "Or(Or(Or([<0B>-<0C>],[<01>-<09>]),[<0E>-`]),[b-<FCFC>])"},
      {"[^\\x00-\\x05]", "Or(Or([<0B>-<0C>],[<0E>-<FCFC>]),[<06>-<09>])"},
      {"[^\\xFFFF]", "Or(Or([<0B>-<0C>],[<01>-<09>]),[<0E>-<FCFC>])"},
      {"[^\\x01-\\xFCFB]", "<FCFC>"},
      {std::string("ab\0)", 4), "Cat(a,b)"},  // a zero byte ends the pattern
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.pattern), c.tree) << c.pattern;
}

TEST(Parser, PlusLinksTheSameSubtreeTwice) {
  for (const char* pattern : {"a+", "(ab|c)+", "[^x]+"}) {
    TREParser parser(pattern);
    parser.Run();
    REpNode_t root = parser.ParseTree.pHeadNode;
    ASSERT_EQ(root->Op, reop_Concat) << pattern;
    ASSERT_EQ(root->Children.pRight->Op, reop_Closure);
    EXPECT_EQ(root->Children.pLeft, root->Children.pRight->Children.pLeft) << pattern;
  }
}

TEST(Parser, ErrorsCarryMessageAndPosition) {
  struct Case {
    std::string pattern;
    const char* message;
    int32_t position;  // 0: Length + 1
  };
  const char* needChar = "普通の文字、または左括弧\"(\"が必要です";
  const char* badClass = "不正なキャラクタクラス指定です。";
  const Case cases[] = {
      {"a**", needChar, 4},
      {"*a", needChar, 2},
      {"a|*", needChar, 4},
      {"a]", needChar, 3},
      {"?", needChar, 2},
      {"a?+", needChar, 4},
      {"(*)", needChar, 3},
      {"(a|+)", needChar, 5},
      {"a)", "正規表現に余分な文字があります", 3},
      {"(a))b", "正規表現に余分な文字があります", 5},
      {")", "正規表現に余分な文字があります", 2},
      {"(a", "右(閉じ)括弧が必要です", 3},
      {"((a)", "右(閉じ)括弧が必要です", 0},
      {"(", "右(閉じ)括弧が必要です", 0},
      {"[]", badClass, 3},
      {"[^]", badClass, 4},
      {"[]a]", badClass, 3},
      {"x[^\\x01-\\xFCFC]y", badClass, 16},
      {"[^\\x01-\\x09\\x0B\\x0C\\x0E-\\xFCFC]", badClass, 0},
      {"[^\\x00-\\xFFFF]", badClass, 0},
      {"[", "右ブラケット\"]\"が必要です", 0},
      {"a[b", "右ブラケット\"]\"が必要です", 0},
      {"[z-a]", "不正なキャラクタ範囲です", 5},
      {"ab\\", "\"\\\"の次には文字が必要です。", 0},
      {"a\\x", "不正な１６進数コード表記です。", 0},
      {"(\\400000)", "不正な８進数コード表記です。", 9},
      {"a\x82", "不正な２バイト文字コードです。", 2},
  };
  for (const auto& c : cases) {
    TREParser parser(c.pattern);
    try {
      parser.Run();
      ADD_FAILURE() << "no error for " << c.pattern;
    } catch (const ERegExpParser& e) {
      const int32_t position = c.position ? c.position : static_cast<int32_t>(c.pattern.size()) + 1;
      EXPECT_EQ(e.Message(), J(c.message)) << c.pattern;
      EXPECT_EQ(e.Position, position) << c.pattern;
    }
  }
}

bool InUniverse(WChar w) {
  return (w >= 0x01 && w <= 0x09) || w == 0x0B || w == 0x0C || (w >= 0x0E && w <= 0xFCFC);
}

// A negated class matches exactly the characters of "." that are not members.
TEST(Parser, NegatedClassIsTheComplementWithinAnyCharacter) {
  struct Case {
    std::string pattern;
    std::vector<RECharClass_t> members;
  };
  const Case cases[] = {
      {"[^a]", {{'a', 'a'}}},
      {"[^acb]", {{'a', 'c'}}},
      {"[^\\x00-\\x05]", {{0, 5}}},
      {"[^\\xFFFF]", {{0xFFFF, 0xFFFF}}},
      {"[^\\n\\r]", {{0x0A, 0x0A}, {0x0D, 0x0D}}},
      {"[^a-zA-Z0-9_]", {{'a', 'z'}, {'A', 'Z'}, {'0', '9'}, {'_', '_'}}},
      {"[^-\\]]", {{'-', '-'}, {']', ']'}}},
      {"[^b-ya-cx-z]", {{'a', 'z'}}},
      {J("[^あ-んア]"), {{0x82A0, 0x82F1}, {0x8341, 0x8341}}},
      {"[^\\x02-\\xFCFC]", {{0x02, 0xFCFC}}},
  };
  for (const auto& c : cases) {
    TREParser parser(c.pattern);
    parser.Run();
    REpNode_t root = parser.ParseTree.pHeadNode;
    int mismatches = 0;
    for (uint32_t w = 0; w <= 0xFFFF; ++w) {
      bool member = false;
      for (auto m : c.members) member |= (m.StartChar <= w && w <= m.EndChar);
      const bool expected = InUniverse(static_cast<WChar>(w)) && !member;
      if (NodeMatches(root, static_cast<WChar>(w)) != expected && ++mismatches <= 3) {
        ADD_FAILURE() << c.pattern << " at " << w;
      }
    }
  }
}

void CollectLeaves(REpNode_t p, std::set<REpNode_t>& out) {
  if (p->Op == reop_Char) {
    out.insert(p);
  } else if (p->Op == reop_Union) {
    CollectLeaves(p->Children.pLeft, out);
    CollectLeaves(p->Children.pRight, out);
  }
}

TEST(Parser, NegatedClassSharesLeavesWithTheRestOfThePattern) {
  TREParser parser(".[^a]a");
  parser.Run();
  REpNode_t root = parser.ParseTree.pHeadNode;  // Cat(Cat(dot, class), a)
  REpNode_t dot = root->Children.pLeft->Children.pLeft;
  REpNode_t cls = root->Children.pLeft->Children.pRight;
  std::set<REpNode_t> dotLeaves, classLeaves;
  CollectLeaves(dot, dotLeaves);
  CollectLeaves(cls, classLeaves);
  EXPECT_EQ(dotLeaves.size(), classLeaves.size() + 1);  // "." has the a as well
  for (REpNode_t leaf : classLeaves)
    EXPECT_EQ(dotLeaves.count(leaf), 1u) << test::RangeText(leaf->CharClass);
  EXPECT_EQ(dotLeaves.count(root->Children.pRight), 1u);
  EXPECT_EQ(parser.ParseTree.LeafList.size(), dotLeaves.size());
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int k = 0; k < n; ++k) out += s;
  return out;
}

TEST(ParserLimits, GroupNestingIsBounded) {
  const int max = TREParser::kMaxNesting;
  {
    TREParser parser(Repeat("(", max) + "a" + Repeat(")", max));
    parser.Run();
    EXPECT_EQ(Dump(parser.ParseTree.pHeadNode), "a");
  }
  {
    // Sibling groups do not add up.
    TREParser parser(Repeat("(a)", 5000));
    parser.Run();
    EXPECT_EQ(parser.ParseTree.NodeList.size(), 4999u);
  }
  for (const std::string& pattern : {Repeat("(", max + 1) + "a" + Repeat(")", max + 1),
                                     Repeat("(", 100000) + Repeat(")", 100000)}) {
    TREParser parser(pattern);
    try {
      parser.Run();
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), J("正規表現の括弧の入れ子が深すぎます"));
      EXPECT_EQ(e.Position, max + 2);  // just past the first "(" too many
    }
  }
}

TEST(ParserLimits, OneMegabyteOfLiteralCharacters) {
  // Every double-byte code of code page 932, and ASCII letters between them,
  // repeated up to 1 MiB.
  std::vector<std::string> chars;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      chars.push_back({static_cast<char>(lead), static_cast<char>(trail)});
      if (trail % 16 == 0) chars.push_back(std::string(1, static_cast<char>('a' + trail % 26)));
    }
  }
  std::string pattern;
  size_t count = 0;
  std::set<std::string> distinct;
  while (pattern.size() + 2 <= (1u << 20)) {
    const std::string& c = chars[count % chars.size()];
    pattern += c;
    distinct.insert(c);
    ++count;
  }
  while (pattern.size() < (1u << 20)) {
    pattern += 'z';
    distinct.insert("z");
    ++count;
  }
  ASSERT_EQ(pattern.size(), 1u << 20);

  TREParser parser(pattern);
  parser.Run();
  const TREParseTree& tree = parser.ParseTree;
  EXPECT_EQ(tree.LeafList.size(), distinct.size());
  EXPECT_EQ(tree.NodeList.size(), count - 1);  // one Concat per further character
  // The leftmost leaf is the first character, the rightmost the last.
  REpNode_t p = tree.pHeadNode;
  size_t depth = 0;
  while (p->Op == reop_Concat) {
    p = p->Children.pLeft;
    ++depth;
  }
  EXPECT_EQ(depth, count - 1);
  EXPECT_EQ(p->CharClass, (RECharClass_t{0x8140, 0x8140}));
  EXPECT_EQ(tree.pHeadNode->Children.pRight->CharClass, (RECharClass_t{'z', 'z'}));
}

}  // namespace
}  // namespace tamsel
