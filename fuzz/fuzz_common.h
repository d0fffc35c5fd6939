// Shared pieces of the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/cp932.h"
#include "platform/string_list.h"
#include "regex/front/preprocessor.h"
#include "regex/match/regular_expression.h"

namespace tamsel::fuzz {

// A file of this process in /tmp for the targets that search files.
inline std::string ScratchFile(const std::string& name) {
  return "/tmp/tamsel-fuzz-" + name + "-" + std::to_string(getpid()) + ".txt";
}

// Writes Body to Path; false if the file cannot be written.
inline bool WriteFile(const std::string& Path, const std::string& Body) {
  FILE* f = std::fopen(Path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(Body.data(), 1, Body.size(), f);
  std::fclose(f);
  return true;
}

// Sets the fuzzy switch, then the pattern; false when the pattern is refused.
// The switch compiles the current pattern again, which may fail with it; that
// error belongs to the previous input and is ignored.
inline bool SetPattern(TRegularExpression& RE, bool Fuzzy, const std::string& Pattern) {
  try {
    RE.SetUseFuzzyCharDic(Fuzzy);
  } catch (const Exception&) {
  }
  try {
    RE.SetRegExp(Pattern);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

// A small synonym dictionary, so that the synonym pass has something to expand.
inline const REDictionary_t& SynonymDic() {
  static const REDictionary_t dic = [] {
    REDictionary_t d;
    TStringList g1;
    g1.SetCommaText(Cp932("コンピュータ,計算機"));
    TStringList g2;
    g2.SetCommaText("ab,\"a.b\",c");
    TStringList g3;
    g3.SetCommaText("x,\"\"");
    d.push_back(g1);
    d.push_back(g2);
    d.push_back(g3);
    return d;
  }();
  return dic;
}

}  // namespace tamsel::fuzz
