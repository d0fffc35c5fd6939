// TGrep searches a text file for the current pattern and raises OnMatch once
// for every line that contains a match, in order, with the line's text and
// number. A plain-string pattern is searched character by character
// (GrepByStr), any other pattern with the automaton (GrepByRegExp). Both "^"
// and "$" stand for the line feed: the reader presents every line as
// beginning with an LF. A match must consume at least one character; the
// shortest match decides and the search goes on at the end of that line.
//
// A search keeps the automaton (or character array) it started with alive,
// even if an OnMatch handler sets other patterns on this component or starts
// another search with it.
#pragma once

#include <functional>
#include <string>

#include "grep/txt_file.h"
#include "regex/match/regular_expression.h"

namespace tamsel {

class TGrep;
using TGrepOnMatch = std::function<void(TGrep& Sender, RE_LineInfo_t& LineInfo)>;
using TGrepGrepProc = void (TGrep::*)(const std::string& FileName);

class TGrep : public TRegularExpression {
 public:
  explicit TGrep(TComponent* AOwner);

  void SetRegExp(const std::string& V) override;
  WChar GetLineHeadWChar() override { return 0x0A; }
  WChar GetLineTailWChar() override { return 0x0A; }

  // Runs the search procedure chosen by the last successful SetRegExp.
  void Grep(const std::string& FileName) { (this->*FGrepProc)(FileName); }
  void GrepByRegExp(const std::string& FileName);
  void GrepByStr(const std::string& FileName);

  TGrepOnMatch OnMatch;  // unassigned: searches return at once
  bool Cancel = false;

 protected:
  TGrepGrepProc FGrepProc;
};

}  // namespace tamsel
