// TRegularExpression: the component that turns a pattern into a DFA and keeps
// it ready for matching. It owns the preprocessor and a cache of at most
// FRegExpListMax compiled patterns keyed by the preprocessed text; entry 0 is
// the permanent empty pattern, new entries go to index 1 and the last entry
// (the oldest insertion) is evicted when the cache is full. A failed compile
// falls back to the empty pattern and re-raises the same error.
//
// The cache holds its automata through shared_ptr so that a running search
// can keep the automaton it started with alive after the cache drops it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "regex/automata/dfa.h"
#include "regex/front/preprocessor.h"

namespace tamsel {

class TRegularExpression : public TComponent {
 public:
  explicit TRegularExpression(TComponent* AOwner);
  ~TRegularExpression() override;

  // Property RegExp.
  const std::string& RegExp() const { return FRegExpStr; }
  virtual void SetRegExp(const std::string& V);

  bool GetUseFuzzyCharDic() const;
  void SetUseFuzzyCharDic(bool Value);
  bool GetUseSynonymDic() const;
  void SetUseSynonymDic(bool Value);

  // One DFA step: the first entry of S's sorted SubList whose range holds C,
  // stopping early once C is below an entry's StartChar; null for none.
  static RE_pDFAState_t NextDFAState(RE_pDFAState_t S, WChar C) {
    for (const RE_DFAStateSub_t& sub : S->SubList) {
      if (C < sub.CharClass.StartChar) return nullptr;
      if (C <= sub.CharClass.EndChar) return sub.TransitTo;
    }
    return nullptr;
  }

  virtual WChar GetLineHeadWChar() { return 0xFFFD; }
  virtual WChar GetLineTailWChar() { return 0xFFFE; }

  TRE_DFA* GetCurrentDFA() const { return FRegExpList[FCurrentIndex].DFA.get(); }
  // The current automaton with shared ownership, for searches that must
  // outlive a change of pattern.
  std::shared_ptr<const TRE_DFA> GetCurrentDFAShared() const { return FRegExpList[FCurrentIndex].DFA; }
  RE_pDFAState_t GetpInitialDFAState() const { return GetCurrentDFA()->pInitialState; }
  const std::string& GetProcessedRegExp() const { return FRegExpList[FCurrentIndex].Key; }
  bool GetRegExpIsSimple() const { return GetCurrentDFA()->RegExpIsSimple; }
  const std::string& GetSimpleRegExp() const { return GetCurrentDFA()->SimpleRegExp; }
  bool GetHasLHead() const { return GetCurrentDFA()->HasLHead; }
  bool GetHasLTail() const { return GetCurrentDFA()->HasLTail; }
  REDictionaryList_t& GetListOfFuzzyCharDic() { return FPreProcessor->ListOfFuzzyCharDic; }
  REDictionaryList_t& GetListOfSynonymDic() { return FPreProcessor->ListOfSynonymDic; }

  // Cache inspection (for tests and diagnostics).
  int32_t CacheCount() const { return static_cast<int32_t>(FRegExpList.size()); }
  const std::string& CacheKey(int32_t i) const { return FRegExpList.at(i).Key; }
  int32_t CurrentIndex() const { return FCurrentIndex; }
  // Number of patterns compiled by Translate so far.
  int64_t CompileCount() const { return FCompileCount; }

 protected:
  struct CacheEntry_t {
    std::string Key;
    std::shared_ptr<TRE_DFA> DFA;
  };

  virtual void Translate(const std::string& R);
  void DisposeRegExpList() { FRegExpList.clear(); }

  std::string FRegExpStr;
  std::vector<CacheEntry_t> FRegExpList;
  int32_t FRegExpListMax = 30;
  int32_t FCurrentIndex = 0;
  std::unique_ptr<TREPreProcessor> FPreProcessor;
  int64_t FCompileCount = 0;
};

}  // namespace tamsel
