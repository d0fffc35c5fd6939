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
//
// Grep runs the fast search of fast_search.h, which reports the same lines as
// the chosen procedure; GrepByRegExp and GrepByStr stay the straightforward
// searches it is checked against, and Grep uses them for the automata the
// fast search does not take.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "grep/fast_search.h"
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

  // Searches as the procedure chosen by the last successful SetRegExp does.
  void Grep(const std::string& FileName);
  void GrepByRegExp(const std::string& FileName);
  void GrepByStr(const std::string& FileName);

  TGrepOnMatch OnMatch;  // unassigned: searches return at once
  bool Cancel = false;

 protected:
  TGrepGrepProc FGrepProc;

 private:
  // The fast search's plan for the automaton it was made for (null: that
  // automaton is left to the procedure).
  std::shared_ptr<const TFastGrepPlan> FastPlanFor(const std::shared_ptr<const TRE_DFA>& DFA);
  std::weak_ptr<const TRE_DFA> FFastPlanDFA;
  std::shared_ptr<const TFastGrepPlan> FFastPlan;
};

}  // namespace tamsel
