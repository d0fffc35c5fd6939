// Leftmost-longest scans of the current DFA over a zero-terminated text.
//
// Every scan tries the character positions of the text from left to right and
// stops at the first that yields a match; from there it takes the longest run
// of the DFA that ends in an accepting state. "^" and "$" are transitions on
// the line-head and line-tail codes, which no text character carries: the
// scans feed the line-head code where a line starts (the start of the text
// for MatchEX, after every LF) and check the line-tail code where a line ends
// (the separator of FSeparatorMode, or the end of the text).
//
// Invariants: no read goes past the terminating zero (a lead byte right before
// it is one character on its own), and the terminator is never a character of
// the text, so a transition on the code 0 is never taken.
#include "regex/match/match_core.h"

namespace tamsel {

namespace {

// The next character position, never past the terminator.
inline const char* NextCharPos(const char* p) {
  if (IsDBCSLeadByte(static_cast<unsigned char>(p[0])) && p[1] != 0) return p + 2;
  return p + 1;
}

inline bool Accepting(RE_pDFAState_t S) {
  return S->Accepted != 0;
}

}  // namespace

TMatchCORE::TMatchCORE(TComponent* AOwner) : TRegularExpression(AOwner) {
  FSeparatorMode = mcls_CRLF;
}

bool TMatchCORE::IsLineEnd(WChar WCh) const {
  switch (FSeparatorMode) {
    case mcls_CRLF:
      return WCh == 0x0D;
    case mcls_LF:
      return WCh == 0x0A;
  }
  return false;
}

const char* TMatchCORE::MatchInside(const char* pText, RE_pDFAState_t pDFAState) {
  if (pDFAState == nullptr) return nullptr;
  // "$" can only be met where a line ends; asking for its transition at every
  // line end the run passes (not only where the run dies) keeps a match that
  // ends before a separator which the pattern could also consume.
  const bool hasTail = GetCurrentDFA()->HasLTail;
  const WChar tail = hasTail ? GetLineTailWChar() : 0;
  const char* Result = nullptr;
  RE_pDFAState_t S = pDFAState;
  const char* P = pText;
  for (;;) {
    if (Accepting(S)) Result = P;
    const char* pBefore = P;
    const WChar C = PCharGetWChar(P);
    if (hasTail && (C == 0 || IsLineEnd(C)) && NextDFAState(S, tail) != nullptr) {
      Result = pBefore;
    }
    if (C == 0) break;  // the terminator ends the run; it is no character
    S = NextDFAState(S, C);
    if (S == nullptr) break;
  }
  return Result;
}

const char* TMatchCORE::MatchHead(const char* pText, RE_pDFAState_t pDFAState) {
  if (!GetCurrentDFA()->HasLHead) return MatchInside(pText, pDFAState);
  const char* R1 = nullptr;
  if (pDFAState != nullptr) {
    R1 = MatchInside(pText, NextDFAState(pDFAState, GetLineHeadWChar()));
  }
  // Without the anchored run the caller tries the plain run here next.
  if (R1 == nullptr) return nullptr;
  const char* R2 = MatchInside(pText, pDFAState);
  if (R2 != nullptr && R2 >= R1) return R2;
  return R1;
}

void TMatchCORE::MatchStd(const char* pText, const char*& pStart, const char*& pEnd) {
  pStart = nullptr;
  pEnd = nullptr;
  const RE_pDFAState_t S0 = GetpInitialDFAState();
  if (*pText == 0) {
    if (Accepting(S0)) pStart = pEnd = pText;
    return;
  }
  for (const char* T = pText; *T != 0; T = NextCharPos(T)) {
    RE_pDFAState_t S = S0;
    const char* P = T;
    for (;;) {
      if (Accepting(S)) {
        pStart = T;
        pEnd = P;
      }
      const WChar C = PCharGetWChar(P);
      if (C == 0) break;
      S = NextDFAState(S, C);
      if (S == nullptr) break;
    }
    if (pStart != nullptr) return;
  }
}

void TMatchCORE::MatchEX(const char* pText, const char*& pStart, const char*& pEnd) {
  pStart = pText;
  pEnd = MatchHead(pText, GetpInitialDFAState());
  if (pEnd == nullptr) MatchEX_Inside(pText, pStart, pEnd);
}

void TMatchCORE::MatchEX_Inside(const char* pText, const char*& pStart, const char*& pEnd) {
  pStart = nullptr;
  pEnd = nullptr;
  const RE_pDFAState_t S0 = GetpInitialDFAState();
  const bool hasHead = GetCurrentDFA()->HasLHead;
  const char* T = pText;
  for (; *T != 0; T = NextCharPos(T)) {
    if (const char* E = MatchInside(T, S0)) {
      pStart = T;
      pEnd = E;
      return;
    }
    if (*T == 0x0A && hasHead) {
      if (const char* E = MatchHead(T + 1, S0)) {
        pStart = T + 1;
        pEnd = E;
        return;
      }
    }
  }
  // At the end of the text only an empty match is left: "$" there, or a
  // pattern that matches the empty string at all. The latter is met only when
  // the text is empty; any other text would have matched at its start.
  if (const char* E = MatchInside(T, S0)) {
    pStart = T;
    pEnd = E;
  }
}

}  // namespace tamsel
