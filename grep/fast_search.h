// The fast file search behind TGrep::Grep. It reports exactly the lines that
// the straightforward searches (GrepByRegExp, GrepByStr) report, with the same
// numbers and texts, lets the user interface process its events after every
// fill of 102400 bytes and before every reported line, and tests the cancel
// flag right after each of those: as many events as the straightforward
// search, though near the end of a fill one may come just before a report
// that it has just after (the reader fills as soon as it has consumed the
// last byte, this search when it needs the next one), and the lines of a
// block are reported once the block has been walked.
//
// Why a file can be searched line by line: the straightforward search tries
// every character as the start of a DFA walk and, after a report, goes on at
// the LF that ends the reported line. So line k is reported exactly when a
// walk from the start state, starting at the LF before line k (the synthetic
// one for line 1) or at one of its characters, reaches an accepting state
// after at least one character. When no walk can read past the line end that
// follows its start (the automaton is "line-local"), that depends on line k
// alone, and all starts of a line can be followed at once by a DFA over sets
// of states, built lazily, byte by byte. Character alignment restarts at
// every line end, since no trail byte is an LF or a CR. Automata that are not
// line-local are left to the straightforward search.
//
// Before the automaton sees a line, a byte search for strings that every
// match must contain (found by a minimum cut of the automaton) skips the
// lines that cannot match; a plain-string pattern needs no automaton at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "regex/automata/dfa.h"

namespace tamsel {

class TGrep;

// What the fast search derives from one automaton. Immutable once made; it
// copies what it needs, so it does not keep the automaton alive.
class TFastGrepPlan {
 public:
  enum TMode_t {
    fgm_Literal,      // a plain string: byte search and alignment check only
    fgm_Prefiltered,  // byte search for Needles, then the automaton on the line
    fgm_Automaton,    // the automaton over every byte
  };

  // Null when the automaton is not line-local (or too large to analyse).
  static std::shared_ptr<const TFastGrepPlan> Make(const TRE_DFA& DFA);

  TMode_t Mode = fgm_Automaton;
  // Byte strings every match contains (fgm_Literal: the one string).
  std::vector<std::string> Needles;

  // fgm_Literal: the plain string began with "^" / ended with "$".
  bool AnchorHead = false;
  bool AnchorTail = false;

  // The automaton, by state index (0 = the start state).
  struct TTrans {
    WChar StartChar;
    WChar EndChar;
    int32_t To;
  };
  std::vector<uint32_t> TransBegin;  // state s: Trans[TransBegin[s], TransBegin[s + 1])
  std::vector<TTrans> Trans;
  std::vector<uint8_t> Accepting;
  // The state after the LF before a line, -1 for none.
  int32_t AfterLineHead = -1;

  // Character classes: class k holds the codes [ClassStart[k], ClassStart[k + 1]).
  std::vector<WChar> ClassStart;
  uint16_t SingleClass[256] = {};  // a byte that is not a lead byte
  int16_t LeadGroup[256] = {};     // a lead byte's group, -1 for other bytes
  // Per group of lead bytes that behave alike: the class of each trail byte
  // and the class of the lead byte standing alone before a line end.
  std::vector<uint16_t> GroupTrailClass;  // 256 entries per group
  std::vector<uint16_t> GroupLoneClass;

  // One DFA step on a character, as NextDFAState takes it; -1 for none.
  int32_t Step(int32_t S, WChar C) const {
    for (uint32_t i = TransBegin[S]; i < TransBegin[S + 1]; ++i) {
      if (C < Trans[i].StartChar) return -1;
      if (C <= Trans[i].EndChar) return Trans[i].To;
    }
    return -1;
  }
  int32_t StepClass(int32_t S, uint16_t Class) const { return Step(S, ClassStart[Class]); }

  // A short description for tests and diagnostics, e.g. "prefiltered 2".
  std::string Describe() const;
};

// Searches FileName for Grep's current automaton, given its plan. Raises
// Grep.OnMatch for each reported line; EFileNotFound, EGrepCancel, read
// errors and the handler's errors reach the caller. Grep.Cancel is read, not
// reset.
void FastGrep(TGrep& Grep, const TFastGrepPlan& Plan, const std::string& FileName);

}  // namespace tamsel
