// Differential target: small patterns and texts built from the input. The
// reference matcher (which walks the parse tree, no automaton) must agree with
// TAWKStr's Match and GSub under both line separators, and the lines TGrep
// reports must be exactly the lines in which the reference finds a match of
// at least one character.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "grep/grep.h"
#include "platform/cp932.h"
#include "regex/match/awk_str.h"
#include "tests/regex/match/reference_matcher.h"

using namespace tamsel;

namespace {

const std::vector<std::string>& PatternTokens() {
  static const std::vector<std::string> t = {
      "a", "b", Cp932("あ"), Cp932("ア"), ".", "[ab]", "[^a]", "[a-c]", "|", "*", "+", "?",
      "(", ")", "^", "$", "\\n", "\\r", "\\x82\\xA0"};
  return t;
}

const std::vector<std::string>& TextChars() {
  static const std::vector<std::string> t = {"a", "b", "c", Cp932("あ"), Cp932("ア"), "\n", "\r"};
  return t;
}

const std::string& FilePath() {
  static const std::string path = fuzz::ScratchFile("diff");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string pattern;
  const int tokens = in.ConsumeIntegralInRange(0, 7);
  for (int i = 0; i < tokens; ++i) pattern += PatternTokens()[in.ConsumeIntegralInRange<size_t>(0, PatternTokens().size() - 1)];
  std::string text;
  const int chars = in.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < chars; ++i) text += TextChars()[in.ConsumeIntegralInRange<size_t>(0, TextChars().size() - 1)];

  static TAWKStr* awk = new TAWKStr(nullptr);
  static TGrep* grep = new TGrep(nullptr);
  std::optional<test::ReferencePattern> ref;
  try {
    ref.emplace(pattern);
  } catch (const ERegExpParser&) {
  }
  try {
    awk->SetRegExp(pattern);
  } catch (const ERegExpParser&) {
    if (ref) __builtin_trap();  // one parser accepted what the other refused
    return 0;
  }
  if (!ref) __builtin_trap();

  for (TMatchCORE_LineSeparator sep : {mcls_CRLF, mcls_LF}) {
    awk->SetLineSeparator(sep);
    const char lineEnd = sep == mcls_CRLF ? '\r' : '\n';
    int32_t start = 0, len = 0;
    awk->Match(text, start, len);
    const test::RefMatch expected = ref->Match(text, lineEnd, true);
    if (expected.has_value() != (start != 0)) __builtin_trap();
    if (expected && (static_cast<size_t>(start - 1) != expected->first ||
                     static_cast<size_t>(len) != expected->second)) {
      __builtin_trap();
    }
    std::string t = text;
    const int32_t n = awk->GSub("<&>", t);
    int count = 0;
    const std::string want = test::ReferenceGSub(
        *ref, text, lineEnd, [](std::string_view m) { return "<" + std::string(m) + ">"; }, &count);
    if (n != count || t != want) __builtin_trap();
  }

  grep->SetRegExp(pattern);
  if (!fuzz::WriteFile(FilePath(), text)) return 0;
  std::vector<int64_t> lines;
  grep->OnMatch = [&](TGrep&, RE_LineInfo_t& info) { lines.push_back(info.LineNo); };
  grep->Grep(FilePath());
  if (lines != test::ReferenceGrepLines(pattern, text)) __builtin_trap();
  lines.clear();
  grep->GrepByRegExp(FilePath());
  if (lines != test::ReferenceGrepLines(pattern, text)) __builtin_trap();
  return 0;
}
