// TREPreProcessor rewrites a pattern before it is parsed so that it also
// matches variant spellings: literal characters outside bracket expressions
// (and runs of them) that appear in a dictionary group are replaced by a
// parenthesized alternation of the whole group. Synonym dictionaries are
// expanded first, the fuzzy-character dictionaries then run over the result.
//
// RE_FuzzyCharDic is the library's own fuzzy-character dictionary: 145 groups
// of width, kana and voicing variants, built from the comma-text rows of
// REFuzzyWChars.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/string_list.h"
#include "regex/front/scanner.h"

namespace tamsel {

// A dictionary: its groups, in search order. A group's entries are
// interchangeable variants.
using REDictionary_t = std::vector<TStringList>;
// Dictionaries referred to (never owned) by a preprocessor, in search order.
using REDictionaryList_t = std::vector<const REDictionary_t*>;

// The fuzzy-character dictionary, built on first use (the program touches it
// at start-up, before any component exists) and shared read-only afterwards.
const REDictionary_t& RE_FuzzyCharDic();
// The 145 rows of comma text it is built from, in code page 932.
const std::vector<std::string>& REFuzzyWChars();

struct RETokenInfo_t {
  REToken_t Token = retk_End;
  WChar WCh = 0;
  RECharClass_t CharClass{0, 0};
  int32_t FromIndex = 0;  // first byte of the token's text in the pattern
  int32_t ToIndex = 0;    // just past it
};
using REpTokenInfo_t = RETokenInfo_t*;

class TREPreProcessor;
// FindSynonym and FindFuzzyWChar: (FromTokenIndex, ToTokenIndex) -> index past
// the match, or -1.
using TREPreProcessorFindFunc = int32_t (TREPreProcessor::*)(int32_t, int32_t);

class TREPreProcessor {
 public:
  explicit TREPreProcessor(const std::string& Str);
  virtual ~TREPreProcessor() = default;

  void SetTargetRegExpStr(const std::string& Str) { Scanner.SetRegExpStr(Str); }
  const std::string& GetTargetRegExpStr() const { return Scanner.RegExpStr; }

  void Run();
  void Process(TREPreProcessorFindFunc FindFunc);
  void MakeTokenList();
  void DestroyTokenListItems() { TokenList.clear(); }
  int32_t ReferToOneList(int32_t FromTokenIndex, int32_t ToTokenIndex,
                         const REDictionary_t& Dictionary);
  int32_t FindSynonym(int32_t FromTokenIndex, int32_t ToTokenIndex);
  int32_t FindFuzzyWChar(int32_t FromTokenIndex, int32_t ToTokenIndex);

  TREScanner Scanner;
  std::string ProcessedRegExpStr;
  REDictionaryList_t ListOfSynonymDic;
  REDictionaryList_t ListOfFuzzyCharDic;
  std::vector<RETokenInfo_t> TokenList;
  std::string ReplaceStr;
  bool UseFuzzyCharDic = false;
  bool UseSynonymDic = false;
};

}  // namespace tamsel
