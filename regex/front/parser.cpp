// Recursive descent from a pattern to its parse tree. Every step starts with
// the scanner's current token on the first token of its construct and leaves
// it on the first token after it. Only groups recurse, and their depth is
// counted so that no pattern can exhaust the stack; sequences and
// alternatives are built in loops.
#include "regex/front/parser.h"

#include <vector>

namespace tamsel {

namespace {

[[noreturn]] void Fail(const std::string& message, int32_t Index) {
  throw ERegExpParser(message, static_cast<uint16_t>(Index));
}

bool EndsTerm(REToken_t t) {
  return t == retk_Union || t == retk_RPar || t == retk_End;
}

// Counts one level of group nesting for as long as it is alive.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : FDepth(++depth) {}
  ~DepthGuard() { --FDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& FDepth;
};

}  // namespace

TREParser::TREParser(const std::string& RegExpStr) : Scanner(RegExpStr) {}

void TREParser::Run() {
  ParseTree.DisposeTree();
  FDepth = 0;
  Scanner.GetToken();
  REpNode_t root = Regexp();
  ParseTree.pHeadNode = root;
  // Terms stop only at "|", ")" and the end, so this is a ")" without "(".
  if (Scanner.Symbol.Token != retk_End) Fail(msg::ExtraCharacters(), Scanner.Index);
  ParseTree.ForceCharClassUnique();
}

REpNode_t TREParser::Regexp() {
  REpNode_t node = term();
  while (Scanner.Symbol.Token == retk_Union) {
    Scanner.GetToken();
    REpNode_t right = term();
    node = ParseTree.MakeInternalNode(reop_Union, node, right);
  }
  return node;
}

REpNode_t TREParser::term() {
  if (EndsTerm(Scanner.Symbol.Token))
    return ParseTree.MakeInternalNode(reop_Empty, nullptr, nullptr);
  REpNode_t node = factor();
  while (!EndsTerm(Scanner.Symbol.Token)) {
    REpNode_t right = factor();
    node = ParseTree.MakeInternalNode(reop_Concat, node, right);
  }
  return node;
}

REpNode_t TREParser::factor() {
  REpNode_t node = primary();
  switch (Scanner.Symbol.Token) {
    case retk_Star:
      node = ParseTree.MakeInternalNode(reop_Closure, node, nullptr);
      Scanner.GetToken();
      break;
    case retk_Plus: {
      // x+ is x x*, with the same subtree linked twice.
      REpNode_t closure = ParseTree.MakeInternalNode(reop_Closure, node, nullptr);
      node = ParseTree.MakeInternalNode(reop_Concat, node, closure);
      Scanner.GetToken();
      break;
    }
    case retk_QMark: {
      REpNode_t empty = ParseTree.MakeInternalNode(reop_Empty, nullptr, nullptr);
      node = ParseTree.MakeInternalNode(reop_Union, node, empty);
      Scanner.GetToken();
      break;
    }
    default:
      break;
  }
  return node;
}

REpNode_t TREParser::primary() {
  REpNode_t node = nullptr;
  switch (Scanner.Symbol.Token) {
    case retk_Char:
      node = ParseTree.MakeLeaf(Scanner.Symbol.WCh, Scanner.Symbol.WCh);
      Scanner.GetToken();
      break;
    case retk_LPar: {
      DepthGuard guard(FDepth);
      if (FDepth > kMaxNesting) Fail(msg::NestingTooDeep(), Scanner.Index);
      Scanner.GetToken();
      node = Regexp();
      if (Scanner.Symbol.Token != retk_RPar) Fail(msg::NeedRightParen(), Scanner.Index);
      Scanner.GetToken();
      break;
    }
    case retk_LBra:
    case retk_LBraNeg:
      node =
          Scanner.Symbol.Token == retk_LBra ? CharacterClass(ParseTree) : NegativeCharacterClass();
      if (Scanner.Symbol.Token != retk_RBra) Fail(msg::NeedRightBracket(), Scanner.Index);
      Scanner.GetToken();
      break;
    case retk_Dot:
      node = ParseTree.MakeAnyCharsNode();
      Scanner.GetToken();
      break;
    case retk_LHead:
      node = ParseTree.MakeLHeadNode(Scanner.Symbol.WCh);
      Scanner.GetToken();
      break;
    case retk_LTail:
      node = ParseTree.MakeLTailNode(Scanner.Symbol.WCh);
      Scanner.GetToken();
      break;
    default:
      Fail(msg::NeedCharOrLeftParen(), Scanner.Index);
  }
  return node;
}

namespace {

// The leaf of the current bracket member, or nil when the token is none.
REpNode_t MemberLeaf(const RESymbol_t& symbol, TREParseTree& Tree) {
  switch (symbol.Token) {
    case retk_Char:
      return Tree.MakeLeaf(symbol.WCh, symbol.WCh);
    case retk_CharClass:
      return Tree.MakeLeaf(symbol.CharClass.StartChar, symbol.CharClass.EndChar);
    default:
      return nullptr;
  }
}

}  // namespace

REpNode_t TREParser::CharacterClass(TREParseTree& Tree) {
  if (Scanner.GetToken() == retk_RBra) Fail(msg::InvalidCharClass(), Scanner.Index);
  REpNode_t node = MemberLeaf(Scanner.Symbol, Tree);
  if (node == nullptr) return nullptr;  // primary reports the missing "]"
  while (Scanner.GetToken() != retk_RBra) {
    REpNode_t member = MemberLeaf(Scanner.Symbol, Tree);
    if (member == nullptr) break;
    node = Tree.MakeInternalNode(reop_Union, node, member);
  }
  return node;
}

REpNode_t TREParser::NegativeCharacterClass() {
  // Both helper trees are freed on every way out, errors included.
  TREParseTree classTree;
  TREParseTree universeTree;
  REpNode_t members = CharacterClass(classTree);
  if (members == nullptr || Scanner.Symbol.Token != retk_RBra) return nullptr;
  classTree.pHeadNode = members;
  classTree.ForceCharClassUnique();  // disjoint ranges whose union is the class

  universeTree.MakeAnyCharsNode();
  std::vector<RECharClass_t> universe;
  universe.reserve(universeTree.LeafList.size());
  for (const auto& leaf : universeTree.LeafList) universe.push_back(leaf->CharClass);

  // Cut every class range out of the universe. A range hit by the class is
  // removed and what is left of it goes to the end of the list; the scan goes
  // on at the same place, where the next range now stands.
  for (const auto& leaf : classTree.LeafList) {
    const RECharClass_t c = leaf->CharClass;
    size_t k = 0;
    while (k < universe.size()) {
      const RECharClass_t u = universe[k];
      if (u.EndChar < c.StartChar || c.EndChar < u.StartChar) {
        ++k;
        continue;
      }
      universe.erase(universe.begin() + static_cast<std::ptrdiff_t>(k));
      // Pieces are built only when not empty, so no bound wraps around.
      if (u.StartChar < c.StartChar) {
        universe.push_back({u.StartChar, static_cast<WChar>(c.StartChar - 1)});
      }
      if (c.EndChar < u.EndChar) universe.push_back({static_cast<WChar>(c.EndChar + 1), u.EndChar});
    }
  }

  // A class that covers every character leaves nothing that could match.
  if (universe.empty()) Fail(msg::InvalidCharClass(), Scanner.Index);

  REpNode_t node = ParseTree.MakeLeaf(universe[0].StartChar, universe[0].EndChar);
  for (size_t k = 1; k < universe.size(); ++k) {
    REpNode_t leaf = ParseTree.MakeLeaf(universe[k].StartChar, universe[k].EndChar);
    node = ParseTree.MakeInternalNode(reop_Union, node, leaf);
  }
  return node;
}

}  // namespace tamsel
