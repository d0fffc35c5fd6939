#include "regex/front/parse_tree.h"

#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/regex/front/tree_dump.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::Dump;
using test::DumpLeaves;
using test::NodeMatches;

TEST(ParseTreeLeaves, MakeLeafSharesOneLeafPerRange) {
  TREParseTree tree;
  REpNode_t a = tree.MakeLeaf('a', 'a');
  EXPECT_EQ(tree.MakeLeaf('a', 'a'), a);
  REpNode_t range = tree.MakeLeaf('a', 'c');
  EXPECT_NE(range, a);
  EXPECT_EQ(tree.Check_and_MakeLeaf('a', 'c'), range);
  EXPECT_EQ(tree.Check_and_MakeLeaf('b', 'a'), nullptr);
  EXPECT_EQ(tree.Check_and_MakeLeaf(0xFFFF, 0), nullptr);  // compared unsigned
  EXPECT_EQ(DumpLeaves(tree), "a [a-c]");
  EXPECT_EQ(a->Op, reop_Char);
  EXPECT_TRUE(tree.NodeList.empty());
}

TEST(ParseTreeNodes, FactoriesBuildTheirNodes) {
  TREParseTree tree;
  REpNode_t head = tree.MakeLHeadNode('^');
  REpNode_t tail = tree.MakeLTailNode('$');
  EXPECT_EQ(head->Op, reop_LHead);
  EXPECT_EQ(head->CharClass, (RECharClass_t{'^', '^'}));
  EXPECT_EQ(tail->Op, reop_LTail);
  EXPECT_EQ(tail->CharClass, (RECharClass_t{'$', '$'}));
  REpNode_t cat = tree.MakeInternalNode(reop_Concat, head, tail);
  EXPECT_EQ(Dump(cat), "Cat(Head,Tail)");
  EXPECT_EQ(tree.NodeList.size(), 3u);
  EXPECT_TRUE(tree.LeafList.empty());  // anchors are not leaves

  REpNode_t any = tree.MakeAnyCharsNode();
  EXPECT_EQ(Dump(any), "Or(Or([<01>-<09>],[<0B>-<0C>]),[<0E>-<FCFC>])");
  EXPECT_EQ(DumpLeaves(tree), "[<0B>-<0C>] [<01>-<09>] [<0E>-<FCFC>]");
  REpNode_t again = tree.MakeAnyCharsNode();
  EXPECT_NE(again, any);
  EXPECT_EQ(again->Children.pRight, any->Children.pRight);  // leaves are shared
  EXPECT_EQ(tree.LeafList.size(), 3u);
}

TEST(ParseTreeNodes, ChangeLeaftoNodeRejectsANilChild) {
  TREParseTree tree;
  REpNode_t leaf = tree.MakeLeaf('a', 'z');
  REpNode_t b = tree.MakeLeaf('b', 'b');
  for (auto [left, right] : {std::pair{b, REpNode_t{}}, std::pair{REpNode_t{}, b}}) {
    try {
      tree.ChangeLeaftoNode(leaf, left, right);
      ADD_FAILURE() << "no exception";
    } catch (const ERegExpParser&) {
      ADD_FAILURE() << "not a syntax error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), test::J("TREParseTree : 致命的エラー"));
    }
  }
  EXPECT_EQ(leaf->Op, reop_Char);
  EXPECT_EQ(tree.LeafList.size(), 2u);
}

TEST(ParseTreeNodes, DisposeTreeEmptiesAndAllowsRefilling) {
  TREParseTree tree;
  REpNode_t a = tree.MakeLeaf('a', 'a');
  tree.pHeadNode = tree.MakeInternalNode(reop_Closure, a, nullptr);
  tree.DisposeTree();
  EXPECT_EQ(tree.pHeadNode, nullptr);
  EXPECT_TRUE(tree.NodeList.empty());
  EXPECT_TRUE(tree.LeafList.empty());
  // Refilled, it makes fresh leaves (never one it freed).
  REpNode_t again = tree.MakeLeaf('a', 'a');
  EXPECT_EQ(again->Op, reop_Char);
  EXPECT_EQ(DumpLeaves(tree), "a");
}

TEST(ParseTreeSplit, EachCaseSplitsIntoSharedPieces) {
  struct Case {
    std::vector<RECharClass_t> leaves;
    std::string after;               // LeafList afterwards
    std::vector<std::string> nodes;  // each original leaf afterwards
  };
  const Case cases[] = {
      // Partial overlap: the middle piece is shared.
      {{{'a', 'm'}, {'h', 'z'}}, "[a-g] [h-m] [n-z]", {"Or([a-g],[h-m])", "Or([h-m],[n-z])"}},
      {{{'h', 'z'}, {'a', 'm'}}, "[a-g] [h-m] [n-z]", {"Or([h-m],[n-z])", "Or([a-g],[h-m])"}},
      // Same start.
      {{{'a', 'c'}, {'a', 'z'}}, "[a-c] [d-z]", {"[a-c]", "Or([a-c],[d-z])"}},
      {{{0, 5}, {0, 0}}, "<00> [<01>-<05>]", {"Or(<00>,[<01>-<05>])", "<00>"}},
      // Same end.
      {{{'a', 'z'}, {'x', 'z'}}, "[x-z] [a-w]", {"Or([a-w],[x-z])", "[x-z]"}},
      {{{0xFFF0, 0xFFFF}, {0xFFFF, 0xFFFF}},
       "<FFFF> [<FFF0>-<FFFE>]",
       {"Or([<FFF0>-<FFFE>],<FFFF>)", "<FFFF>"}},
      // Nested.
      {{{'a', 'z'}, {'m', 'm'}}, "m [a-l] [n-z]", {"Or(Or([a-l],m),[n-z])", "m"}},
      {{{1, 0xFFFE}, {0, 0xFFFF}},
       "[<01>-<FFFE>] <00> <FFFF>",
       {"[<01>-<FFFE>]", "Or(Or(<00>,[<01>-<FFFE>]),<FFFF>)"}},
      // Disjoint ranges stay as they are.
      {{{'a', 'c'}, {'d', 'f'}, {'!', '!'}}, "[a-c] [d-f] !", {"[a-c]", "[d-f]", "!"}},
      // Several splits, in the order of the list.
      {{{'a', 'z'}, {'c', 'e'}, {'x', 'z'}},
       "[c-e] [x-z] [a-b] [f-w]",
       {"Or(Or([a-b],[c-e]),Or([f-w],[x-z]))", "[c-e]", "[x-z]"}},
  };
  for (const auto& c : cases) {
    TREParseTree tree;
    std::vector<REpNode_t> nodes;
    for (auto r : c.leaves) nodes.push_back(tree.MakeLeaf(r.StartChar, r.EndChar));
    tree.ForceCharClassUnique();
    EXPECT_EQ(DumpLeaves(tree), c.after);
    for (size_t k = 0; k < nodes.size(); ++k) EXPECT_EQ(Dump(nodes[k]), c.nodes[k]) << k;
  }
}

TEST(ParseTreeSplit, PiecesAreTheSameObjects) {
  TREParseTree tree;
  REpNode_t am = tree.MakeLeaf('a', 'm');
  REpNode_t hz = tree.MakeLeaf('h', 'z');
  REpNode_t parent = tree.MakeInternalNode(reop_Concat, am, hz);
  tree.ForceCharClassUnique();
  EXPECT_EQ(am->Children.pRight, hz->Children.pLeft);  // [h-m] once, used twice
  EXPECT_EQ(parent->Children.pLeft, am);               // parents see the unions
  EXPECT_EQ(am->Op, reop_Union);

  TREParseTree nested;
  REpNode_t az = nested.MakeLeaf('a', 'z');
  REpNode_t m = nested.MakeLeaf('m', 'm');
  nested.ForceCharClassUnique();
  EXPECT_EQ(az->Children.pLeft->Children.pRight, m);  // the inner leaf reused as itself
  // The former [a-z] is a union now, so a new [a-z] is a new leaf.
  REpNode_t fresh = nested.MakeLeaf('a', 'z');
  EXPECT_NE(fresh, az);
  EXPECT_EQ(fresh->Op, reop_Char);
  EXPECT_EQ(nested.LeafList.size(), 4u);
}

TEST(ParseTreeSplit, AnchorsAreLeftAlone) {
  TREParseTree tree;
  REpNode_t head = tree.MakeLHeadNode('^');
  REpNode_t printable = tree.MakeLeaf('!', '~');
  tree.ForceCharClassUnique();
  EXPECT_EQ(head->Op, reop_LHead);
  EXPECT_EQ(head->CharClass, (RECharClass_t{'^', '^'}));
  EXPECT_EQ(printable->Op, reop_Char);
  EXPECT_EQ(DumpLeaves(tree), "[!-~]");
}

// Random leaf sets over a small alphabet, at both ends of the code range:
// afterwards the leaves are disjoint and unique, every node (leaf or parent)
// matches what it matched before, and every node is still owned once.
TEST(ParseTreeSplit, RandomSetsKeepEveryNodesMeaning) {
  std::mt19937 rng(12345);
  constexpr int kWidth = 24;
  for (int trial = 0; trial < 400; ++trial) {
    const WChar base = (trial % 2 == 0) ? 0 : static_cast<WChar>(0x10000 - kWidth);
    TREParseTree tree;
    std::vector<REpNode_t> nodes;
    const int n = 1 + static_cast<int>(rng() % 7);
    for (int k = 0; k < n; ++k) {
      WChar a = static_cast<WChar>(base + rng() % kWidth);
      WChar b = static_cast<WChar>(base + rng() % kWidth);
      if (a > b) std::swap(a, b);
      nodes.push_back(tree.MakeLeaf(a, b));
    }
    const size_t leafCount = nodes.size();
    for (size_t k = 0; k + 1 < leafCount; ++k) {
      nodes.push_back(tree.MakeInternalNode(reop_Union, nodes[k], nodes[k + 1]));
    }
    auto meaning = [&](REpNode_t p) {
      std::bitset<kWidth> s;
      for (int w = 0; w < kWidth; ++w) s[w] = NodeMatches(p, static_cast<WChar>(base + w));
      return s;
    };
    std::vector<std::bitset<kWidth>> before;
    for (REpNode_t p : nodes) before.push_back(meaning(p));

    tree.ForceCharClassUnique();

    for (size_t k = 0; k < nodes.size(); ++k) EXPECT_EQ(meaning(nodes[k]), before[k]) << trial;
    std::set<REpNode_t> owned;
    for (size_t x = 0; x < tree.LeafList.size(); ++x) {
      const RECharClass_t cx = tree.LeafList[x]->CharClass;
      EXPECT_EQ(tree.LeafList[x]->Op, reop_Char);
      EXPECT_LE(cx.StartChar, cx.EndChar);
      EXPECT_TRUE(owned.insert(tree.LeafList[x].get()).second);
      for (size_t y = x + 1; y < tree.LeafList.size(); ++y) {
        const RECharClass_t cy = tree.LeafList[y]->CharClass;
        EXPECT_TRUE(cx.EndChar < cy.StartChar || cy.EndChar < cx.StartChar)
            << trial << ": " << DumpLeaves(tree);
      }
    }
    for (const auto& node : tree.NodeList) {
      EXPECT_NE(node->Op, reop_Char);
      EXPECT_TRUE(owned.insert(node.get()).second);
    }
    for (REpNode_t p : nodes) EXPECT_EQ(owned.count(p), 1u);
  }
}

}  // namespace
}  // namespace tamsel
