// Arbitrary bytes as a pattern, under a combination of the dictionary
// switches chosen by the first byte, through TRegularExpression and TAWKStr. Any pattern must compile
// or raise the library's own exception; afterwards the component must be on a
// usable pattern.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_common.h"
#include "regex/match/awk_str.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] & 3;
  std::string pattern(reinterpret_cast<const char*>(data) + 1, size - 1);
  static TAWKStr* awk = [] {
    auto* a = new TAWKStr(nullptr);
    a->GetListOfSynonymDic().push_back(&fuzz::SynonymDic());
    return a;
  }();
  // The switch setters compile the current pattern again: make it the empty
  // one, which is always cached, so each input compiles only its own pattern.
  awk->SetRegExp("");
  awk->SetUseFuzzyCharDic(mode & 1);
  awk->SetUseSynonymDic(mode & 2);
  try {
    awk->SetRegExp(pattern);
  } catch (const Exception&) {
  }
  // Whatever happened, the component is usable.
  int32_t start = 0, len = 0;
  awk->Match("abc", start, len);
  if (start < 0 || start > 4 || len < 0 || start + len > 4) __builtin_trap();
  TRegularExpression plain(nullptr);
  try {
    plain.SetRegExp(pattern);
  } catch (const Exception&) {
    if (!plain.RegExp().empty()) __builtin_trap();  // fallback to the empty pattern
  }
  return 0;
}
