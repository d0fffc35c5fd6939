// The file grep. Every character of the file, in order, is tried as the start
// of a match; as soon as a match is complete the current line is reported and
// the next start tried is the LF that ends it, so each line is reported at
// most once and the shortest match decides. The automaton search reads
// further characters only while the DFA has a transition; the literal search
// compares characters.
//
// A running search owns its reader and its automaton (a shared_ptr taken at
// its start) or character array, so an OnMatch handler may set other
// patterns, evict cache entries or start another search on this component.
#include "grep/grep.h"

#include <memory>
#include <vector>

#include "regex/front/preprocessor.h"

namespace tamsel {

namespace {

// Opens the reader; an empty file is no error, it just has nothing to report.
std::unique_ptr<TTxtFile> OpenReader(const std::string& FileName, const bool* pCancel) {
  try {
    return std::make_unique<TTxtFile>(FileName, pCancel);
  } catch (const EEndOfFile&) {
    return nullptr;
  }
}

// Raises OnMatch with the current line. The handler is copied first, so that
// it may reassign OnMatch while it runs.
void ReportLine(TGrep& Grep, TTxtFile& Reader) {
  RE_LineInfo_t info = Reader.GetThisLine();
  if (TGrepOnMatch handler = Grep.OnMatch) handler(Grep, info);
}

// The characters of a plain-string pattern, read off the automaton's chain of
// single-character transitions. Splitting the plain string's bytes again
// would not always give them back: an escape such as "\x81" followed by "a"
// is two characters, but its bytes read as one double-byte character.
std::vector<WChar> SimpleChars(const TRE_DFA& DFA) {
  std::vector<WChar> chars;
  if (!DFA.RegExpIsSimple) return chars;
  for (RE_pDFAState_t s = DFA.pInitialState; !s->SubList.empty();
       s = s->SubList.front().TransitTo) {
    chars.push_back(s->SubList.front().CharClass.StartChar);
  }
  return chars;
}

}  // namespace

TGrep::TGrep(TComponent* AOwner) : TRegularExpression(AOwner) {
  GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  // The empty pattern is current: choose its procedure so that Grep works
  // before any pattern is set.
  FGrepProc = GetRegExpIsSimple() ? &TGrep::GrepByStr : &TGrep::GrepByRegExp;
}

void TGrep::SetRegExp(const std::string& V) {
  TRegularExpression::SetRegExp(V);
  FGrepProc = GetRegExpIsSimple() ? &TGrep::GrepByStr : &TGrep::GrepByRegExp;
}

std::shared_ptr<const TFastGrepPlan> TGrep::FastPlanFor(const std::shared_ptr<const TRE_DFA>& DFA) {
  if (FFastPlanDFA.lock() != DFA) {
    FFastPlan = TFastGrepPlan::Make(*DFA);
    FFastPlanDFA = DFA;
  }
  return FFastPlan;
}

void TGrep::Grep(const std::string& FileName) {
  // Without a handler the procedures return at once; a plain-string search
  // of an automaton that is no plain string reports nothing.
  const std::shared_ptr<const TRE_DFA> dfa = GetCurrentDFAShared();
  if (!OnMatch || (FGrepProc == &TGrep::GrepByStr && !dfa->RegExpIsSimple)) {
    (this->*FGrepProc)(FileName);
    return;
  }
  const std::shared_ptr<const TFastGrepPlan> plan = FastPlanFor(dfa);
  if (!plan) {
    (this->*FGrepProc)(FileName);
    return;
  }
  Cancel = false;
  FastGrep(*this, *plan, FileName);
}

void TGrep::GrepByRegExp(const std::string& FileName) {
  if (!OnMatch) return;
  Cancel = false;
  const std::shared_ptr<const TRE_DFA> dfa = GetCurrentDFAShared();
  const RE_pDFAState_t s0 = dfa->pInitialState;
  // Past the end of the file the lookahead reads 0 for ever. A walk that has
  // read more zeros than the DFA has states without accepting is in a cycle
  // and can never accept.
  const size_t maxZeros = dfa->StateList.size();
  std::unique_ptr<TTxtFile> reader = OpenReader(FileName, &Cancel);
  if (!reader) return;
  try {
    for (;;) {
      RE_pDFAState_t s = NextDFAState(s0, reader->AdvanceBase());
      size_t zeros = 0;
      while (s != nullptr) {
        if (s->Accepted != 0) {
          ReportLine(*this, *reader);
          break;
        }
        const WChar c = reader->GetWChar();
        if (c == 0 && ++zeros > maxZeros) break;
        s = NextDFAState(s, c);
      }
    }
  } catch (const EEndOfFile&) {
  }
}

void TGrep::GrepByStr(const std::string& FileName) {
  Cancel = false;
  const std::shared_ptr<const TRE_DFA> dfa = GetCurrentDFAShared();
  if (!OnMatch) return;
  std::unique_ptr<TTxtFile> reader = OpenReader(FileName, &Cancel);
  if (!reader) return;
  // The pattern's characters and a terminating 0, which the base never
  // returns: the empty pattern reports nothing.
  std::vector<WChar> chars = SimpleChars(*dfa);
  const size_t n = chars.size();
  chars.push_back(0);
  try {
    for (;;) {
      if (reader->AdvanceBase() != chars[0]) continue;
      for (size_t i = 1;; ++i) {
        if (i == n) {
          ReportLine(*this, *reader);
          break;
        }
        if (reader->GetWChar() != chars[i]) break;
      }
    }
  } catch (const EEndOfFile&) {
  }
}

}  // namespace tamsel
