// AWK-style string functions over the current pattern.
//
// Every function sees its text as a C string: the first zero byte ends what
// is searched. Match and Sub report and edit at byte positions of the text;
// GSub builds its result apart and assigns it only when every replacement has
// been built, so a bad replacement string leaves the text as it was. After an
// empty match GSub and Split step one whole character, so a match never
// starts on a trail byte, and GSub steps over CR LF as one line end under
// mcls_CRLF, so that the search after it starts a new line.
#include "regex/match/awk_str.h"

#include "regex/front/preprocessor.h"

namespace tamsel {

namespace {

// Length of the character at p, never past the terminator.
inline size_t CharLength(const char* p) {
  return IsDBCSLeadByte(static_cast<unsigned char>(p[0])) && p[1] != 0 ? 2 : 1;
}

// Whether the characters from p (a character position) to end finish with an
// LF character; an LF byte that is the trail byte of a double-byte character
// ends no line.
inline bool EndsWithLF(const char* p, const char* end) {
  const char* last = nullptr;
  for (; p < end; p += CharLength(p)) last = p;
  return last != nullptr && *last == 0x0A && last + 1 == end;
}

// Reads the character at Index like GetWChar, and tells the end of S apart
// from a zero byte inside it (both read as 0).
inline bool ReadWChar(const std::string& S, int32_t& Index, WChar& W) {
  if (Index > static_cast<int32_t>(S.size())) return false;
  W = GetWChar(S, Index);
  return true;
}

}  // namespace

TAWKStr::TAWKStr(TComponent* AOwner) : TMatchCORE(AOwner) {
  GetListOfFuzzyCharDic().push_back(&RE_FuzzyCharDic());
  // The empty pattern has no anchor; choosing now lets the functions work
  // before any pattern is assigned.
  FMatchProc = &TMatchCORE::MatchStd;
}

void TAWKStr::SetRegExp(const std::string& V) {
  TMatchCORE::SetRegExp(V);
  FMatchProc = (GetHasLHead() || GetHasLTail()) ? &TMatchCORE::MatchEX : &TMatchCORE::MatchStd;
}

std::string TAWKStr::ProcessEscSeq(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  int32_t Index = 1;
  WChar W;
  while (ReadWChar(Text, Index, W)) {
    if (W == '\\') W = GetQuotedWChar(Text, Index);
    Result += WCharToStr(W);
  }
  return Result;
}

std::string TAWKStr::Substitute_MatchStr_For_ANDChar(const std::string& SubText,
                                                     const std::string& MatchStr) {
  // Pass 1: double the backslash before "&", so that decoding the escapes
  // leaves "\&" (a literal ampersand) apart from a bare "&" (the match).
  std::string Protected;
  Protected.reserve(SubText.size() + 4);
  int32_t Index = 1;
  WChar W;
  while (ReadWChar(SubText, Index, W)) {
    if (W == '\\') {
      Protected += '\\';
      WChar X = 0;
      ReadWChar(SubText, Index, X);  // X stays 0 at the end: a zero byte follows
      if (X == '&') Protected += '\\';
      Protected += WCharToStr(X);
    } else {
      Protected += WCharToStr(W);
    }
  }

  // Pass 2: decode the escapes.
  const std::string Decoded = ProcessEscSeq(Protected);

  // Pass 3: "&" is the match, "\&" an ampersand, any other backslash stays.
  std::string Result;
  Result.reserve(Decoded.size() + MatchStr.size());
  Index = 1;
  while (ReadWChar(Decoded, Index, W)) {
    if (W == '&') {
      Result += MatchStr;
    } else if (W == '\\') {
      const int32_t AfterBackslash = Index;
      WChar X;
      if (ReadWChar(Decoded, Index, X) && X == '&') {
        Result += '&';
      } else {
        Result += '\\';
        Index = AfterBackslash;  // the next character is read again
      }
    } else {
      Result += WCharToStr(W);
    }
  }
  return Result;
}

int32_t TAWKStr::Match(const std::string& Text, int32_t& RStart, int32_t& RLength) {
  const char* pText = Text.c_str();
  const char* pStart;
  const char* pEnd;
  (this->*FMatchProc)(pText, pStart, pEnd);
  if (pStart == nullptr) {
    RStart = 0;
    RLength = 0;
    return 0;
  }
  RStart = static_cast<int32_t>(pStart - pText) + 1;
  RLength = static_cast<int32_t>(pEnd - pStart);
  return RStart;
}

bool TAWKStr::Sub(const std::string& SubText, std::string& Text) {
  const char* pText = Text.c_str();
  const char* pStart;
  const char* pEnd;
  (this->*FMatchProc)(pText, pStart, pEnd);
  if (pStart == nullptr) return false;
  const size_t Pos = static_cast<size_t>(pStart - pText);
  const size_t Len = static_cast<size_t>(pEnd - pStart);
  const std::string MatchStr = Text.substr(Pos, Len);
  Text.erase(Pos, Len);
  Text.insert(Pos, Substitute_MatchStr_For_ANDChar(SubText, MatchStr));
  return true;
}

int32_t TAWKStr::GSub(const std::string& SubText, std::string& Text) {
  const char* pText = Text.c_str();
  const char* pStart;
  const char* pEnd;
  (this->*FMatchProc)(pText, pStart, pEnd);
  if (pStart == nullptr) return 0;
  if (*pText == 0) {
    Text = Substitute_MatchStr_For_ANDChar(SubText, std::string());
    return 1;
  }

  std::string Out;
  const char* pRest = pText;
  int32_t Count = 0;
  for (;;) {
    Out.append(pRest, pStart);
    Out += Substitute_MatchStr_For_ANDChar(SubText, std::string(pStart, pEnd));
    const char* pLastStart = pStart;  // a character position before pEnd
    if (pStart == pEnd && *pEnd != 0) {
      // Step over the character at an empty match; at the end nothing is left.
      // Only CR LF is stepped as a pair: the byte after a lone CR may begin a
      // character, and no match may start inside one.
      size_t Step = CharLength(pEnd);
      if (FSeparatorMode == mcls_CRLF && pEnd[0] == 0x0D && pEnd[1] == 0x0A) Step = 2;
      Out.append(pEnd, Step);
      pEnd += Step;
    }
    ++Count;
    pRest = pEnd;
    if (*pRest == 0) break;
    // After an LF the rest starts a line; otherwise it does not.
    if (EndsWithLF(pLastStart, pEnd)) {
      (this->*FMatchProc)(pRest, pStart, pEnd);
    } else {
      MatchEX_Inside(pRest, pStart, pEnd);
    }
    if (pStart == nullptr) break;
  }
  Out.append(pRest);
  Text = std::move(Out);
  return Count;
}

int32_t TAWKStr::Split(const std::string& Text, TStringList& StrList) {
  StrList.Clear();
  std::string Field;
  const char* S = Text.c_str();
  while (*S != 0) {
    const char* pStart;
    const char* pEnd;
    (this->*FMatchProc)(S, pStart, pEnd);
    if (pStart == nullptr) {
      // The field taken over from empty matches goes with the rest, once.
      StrList.Add(Field + S);
      Field.clear();
      break;
    }
    if (pStart == S && pEnd == S) {
      const size_t Step = CharLength(S);
      Field.append(S, Step);
      S += Step;
      continue;
    }
    StrList.Add(Field + std::string(S, pStart));
    Field.clear();
    S = pEnd;
    if (*S == 0) {
      StrList.Add(std::string());
      break;
    }
  }
  if (!Field.empty()) StrList.Add(Field);
  return StrList.Count();
}

}  // namespace tamsel
