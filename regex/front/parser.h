// TREParser: recursive descent from a pattern to a parse tree.
//
//   regexp  := term ('|' term)*
//   term    := factor* (empty before '|', ')' or the end)
//   factor  := primary ('*' | '+' | '?')?
//   primary := char | '(' regexp ')' | '[' class ']' | '[^' class ']' | '.' | '^' | '$'
//
// Nesting of groups is limited (kMaxNesting) so that the recursion can never
// exhaust the stack; deeper patterns raise ERegExpParser.
#pragma once

#include <string>

#include "regex/front/parse_tree.h"
#include "regex/front/scanner.h"

namespace tamsel {

class TREParser {
 public:
  static constexpr int kMaxNesting = 1000;

  explicit TREParser(const std::string& RegExpStr);
  virtual ~TREParser() = default;

  void Run();

  TREParseTree ParseTree;
  TREScanner Scanner;

 protected:
  REpNode_t Regexp();
  REpNode_t term();
  REpNode_t factor();
  REpNode_t primary();
  REpNode_t CharacterClass(TREParseTree& Tree);
  REpNode_t NegativeCharacterClass();

 private:
  int FDepth = 0;
};

}  // namespace tamsel
