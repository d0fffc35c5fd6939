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

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
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


// Remembers (lookahead character index, DFA state) pairs from which a walk
// has been seen to die without accepting. The walk from such a pair is the
// same whichever start reached it, so a later walk that reaches it can stop
// there. Open addressing; the table grows to a bound and is then cleared,
// which only forgets, so it never changes what is reported.
class TDeadWalks {
 public:
  bool Contains(uint64_t Index, RE_pDFAState_t S) const {
    if (FCount == 0) return false;
    for (size_t i = Slot(Index, S);; i = (i + 1) & FMask) {
      if (FTable[i].State == nullptr) return false;
      if (FTable[i].Index == Index && FTable[i].State == S) return true;
    }
  }
  void Insert(uint64_t Index, RE_pDFAState_t S) {
    if (2 * (FCount + 1) > FTable.size()) {
      if (FTable.size() < kMaxSlots) {
        Grow();
      } else {
        std::fill(FTable.begin(), FTable.end(), TEntry{});
        FCount = 0;
      }
    }
    Put(Index, S);
  }

 private:
  static constexpr size_t kMaxSlots = size_t{1} << 20;
  struct TEntry {
    uint64_t Index = 0;
    RE_pDFAState_t State = nullptr;
  };
  size_t Slot(uint64_t Index, RE_pDFAState_t S) const {
    uint64_t h = Index * 0x9E3779B97F4A7C15ull ^ reinterpret_cast<uintptr_t>(S);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return static_cast<size_t>(h >> 32) & FMask;
  }
  void Put(uint64_t Index, RE_pDFAState_t S) {
    for (size_t i = Slot(Index, S);; i = (i + 1) & FMask) {
      if (FTable[i].State == nullptr) {
        FTable[i] = {Index, S};
        ++FCount;
        return;
      }
      if (FTable[i].Index == Index && FTable[i].State == S) return;
    }
  }
  void Grow() {
    std::vector<TEntry> old = std::exchange(FTable, std::vector<TEntry>(2 * FTable.size()));
    FMask = FTable.size() - 1;
    FCount = 0;
    for (const TEntry& e : old) {
      if (e.State != nullptr) Put(e.Index, e.State);
    }
  }
  std::vector<TEntry> FTable = std::vector<TEntry>(1024);
  size_t FMask = 1023;
  size_t FCount = 0;
};

// The automaton search of GrepByRegExp, reporting the same lines, for the
// automata the fast search does not take: those whose walks may read past a
// line end. Trying every start costs the length of the line (or of the rest
// of the file, for a pattern such as "a[^b]*c") per start; remembering where
// walks died lets a walk stop soon after it joins one that died before.
//
// Positions are character indices: every start and every lookahead step lies
// on the one chain of character boundaries from the start of the file, so an
// index names a position. After a report the base jumps to the line end, so
// counting goes on past every index used before rather than from the new
// base. Walks look up and record only every kStride-th index (two walks that
// have joined stay joined, so they meet at the next such index), and a long
// walk thins its records out, doubling their spacing, to keep at most
// kMaxRecords: a walk that joins it late pays at most that spacing.
void GrepRememberingDeadWalks(TGrep& Grep, const std::shared_ptr<const TRE_DFA>& DFA,
                              const std::string& FileName) {
  const RE_pDFAState_t s0 = DFA->pInitialState;
  // Past the end of the file the lookahead reads 0 for ever; see GrepByRegExp.
  const size_t maxZeros = DFA->StateList.size();
  std::unique_ptr<TTxtFile> reader = OpenReader(FileName, &Grep.Cancel);
  if (!reader) return;
  constexpr uint64_t kStride = 16;
  constexpr size_t kMaxRecords = size_t{1} << 14;
  TDeadWalks dead;
  std::vector<std::pair<uint64_t, RE_pDFAState_t>> records;
  uint64_t base = 0;     // the index of the character the base reads next
  uint64_t maxUsed = 0;  // the highest index any walk has read
  try {
    for (;;) {
      RE_pDFAState_t s = TRegularExpression::NextDFAState(s0, reader->AdvanceBase());
      uint64_t at = ++base;  // the index of the character the lookahead reads next
      uint64_t spacing = kStride;
      size_t zeros = 0;
      bool accepted = false;
      records.clear();
      while (s != nullptr) {
        if (s->Accepted != 0) {
          accepted = true;
          break;
        }
        if (at % kStride == 0) {
          if (dead.Contains(at, s)) break;
          if (at % spacing == 0) {
            if (records.size() == kMaxRecords) {
              spacing *= 2;
              std::erase_if(records, [&](const auto& r) { return r.first % spacing != 0; });
            }
            if (at % spacing == 0) records.emplace_back(at, s);
          }
        }
        const WChar c = reader->GetWChar();
        ++at;
        if (c == 0 && ++zeros > maxZeros) break;
        s = TRegularExpression::NextDFAState(s, c);
      }
      maxUsed = std::max(maxUsed, at);
      if (accepted) {
        ReportLine(Grep, *reader);
        base = maxUsed;
      } else {
        for (const auto& [index, state] : records) dead.Insert(index, state);
      }
    }
  } catch (const EEndOfFile&) {
  }
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
    if (FGrepProc != &TGrep::GrepByRegExp) {
      (this->*FGrepProc)(FileName);
      return;
    }
    Cancel = false;
    GrepRememberingDeadWalks(*this, dfa, FileName);
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
