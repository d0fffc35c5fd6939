// The parse tree's node factory and the splitting of leaf ranges.
//
// Nodes live in NodeList or LeafList and nowhere else, so a tree abandoned in
// the middle of an error is freed whole whatever its links. Splitting turns a
// leaf into a union in place: every parent that pointed to the leaf then sees
// the union, without parent pointers.
#include "regex/front/parse_tree.h"

#include <algorithm>

namespace tamsel {

namespace {

uint32_t RangeKey(WChar StartChar, WChar EndChar) {
  return (static_cast<uint32_t>(StartChar) << 16) | EndChar;
}

const std::string& FatalMessage() {
  static const std::string s = Cp932("TREParseTree : 致命的エラー");
  return s;
}

bool Disjoint(const RECharClass_t& a, const RECharClass_t& b) {
  return a.EndChar < b.StartChar || b.EndChar < a.StartChar;
}

}  // namespace

REpNode_t TREParseTree::MakeInternalNode(REOperation_t Op, REpNode_t pLeft, REpNode_t pRight) {
  auto node = std::make_unique<RENode_t>();
  node->Op = Op;
  node->Children = {pLeft, pRight};
  REpNode_t p = node.get();
  NodeList.push_back(std::move(node));  // on failure the node is freed here
  return p;
}

void TREParseTree::SyncLeafIndex() {
  if (FLeafIndex.size() == LeafList.size()) return;
  FLeafIndex.clear();
  for (const auto& leaf : LeafList) {
    FLeafIndex.emplace(RangeKey(leaf->CharClass.StartChar, leaf->CharClass.EndChar), leaf.get());
  }
}

REpNode_t TREParseTree::MakeLeaf(WChar StartChar, WChar EndChar) {
  // Ranges are unique in LeafList, so the index finds the same leaf as a
  // search from the first entry would.
  SyncLeafIndex();
  const uint32_t key = RangeKey(StartChar, EndChar);
  if (auto it = FLeafIndex.find(key); it != FLeafIndex.end()) return it->second;
  auto node = std::make_unique<RENode_t>();
  node->Op = reop_Char;
  node->CharClass = {StartChar, EndChar};
  REpNode_t p = node.get();
  LeafList.push_back(std::move(node));
  FLeafIndex.emplace(key, p);  // should this throw, the size check rebuilds the index
  return p;
}

REpNode_t TREParseTree::MakeLHeadNode(WChar W) {
  REpNode_t p = MakeInternalNode(reop_LHead, nullptr, nullptr);
  p->CharClass = {W, W};
  return p;
}

REpNode_t TREParseTree::MakeLTailNode(WChar W) {
  REpNode_t p = MakeInternalNode(reop_LTail, nullptr, nullptr);
  p->CharClass = {W, W};
  return p;
}

REpNode_t TREParseTree::MakeAnyCharsNode() {
  // Any character but NUL, LF, CR and the codes above 0xFCFC, which other
  // stages use as markers.
  REpNode_t vtff = MakeLeaf(0x0B, 0x0C);
  REpNode_t low = MakeLeaf(0x01, 0x09);
  REpNode_t rest = MakeLeaf(0x0E, 0xFCFC);
  return MakeInternalNode(reop_Union, MakeInternalNode(reop_Union, low, vtff), rest);
}

REpNode_t TREParseTree::Check_and_MakeLeaf(WChar StartChar, WChar EndChar) {
  if (StartChar > EndChar) return nullptr;
  return MakeLeaf(StartChar, EndChar);
}

void TREParseTree::ChangeLeaftoNode(REpNode_t pLeaf, REpNode_t pLeft, REpNode_t pRight) {
  if (pLeaf == nullptr || pLeft == nullptr || pRight == nullptr) throw Exception(FatalMessage());
  auto it = std::find_if(LeafList.begin(), LeafList.end(),
                         [pLeaf](const auto& leaf) { return leaf.get() == pLeaf; });
  if (it == LeafList.end()) throw Exception(FatalMessage());
  // Make room first so that nothing below can fail half-way.
  if (NodeList.size() == NodeList.capacity()) NodeList.reserve(NodeList.size() * 2 + 1);
  SyncLeafIndex();
  FLeafIndex.erase(RangeKey(pLeaf->CharClass.StartChar, pLeaf->CharClass.EndChar));
  pLeaf->Op = reop_Union;
  pLeaf->Children = {pLeft, pRight};
  NodeList.push_back(std::move(*it));
  LeafList.erase(it);
}

bool TREParseTree::SplitPair(REpNode_t X, REpNode_t Y) {
  const RECharClass_t x = X->CharClass;
  const RECharClass_t y = Y->CharClass;
  if (x == y || Disjoint(x, y)) return false;

  if (x.StartChar == y.StartChar) {
    // Same start: the longer one becomes the shorter one plus the rest.
    const bool xShorter = x.EndChar < y.EndChar;
    REpNode_t L = xShorter ? Y : X;
    const RECharClass_t s = xShorter ? x : y;
    const RECharClass_t l = xShorter ? y : x;
    REpNode_t lower = MakeLeaf(s.StartChar, s.EndChar);
    REpNode_t upper = MakeLeaf(static_cast<WChar>(s.EndChar + 1), l.EndChar);
    ChangeLeaftoNode(L, lower, upper);
  } else if (x.EndChar == y.EndChar) {
    // Same end: the one that starts first becomes its head plus the other.
    const bool xFirst = x.StartChar < y.StartChar;
    REpNode_t L = xFirst ? X : Y;
    const RECharClass_t l = xFirst ? x : y;
    const RECharClass_t s = xFirst ? y : x;
    REpNode_t lower = MakeLeaf(l.StartChar, static_cast<WChar>(s.StartChar - 1));
    REpNode_t upper = MakeLeaf(s.StartChar, s.EndChar);
    ChangeLeaftoNode(L, lower, upper);
  } else {
    const bool xFirst = x.StartChar < y.StartChar;
    REpNode_t P = xFirst ? X : Y;
    REpNode_t Q = xFirst ? Y : X;
    const RECharClass_t p = xFirst ? x : y;
    const RECharClass_t q = xFirst ? y : x;
    if (q.EndChar < p.EndChar) {
      // Nested: q lies strictly inside p.
      REpNode_t lower = MakeLeaf(p.StartChar, static_cast<WChar>(q.StartChar - 1));
      REpNode_t middle = MakeLeaf(q.StartChar, q.EndChar);
      REpNode_t upper = MakeLeaf(static_cast<WChar>(q.EndChar + 1), p.EndChar);
      REpNode_t inner = MakeInternalNode(reop_Union, lower, middle);
      ChangeLeaftoNode(P, inner, upper);
    } else {
      // Partial overlap: both share the middle piece.
      REpNode_t lower = MakeLeaf(p.StartChar, static_cast<WChar>(q.StartChar - 1));
      REpNode_t middle = MakeLeaf(q.StartChar, p.EndChar);
      REpNode_t upper = MakeLeaf(static_cast<WChar>(p.EndChar + 1), q.EndChar);
      ChangeLeaftoNode(P, lower, middle);
      ChangeLeaftoNode(Q, middle, upper);
    }
  }
  return true;
}

void TREParseTree::ForceCharClassUnique() {
  // Nothing to split when the ranges are already disjoint, the usual case of
  // a long literal pattern; the pairwise loop below would find no pair.
  {
    std::vector<RECharClass_t> ranges;
    ranges.reserve(LeafList.size());
    for (const auto& leaf : LeafList) ranges.push_back(leaf->CharClass);
    std::sort(ranges.begin(), ranges.end(), [](const RECharClass_t& a, const RECharClass_t& b) {
      return a.StartChar < b.StartChar;
    });
    bool disjoint = true;
    for (size_t k = 1; k < ranges.size() && disjoint; ++k) {
      disjoint = ranges[k - 1].EndChar < ranges[k].StartChar;
    }
    if (disjoint) return;
  }

  size_t i = 0;
  while (i < LeafList.size()) {
    bool split = false;
    for (size_t j = i + 1; j < LeafList.size(); ++j) {
      if (SplitPair(LeafList[j].get(), LeafList[i].get())) {
        split = true;
        break;
      }
    }
    if (!split) ++i;
  }
}

void TREParseTree::DisposeTree() {
  pHeadNode = nullptr;
  FLeafIndex.clear();
  NodeList.clear();
  LeafList.clear();
}

}  // namespace tamsel
