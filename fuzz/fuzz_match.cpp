// A pattern, a text and a replacement from the input, through Match, Sub, GSub
// and Split under both line separators.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "fuzz/fuzz_common.h"
#include "regex/match/awk_str.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  static TAWKStr* awk = new TAWKStr(nullptr);
  const bool fuzzy = in.ConsumeBool();
  const bool lf = in.ConsumeBool();
  std::string pattern = in.ConsumeRandomLengthString(64);
  std::string replacement = in.ConsumeRandomLengthString(16);
  std::string text = in.ConsumeRemainingBytesAsString();
  if (!fuzz::SetPattern(*awk, fuzzy, pattern)) return 0;
  awk->SetLineSeparator(lf ? mcls_LF : mcls_CRLF);
  const size_t searched = std::strlen(text.c_str());

  int32_t start = 0, len = 0;
  int32_t r = awk->Match(text, start, len);
  if (r != start) __builtin_trap();
  if (r != 0 && (start < 1 || len < 0 || static_cast<size_t>(start - 1 + len) > searched)) {
    __builtin_trap();
  }

  std::string t = text;
  try {
    awk->Sub(replacement, t);
  } catch (const Exception&) {
  }
  t = text;
  try {
    int32_t n = awk->GSub(replacement, t);
    if (n < 0) __builtin_trap();
  } catch (const Exception&) {
    if (t != text) __builtin_trap();  // a failing GSub leaves the text unchanged
  }
  TStringList fields;
  int32_t n = awk->Split(text, fields);
  if (n != fields.Count()) __builtin_trap();
  return 0;
}
