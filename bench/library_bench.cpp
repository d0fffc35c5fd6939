// Micro-benchmarks of the library's inner pieces: pattern compile with and
// without the fuzzy dictionary, the fast file search's plan for a compiled
// pattern, the DFA step, and GSub on a long text.
#include <benchmark/benchmark.h>

#include <string>

#include "grep/fast_search.h"
#include "grep/grep.h"
#include "platform/cp932.h"
#include "regex/match/awk_str.h"

using namespace tamsel;

namespace {

// Compiles through a fresh component each time, so the cache never hits.
void Compile(benchmark::State& state, const char* utf8, bool fuzzy) {
  const std::string pattern = Cp932(utf8);
  for (auto _ : state) {
    TAWKStr awk(nullptr);
    awk.SetUseFuzzyCharDic(fuzzy);
    awk.SetRegExp(pattern);
    benchmark::DoNotOptimize(awk.GetCurrentDFA());
  }
}

void BM_CompileLiteral(benchmark::State& s) {
  Compile(s, "日本語", false);
}
void BM_CompileAlternation(benchmark::State& s) {
  Compile(s, "ファイル[をがの]|ディレクトリ", false);
}
void BM_CompileRange(benchmark::State& s) {
  Compile(s, "[ァ-ヶ]ー[ァ-ヶ]", false);
}
void BM_CompileFuzzyKana10(benchmark::State& s) {
  Compile(s, "ふぁいるをひらいてよむ", true);
}
BENCHMARK(BM_CompileLiteral);
BENCHMARK(BM_CompileAlternation);
BENCHMARK(BM_CompileRange);
BENCHMARK(BM_CompileFuzzyKana10);

// What TGrep::Grep adds to a compile, once per compiled pattern: the
// line-local test, the character classes and the needles.
void Plan(benchmark::State& state, const char* utf8, bool fuzzy) {
  TGrep grep(nullptr);
  grep.SetUseFuzzyCharDic(fuzzy);
  grep.SetRegExp(Cp932(utf8));
  for (auto _ : state) benchmark::DoNotOptimize(TFastGrepPlan::Make(*grep.GetCurrentDFA()));
}

void BM_PlanLiteral(benchmark::State& s) {
  Plan(s, "日本語", false);
}
void BM_PlanAlternation(benchmark::State& s) {
  Plan(s, "ファイル[をがの]|ディレクトリ", false);
}
void BM_PlanRange(benchmark::State& s) {
  Plan(s, "[ァ-ヶ]ー[ァ-ヶ]", false);
}
void BM_PlanFuzzyKana10(benchmark::State& s) {
  Plan(s, "ふぁいるをひらいてよむ", true);
}
BENCHMARK(BM_PlanLiteral);
BENCHMARK(BM_PlanAlternation);
BENCHMARK(BM_PlanRange);
BENCHMARK(BM_PlanFuzzyKana10);

// One DFA step per character of a long text, restarting at the start state
// when the automaton has no transition.
void BM_DFAStep(benchmark::State& state) {
  TAWKStr awk(nullptr);
  awk.SetRegExp(Cp932("[ァ-ヶ]ー[ァ-ヶ]"));
  std::string text;
  while (text.size() < (1 << 20)) text += Cp932("コンピューターのファイルを開く。");
  std::vector<WChar> chars;
  for (const char* p = text.c_str(); *p;) chars.push_back(PCharGetWChar(p));
  RE_pDFAState_t start = awk.GetpInitialDFAState();
  for (auto _ : state) {
    RE_pDFAState_t s = start;
    size_t accepted = 0;
    for (WChar c : chars) {
      RE_pDFAState_t n = TRegularExpression::NextDFAState(s, c);
      s = n ? n : start;
      accepted += s->Accepted != 0;
    }
    benchmark::DoNotOptimize(accepted);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_DFAStep);

void BM_GSubLongText(benchmark::State& state) {
  TAWKStr awk(nullptr);
  awk.SetRegExp(Cp932("ファイル"));
  std::string text;
  while (text.size() < (256 << 10)) text += Cp932("このファイルは日本語のテキストです。\n");
  for (auto _ : state) {
    std::string t = text;
    benchmark::DoNotOptimize(awk.GSub(Cp932("文書"), t));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_GSubLongText);

}  // namespace
