// TREParseTree: the parse tree of one pattern and the only factory of its
// nodes. Nodes are owned by two lists (NodeList for internal nodes, LeafList
// for leaves), never by the links between them: the structure is a DAG in
// which a leaf is shared by every place that uses its range and the operand
// of "+" is linked twice. ForceCharClassUnique makes the leaf ranges pairwise
// disjoint without changing what any node matches.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "regex/front/scanner.h"

namespace tamsel {

enum REOperation_t : uint8_t {
  reop_Char,     // leaf: one character in CharClass
  reop_LHead,    // ^ anchor, CharClass = (^, ^)
  reop_LTail,    // $ anchor, CharClass = ($, $)
  reop_Concat,   // pLeft then pRight
  reop_Union,    // pLeft or pRight
  reop_Closure,  // zero or more pLeft
  reop_Empty,    // the empty string
};

struct RENode_t;
using REpNode_t = RENode_t*;

struct REChildren_t {
  REpNode_t pLeft = nullptr;
  REpNode_t pRight = nullptr;
};

struct RENode_t {
  REOperation_t Op = reop_Empty;
  RECharClass_t CharClass{0, 0};
  REChildren_t Children;
};

class TREParseTree {
 public:
  TREParseTree() = default;
  virtual ~TREParseTree() = default;
  TREParseTree(const TREParseTree&) = delete;
  TREParseTree& operator=(const TREParseTree&) = delete;

  REpNode_t MakeInternalNode(REOperation_t Op, REpNode_t pLeft, REpNode_t pRight);
  REpNode_t MakeLeaf(WChar StartChar, WChar EndChar);
  REpNode_t MakeLHeadNode(WChar W);
  REpNode_t MakeLTailNode(WChar W);
  virtual REpNode_t MakeAnyCharsNode();
  REpNode_t Check_and_MakeLeaf(WChar StartChar, WChar EndChar);
  void ChangeLeaftoNode(REpNode_t pLeaf, REpNode_t pLeft, REpNode_t pRight);
  void ForceCharClassUnique();
  void DisposeTree();

  REpNode_t pHeadNode = nullptr;
  // Change these lists only through the operations above: MakeLeaf keeps an
  // index of LeafList by range.
  std::vector<std::unique_ptr<RENode_t>> NodeList;
  std::vector<std::unique_ptr<RENode_t>> LeafList;

 private:
  bool SplitPair(REpNode_t X, REpNode_t Y);
  void SyncLeafIndex();

  // Range (StartChar << 16 | EndChar) to its leaf, mirroring LeafList, so
  // that a long pattern of literal characters builds in linear time.
  std::unordered_map<uint32_t, REpNode_t> FLeafIndex;
};

}  // namespace tamsel
