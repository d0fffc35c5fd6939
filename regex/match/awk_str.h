// TAWKStr: AWK-style string functions over the current pattern: Match, Sub,
// GSub and Split, with "&" and escape sequences in replacement strings.
// Positions reported are 1-based byte positions, lengths byte counts; every
// function searches its text up to the first zero byte.
#pragma once

#include <cstdint>
#include <string>

#include "platform/string_list.h"
#include "regex/match/match_core.h"

namespace tamsel {

using TAWKStrMatchProc = void (TMatchCORE::*)(const char* pText, const char*& pStart,
                                              const char*& pEnd);

class TAWKStr : public TMatchCORE {
 public:
  explicit TAWKStr(TComponent* AOwner);

  void SetRegExp(const std::string& V) override;

  int32_t Match(const std::string& Text, int32_t& RStart, int32_t& RLength);
  bool Sub(const std::string& SubText, std::string& Text);
  int32_t GSub(const std::string& SubText, std::string& Text);
  int32_t Split(const std::string& Text, TStringList& StrList);
  std::string Substitute_MatchStr_For_ANDChar(const std::string& SubText,
                                              const std::string& MatchStr);
  std::string ProcessEscSeq(const std::string& Text);

 protected:
  TAWKStrMatchProc FMatchProc;
};

}  // namespace tamsel
