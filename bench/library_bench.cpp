// Micro-benchmarks of the library's inner pieces: pattern compile with and
// without the fuzzy dictionary, the fast file search's plan for a compiled
// pattern, the DFA step, GSub on a long text, and the file search of a
// pattern whose matches may run past line ends, on one long line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

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

// A pattern that may run past a line end is searched start by start; walks
// that join one that already failed stop there, so the time per byte should
// stay flat as the line grows (trying every start to its end would grow with
// the square of it). The line never matches: every walk runs to the end.
void BM_GrepPastLineEndsOneLongLine(benchmark::State& state) {
  std::string line;
  while (line.size() < static_cast<size_t>(state.range(0))) line += Cp932("ファイルを開く。");
  char path[] = "/tmp/tamsel-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    state.SkipWithError("cannot write the scratch file");
    return;
  }
  close(fd);
  TGrep grep(nullptr);
  grep.SetRegExp(Cp932("ファイル[^×]*\\n閉じる"));
  size_t lines = 0;
  grep.OnMatch = [&](TGrep&, RE_LineInfo_t&) { ++lines; };
  for (auto _ : state) grep.Grep(path);
  std::remove(path);
  if (lines != 0) state.SkipWithError("the line must not match");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * line.size());
}
BENCHMARK(BM_GrepPastLineEndsOneLongLine)->Arg(1 << 16)->Arg(1 << 20)->Arg(8 << 20);

}  // namespace
