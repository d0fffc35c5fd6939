// TRegularExpression: pattern -> preprocessor -> cache lookup -> (on a miss)
// parser, NFA and DFA. Only the DFA survives a compilation; the parser and
// the NFA live for one Translate call.
//
// The cache is an ordered list: entry 0 is the empty pattern and never
// leaves, a new pattern is inserted at index 1 and the last entry, the one
// inserted longest ago, is evicted when the list is full. A hit does not move
// its entry, so eviction follows insertion order, not use.
#include "regex/match/regular_expression.h"

#include <utility>

namespace tamsel {

TRegularExpression::TRegularExpression(TComponent* AOwner)
    : TComponent(AOwner), FPreProcessor(std::make_unique<TREPreProcessor>(std::string())) {
  FRegExpList.push_back(CacheEntry_t{std::string(), nullptr});
  FCurrentIndex = 0;
  // A base constructor cannot reach a descendant's Translate or line codes.
  // That changes nothing here: the empty pattern's automaton is one accepting
  // state without transitions whatever the line codes are.
  Translate(FRegExpList[0].Key);
}

TRegularExpression::~TRegularExpression() {
  FPreProcessor.reset();
  DisposeRegExpList();
}

void TRegularExpression::SetRegExp(const std::string& V) {
  // V may be FRegExpStr itself (the switch setters pass it), which is changed
  // below before V is used for the last time.
  const std::string pattern = V;

  // A preprocessing error leaves the component exactly as it was.
  FPreProcessor->SetTargetRegExpStr(pattern);
  FPreProcessor->Run();
  const std::string processed = FPreProcessor->ProcessedRegExpStr;

  bool inserted = false;
  try {
    FCurrentIndex = -1;
    for (size_t i = 0; i < FRegExpList.size(); ++i) {
      if (FRegExpList[i].Key == processed) {
        FCurrentIndex = static_cast<int32_t>(i);
        break;
      }
    }
    if (FCurrentIndex < 0) {
      // Entry 0 is never evicted, whatever FRegExpListMax says.
      if (FRegExpList.size() > 1 &&
          static_cast<int64_t>(FRegExpList.size()) >= static_cast<int64_t>(FRegExpListMax)) {
        FRegExpList.pop_back();
      }
      FRegExpList.insert(FRegExpList.begin() + 1, CacheEntry_t{processed, nullptr});
      inserted = true;
      FCurrentIndex = 1;
      Translate(FRegExpList[1].Key);
    }
    FRegExpStr = pattern;
  } catch (...) {
    // Translate removes its own entry, but a descendant's Translate may fail
    // before or after the base one: the failed pattern must not stay cached,
    // least of all without its automaton. Keys are unique, so an entry at 1
    // with this key is the one inserted here.
    if (inserted && FRegExpList.size() > 1 && FRegExpList[1].Key == processed) {
      FRegExpList.erase(FRegExpList.begin() + 1);
    }
    FCurrentIndex = 0;
    FRegExpStr.clear();
    throw;
  }
}

void TRegularExpression::Translate(const std::string& R) {
  ++FCompileCount;
  try {
    // Declared in this order so that the NFA is freed before the parser.
    TREParser parser(R);
    parser.Run();
    // Asked in this order: line head, then line tail.
    const WChar head = GetLineHeadWChar();
    const WChar tail = GetLineTailWChar();
    TRE_NFA nfa(&parser, head, tail);
    nfa.Run();
    auto dfa = std::make_shared<TRE_DFA>(&nfa);
    dfa->Run();
    FRegExpList[static_cast<size_t>(FCurrentIndex)].DFA = std::move(dfa);
  } catch (...) {
    // The failed pattern is not cached; entry 0 is permanent.
    if (FCurrentIndex > 0) {
      FRegExpList.erase(FRegExpList.begin() + FCurrentIndex);
    }
    FCurrentIndex = 0;
    throw;
  }
}

bool TRegularExpression::GetUseFuzzyCharDic() const {
  return FPreProcessor->UseFuzzyCharDic;
}

void TRegularExpression::SetUseFuzzyCharDic(bool Value) {
  FPreProcessor->UseFuzzyCharDic = Value;
  SetRegExp(std::string(FRegExpStr));
}

bool TRegularExpression::GetUseSynonymDic() const {
  return FPreProcessor->UseSynonymDic;
}

void TRegularExpression::SetUseSynonymDic(bool Value) {
  FPreProcessor->UseSynonymDic = Value;
  SetRegExp(std::string(FRegExpStr));
}

}  // namespace tamsel
