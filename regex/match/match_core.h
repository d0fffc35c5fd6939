// TMatchCORE: leftmost-longest matching of the current compiled expression in
// a zero-terminated text held in memory. The line-head and line-tail codes
// (0xFFFD, 0xFFFE) never occur in a text; the scans feed them to the DFA
// themselves where a line starts (after LF) or ends (at the separator of
// FSeparatorMode, or at the end of the text). Matching allocates nothing and
// raises nothing. A match is [pStart, pEnd); no match is two nulls.
#pragma once

#include <cstdint>

#include "regex/match/regular_expression.h"

namespace tamsel {

enum TMatchCORE_LineSeparator : uint8_t { mcls_CRLF, mcls_LF };

class TMatchCORE : public TRegularExpression {
 public:
  explicit TMatchCORE(TComponent* AOwner);

  TMatchCORE_LineSeparator LineSeparator() const { return FSeparatorMode; }
  void SetLineSeparator(TMatchCORE_LineSeparator Value) { FSeparatorMode = Value; }

  void MatchStd(const char* pText, const char*& pStart, const char*& pEnd);
  void MatchEX(const char* pText, const char*& pStart, const char*& pEnd);
  void MatchEX_Inside(const char* pText, const char*& pStart, const char*& pEnd);
  const char* MatchHead(const char* pText, RE_pDFAState_t pDFAState);
  const char* MatchInside(const char* pText, RE_pDFAState_t pDFAState);
  bool IsLineEnd(WChar WCh) const;

 protected:
  TMatchCORE_LineSeparator FSeparatorMode = mcls_CRLF;
};

}  // namespace tamsel
