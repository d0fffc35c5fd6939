// The preprocessor rewrites a pattern in one or two passes over its tokens.
// Each pass copies the text of every token unchanged, except for runs of
// literal characters outside bracket expressions: at each position of such a
// run the dictionaries are searched in order, and the first entry that
// matches the characters there is replaced, with however many tokens it
// covers, by an alternation of its whole group. Characters are compared by
// their decoded WCh, so "\." matches the entry "." and the escape as written
// is what gets replaced. A match never reaches past the run: operators,
// parentheses, anchors and bracket expressions are never part of one.

#include "regex/front/preprocessor.h"

#include <string>
#include <utility>

namespace tamsel {

TREPreProcessor::TREPreProcessor(const std::string& Str) : Scanner(Str) {}

void TREPreProcessor::Run() {
  ProcessedRegExpStr = Scanner.RegExpStr;
  if (UseSynonymDic) {
    Process(&TREPreProcessor::FindSynonym);
    // The fuzzy pass reads the pattern as the synonyms left it.
    Scanner.SetRegExpStr(ProcessedRegExpStr);
  }
  if (UseFuzzyCharDic) Process(&TREPreProcessor::FindFuzzyWChar);
}

void TREPreProcessor::MakeTokenList() {
  int32_t start = Scanner.Index;
  DestroyTokenListItems();
  while (Scanner.GetToken() != retk_End) {
    const RESymbol_t& s = Scanner.Symbol;
    TokenList.push_back({s.Token, s.WCh, s.CharClass, start, Scanner.Index});
    start = Scanner.Index;
  }
  TokenList.push_back({retk_End, 0, RECharClass_t{0, 0}, 0, 0});
}

void TREPreProcessor::Process(TREPreProcessorFindFunc FindFunc) {
  ProcessedRegExpStr.clear();
  MakeTokenList();
  const std::string& pattern = Scanner.RegExpStr;
  // The closing retk_End entry spans 0 to 0: no text.
  auto appendText = [&](const RETokenInfo_t& t) {
    if (t.ToIndex > t.FromIndex) {
      ProcessedRegExpStr.append(pattern, t.FromIndex - 1, t.ToIndex - t.FromIndex);
    }
  };

  const int32_t count = static_cast<int32_t>(TokenList.size());
  bool inside = false;
  int32_t i = 0;
  while (i < count) {
    const RETokenInfo_t& t = TokenList[i];
    if (t.Token == retk_LBra || t.Token == retk_LBraNeg) inside = true;
    if (t.Token == retk_RBra) inside = false;
    if (t.Token != retk_Char || inside) {
      appendText(t);
      ++i;
      continue;
    }
    // The list ends in retk_End, so every run ends inside it.
    int32_t j = i + 1;
    while (TokenList[j].Token == retk_Char) ++j;
    while (i < j) {
      int32_t r = (this->*FindFunc)(i, j);
      if (r != -1) {
        ProcessedRegExpStr += ReplaceStr;
        i = r;
      } else {
        appendText(TokenList[i]);
        ++i;
      }
    }
    i = j;
  }
}

int32_t TREPreProcessor::ReferToOneList(int32_t FromTokenIndex, int32_t ToTokenIndex,
                                        const REDictionary_t& Dictionary) {
  for (const TStringList& group : Dictionary) {
    for (const std::string& entry : group.Items()) {
      if (entry.empty()) continue;
      int32_t pos = 1;
      int32_t t = FromTokenIndex;
      WChar c = GetWChar(entry, pos);
      while (c != 0 && t < ToTokenIndex) {
        if (TokenList[t].WCh != c) break;
        ++t;
        c = GetWChar(entry, pos);
      }
      // Matched only if the whole entry was consumed; the run may go on.
      if (c != 0) continue;

      std::string alternation(1, '(');
      for (size_t k = 0; k < group.Items().size(); ++k) {
        if (k > 0) alternation += '|';
        alternation += QuoteMetaWChar(group.Items()[k]);
      }
      alternation += ')';
      ReplaceStr = std::move(alternation);
      return t;
    }
  }
  return -1;
}

namespace {

int32_t FindInList(TREPreProcessor& pp, const REDictionaryList_t& list, int32_t FromTokenIndex,
                   int32_t ToTokenIndex) {
  for (const REDictionary_t* dic : list) {
    if (dic == nullptr) continue;
    int32_t r = pp.ReferToOneList(FromTokenIndex, ToTokenIndex, *dic);
    if (r != -1) return r;
  }
  return -1;
}

}  // namespace

int32_t TREPreProcessor::FindSynonym(int32_t FromTokenIndex, int32_t ToTokenIndex) {
  return FindInList(*this, ListOfSynonymDic, FromTokenIndex, ToTokenIndex);
}

int32_t TREPreProcessor::FindFuzzyWChar(int32_t FromTokenIndex, int32_t ToTokenIndex) {
  return FindInList(*this, ListOfFuzzyCharDic, FromTokenIndex, ToTokenIndex);
}

}  // namespace tamsel
