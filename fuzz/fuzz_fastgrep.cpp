// The fast search (TGrep::Grep) against the straightforward searches on a
// pattern and a file from the input: the same lines, numbers and texts, or a
// trap. The body is repeated so that larger inputs cross the 102400-byte
// fills at odd places; the input layout is that of fuzz_grep.
//
// The straightforward search tries every start and may read to the end of
// the line from each, so the body is held to lines whose squared lengths add
// up to a bound that keeps one run short; for a pattern whose walks may run
// past line ends (no fast-search plan), to a body whose squared length is.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "grep/fast_search.h"
#include "grep/grep.h"

using namespace tamsel;

namespace {

const std::string& FilePath() {
  static const std::string path = fuzz::ScratchFile("fastgrep");
  return path;
}

// The sum of the squared lengths of the lines, line ends as the reader sees
// them (LF, CR LF, lone CR), kept up to date as text is appended.
class TLineCost {
 public:
  void Append(const std::string& s) {
    for (char c : s) {
      if (c == '\n' || c == '\r') {
        FDone += FLen * FLen;
        FLen = 0;
      } else {
        ++FLen;
      }
    }
  }
  double Total() const { return FDone + FLen * FLen; }

 private:
  double FDone = 0;
  double FLen = 0;
};

using Hits = std::vector<std::pair<int64_t, std::string>>;

Hits Collect(TGrep& g, void (TGrep::*proc)(const std::string&)) {
  Hits hits;
  g.OnMatch = [&](TGrep&, RE_LineInfo_t& info) { hits.emplace_back(info.LineNo, info.Line); };
  try {
    (g.*proc)(FilePath());
  } catch (const EGrepCancel&) {
    __builtin_trap();  // nobody cancelled
  }
  g.OnMatch = nullptr;
  return hits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  static TGrep* grep = new TGrep(nullptr);
  const bool fuzzy = in.ConsumeBool();
  const unsigned repeat = in.ConsumeIntegralInRange<unsigned>(1, 4096);
  std::string pattern = in.ConsumeRandomLengthString(32);
  std::string chunk = in.ConsumeRemainingBytesAsString();
  std::string body;
  TLineCost cost;
  constexpr double kMaxCost = 2e7;
  constexpr size_t kShortBody = 4096;  // squared, below kMaxCost
  for (unsigned i = 0; i < repeat && body.size() < 3 * 102400; ++i) {
    cost.Append(chunk);
    if (cost.Total() > kMaxCost) break;
    body += chunk;
  }

  if (!fuzz::SetPattern(*grep, fuzzy, pattern)) return 0;
  if (!TFastGrepPlan::Make(*grep->GetCurrentDFA()) && body.size() > kShortBody) {
    body.resize(kShortBody);
  }
  if (!fuzz::WriteFile(FilePath(), body)) return 0;

  const Hits fast = Collect(*grep, &TGrep::Grep);
  if (fast != Collect(*grep, &TGrep::GrepByRegExp)) __builtin_trap();
  if (grep->GetRegExpIsSimple() && fast != Collect(*grep, &TGrep::GrepByStr)) __builtin_trap();
  return 0;
}
