// Shared pieces of the fuzz targets.
#pragma once

#include <unistd.h>

#include <string>

#include "platform/cp932.h"
#include "platform/string_list.h"
#include "regex/front/preprocessor.h"

namespace tamsel::fuzz {

// A file of this process in /tmp for the targets that search files.
inline std::string ScratchFile(const std::string& name) {
  return "/tmp/tamsel-fuzz-" + name + "-" + std::to_string(getpid()) + ".txt";
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
