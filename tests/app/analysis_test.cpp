// The analysis behind the window, on a fake view and a fake grep: the fake
// grep reports the lines of the file that contain the pattern as bytes, in
// order and once each, as TGrep does for a plain-string pattern.
#include "app/analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <utility>

#include "platform/cp932.h"
#include "platform/string_list.h"
#include "regex/front/dbchar.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;
using Points = std::vector<std::pair<double, double>>;

class FakeSeries : public TAnalysisSeries {
 public:
  void Clear() override {
    points.clear();
    ++clears;
  }
  void AddXY(double X, double Y) override { points.emplace_back(X, Y); }
  Points points;
  int clears = 0;
};

class FakeView : public TAnalysisView {
 public:
  bool ExecuteOpenDialog() override {
    ++dialogRuns;
    if (answers.empty() || !answers.front()) {
      if (!answers.empty()) answers.pop_front();
      return false;
    }
    fileName = *answers.front();
    answers.pop_front();
    return true;
  }
  std::string OpenDialogFileName() override { return fileName; }
  std::string PatternText() override { return Utf8ToCp932(pattern); }
  int RatioItemIndex() override { return itemIndex; }
  void SetGrepButtonEnabled(bool Enabled) override { grepEnabled = Enabled; }
  void SetFlatBottonEnabled(bool Enabled) override { flatEnabled = Enabled; }
  void SetHitLabelCaption(const std::string& Caption) override { hitLabel = Caption; }
  TAnalysisSeries& Series1() override { return series1; }
  TAnalysisSeries& Series2() override { return series2; }
  void SetBottomAxisMaximum(double Maximum) override { bottomMaximum = Maximum; }
  void Close() override { ++closes; }
  void ReportError(const std::string& Message) override { errors.push_back(Message); }

  // Answers of the open dialog, in order: a path, or nullopt for cancel.
  std::deque<std::optional<std::string>> answers;
  int dialogRuns = 0;
  std::string fileName;
  std::string pattern = "日本語";  // UTF-8, as typed
  int itemIndex = 0;
  bool grepEnabled = false;  // the window's start state
  bool flatEnabled = false;
  std::string hitLabel = "0";
  FakeSeries series1, series2;
  double bottomMaximum = 25;
  int closes = 0;
  std::vector<std::string> errors;
};

class FakeGrep : public TGrepPort {
 public:
  void SetRegExp(const std::string& Pattern) override {
    if (badPatterns.count(Pattern)) throw ERegExpParser(J("右(閉じ)括弧が必要です"), 2);
    pattern = Pattern;
  }
  void Grep(const std::string& FileName) override {
    searched.push_back(FileName);
    if (script) return script();
    TStringList lines;
    try {
      lines.LoadFromFile(FileName);
    } catch (const EInOutError& e) {
      throw EFileNotFound(e.Message());
    }
    if (pattern.empty()) return;
    for (int i = 0; i < lines.Count(); ++i) {
      if (lines[i].find(pattern) == std::string::npos) continue;
      RE_LineInfo_t info{lines[i], i + 1};
      form->GrepMatch(info);
    }
  }

  TForm1* form = nullptr;
  std::set<std::string> badPatterns;
  std::string pattern;
  std::vector<std::string> searched;
  std::function<void()> script;  // replaces the file search when set
};

// Lines joined with CR LF, the last one ended too.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

// A file of n lines in which the given lines (1-based) hold "日本語".
std::string LinesWithHits(int n, std::initializer_list<int> hitLines) {
  std::set<int> hits(hitLines);
  std::string text;
  for (int i = 1; i <= n; ++i) text += (hits.count(i) ? J("日本語") : "x") + "\n";
  return text;
}

class AnalysisTest : public ::testing::Test {
 protected:
  AnalysisTest() { grep.form = &form; }

  // Loads a file through the dialog, as a click on the load button.
  void Load(const std::string& bytes, const std::string& name = "text.txt") {
    view.answers.push_back(dir.Write(name, bytes));
    form.HandleEvent([&] { form.LoadButtonClick(); });
  }
  void Analyse() {
    form.HandleEvent([&] { form.GrepButtonClick(); });
  }
  void Smooth() {
    form.HandleEvent([&] { form.FlatBottonClick(); });
  }
  // The smoothed curve as floats (the chart receives them as doubles).
  std::vector<float> Curve() const {
    std::vector<float> ys;
    for (std::size_t i = 0; i < view.series2.points.size(); ++i) {
      EXPECT_EQ(view.series2.points[i].first, static_cast<double>(i));
      ys.push_back(static_cast<float>(view.series2.points[i].second));
    }
    return ys;
  }

  test::TempDir dir;
  FakeView view;
  FakeGrep grep;
  TForm1 form{view, grep};
};

// --- The search and its points ----------------------------------------------

TEST_F(AnalysisTest, FiveLinesWithHitsOnLinesTwoAndFour) {
  Load(Lines({"a", J("日本語です"), "c", J("日本語と日本語"), "e"}));
  Analyse();
  EXPECT_EQ(grep.pattern, J("日本語"));  // the field's text, in code page 932
  EXPECT_EQ(form.HitCount(), 2);
  EXPECT_EQ(view.series1.points, (Points{{2, 1}, {4, 1}}));
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(form.LineHitCount()[i], (i == 2 || i == 4) ? 1 : 0) << i;
  }
  Smooth();
  EXPECT_EQ(view.hitLabel, "0.4");
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(AnalysisTest, HitOnTheLastLineIsPlottedAndCountedButNotSmoothed) {
  Load(LinesWithHits(3, {3}));
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{3, 1}}));
  EXPECT_EQ(form.HitCount(), 1);
  EXPECT_EQ(form.LineHitCount()[3], 0);
  Smooth();
  EXPECT_EQ(view.hitLabel, "0.333");
  EXPECT_EQ(Curve(), (std::vector<float>{0, 0, 0}));
}

TEST_F(AnalysisTest, OrdinalOnALineCountsOnlyRepeatsInARow) {
  Load(LinesWithHits(9, {}));
  grep.script = [&] {
    for (int64_t no : std::vector<int64_t>{3, 3, 5, 3, 3, 3}) form.GrepMatch(RE_LineInfo_t{"", no});
  };
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{3, 1}, {3, 2}, {5, 1}, {3, 1}, {3, 2}, {3, 3}}));
  EXPECT_EQ(form.HitCount(), 6);
  EXPECT_EQ(form.LineHitCount()[3], 5);
  EXPECT_EQ(form.LastLineNo(), 3);
  EXPECT_EQ(form.HitNoInLine(), 3);
}

TEST_F(AnalysisTest, TwoSearchesInARowBothPlotTheSameLineAtOne) {
  Load(LinesWithHits(5, {4}));
  Analyse();
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{4, 1}}));
  EXPECT_EQ(view.series1.clears, 2);
  EXPECT_EQ(form.HitCount(), 1);
  EXPECT_EQ(form.LineHitCount()[4], 1);
}

TEST_F(AnalysisTest, LineNumbersOutsideTheFileAreCountedButNotIndexed) {
  Load(LinesWithHits(4, {}));
  grep.script = [&] {
    for (int64_t no : {int64_t{0}, int64_t{4}, int64_t{5}, int64_t{100000}, int64_t{1} << 40})
      form.GrepMatch(RE_LineInfo_t{"", no});
  };
  Analyse();
  EXPECT_EQ(form.HitCount(), 5);
  EXPECT_EQ(view.series1.points.size(), 5u);
  EXPECT_EQ(view.series1.points.back().first, static_cast<double>(int64_t{1} << 40));
  for (int i = 0; i < 14; ++i) EXPECT_EQ(form.LineHitCount()[i], 0) << i;
}

// --- Smoothing arithmetic ----------------------------------------------------

TEST(SmoothingPassesTest, ValuesOfTheFirstPassesInSinglePrecision) {
  auto run = [](std::vector<float> series, int passes) {
    std::vector<float> work(series.size(), 0.0f);
    SmoothingPasses(series, work, static_cast<int32_t>(series.size()), passes);
    return series;
  };
  EXPECT_EQ(run({0, 1, 1, 0}, 1), (std::vector<float>{0, 0.6666667f, 0.6666667f, 0}));
  EXPECT_EQ(run({0, 1, 1, 0}, 2), (std::vector<float>{0, 0.44444445f, 0.44444445f, 0}));
  EXPECT_EQ(run({0, 1, 1, 0}, 5), (std::vector<float>{0, 0.13168724f, 0.13168724f, 0}));
  EXPECT_EQ(run({0, 3, 0, 0}, 1), (std::vector<float>{0, 1, 1, 0}));
  // No pass: the series is left alone.
  EXPECT_EQ(run({0, 3, 0, 0}, 0), (std::vector<float>{0, 3, 0, 0}));
}

TEST(SmoothingPassesTest, EndsTakeWhatTheWorkRowHolds) {
  std::vector<float> series{5, 6, 7};
  std::vector<float> work{1, 2, 3};
  SmoothingPasses(series, work, 3, 1);
  EXPECT_EQ(series, (std::vector<float>{1, 6, 3}));  // (5 + 7 + 6) / 3 in the middle
  // One or two entries: nothing is averaged, every entry becomes Work's.
  std::vector<float> two{4, 4}, twoWork{0, 9};
  SmoothingPasses(two, twoWork, 2, 5);
  EXPECT_EQ(two, (std::vector<float>{0, 9}));
}

TEST_F(AnalysisTest, CountsZeroOneOneZeroGiveTheKnownCurve) {
  Load(LinesWithHits(4, {1, 2}));
  Analyse();
  Smooth();
  EXPECT_EQ(Curve(), (std::vector<float>{0, 0.13168724f, 0.13168724f, 0}));
  EXPECT_EQ(view.hitLabel, "0.5");
}

TEST_F(AnalysisTest, RadioItemChoosesFiveToTwentyFivePasses) {
  Load(LinesWithHits(12, {2, 3, 7, 8, 9, 11}));
  Analyse();
  for (int item = 0; item <= 4; ++item) {
    view.itemIndex = item;
    Smooth();
    std::vector<float> expected(12, 0.0f), work(12, 0.0f);
    for (int i = 0; i < 12; ++i) expected[i] = static_cast<float>(form.LineHitCount()[i]);
    SmoothingPasses(expected, work, 12, item * 5 + 5);
    EXPECT_EQ(Curve(), expected) << "item " << item;
  }
}

TEST_F(AnalysisTest, ThreeLinesAverageOnlyTheMiddleEntry) {
  Load(LinesWithHits(3, {1}));
  Analyse();
  Smooth();
  // Five passes of x -> (0 + 0 + x) / 3 from 1, rounded to single each time.
  float middle = 1;
  for (int pass = 0; pass < 5; ++pass) {
    middle = static_cast<float>(static_cast<long double>(middle) * (1.0L / 3.0L));
  }
  EXPECT_EQ(Curve(), (std::vector<float>{0, middle, 0}));
  EXPECT_GT(middle, 0.0041f);
  EXPECT_LT(middle, 0.0042f);
}

TEST_F(AnalysisTest, OneAndTwoLineFilesAverageNothing) {
  Load(LinesWithHits(2, {1, 2}));
  Analyse();
  EXPECT_EQ(form.LineHitCount()[1], 1);
  Smooth();
  EXPECT_EQ(Curve(), (std::vector<float>{0, 0}));
  EXPECT_EQ(view.hitLabel, "1");

  Load(LinesWithHits(1, {1}), "one.txt");
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{1, 1}}));
  Smooth();
  EXPECT_EQ(Curve(), (std::vector<float>{0}));
  EXPECT_EQ(view.hitLabel, "1");
}

TEST_F(AnalysisTest, SmoothingTwiceDrawsTheSameCurveAndText) {
  Load(LinesWithHits(40, {3, 4, 10, 11, 12, 30}));
  Analyse();
  view.itemIndex = 2;
  Smooth();
  const std::vector<float> first = Curve();
  const std::string label = view.hitLabel;
  Smooth();
  EXPECT_EQ(Curve(), first);
  EXPECT_EQ(view.hitLabel, label);
  EXPECT_EQ(label, "0.15");
  EXPECT_EQ(view.series2.clears, 2);
}

TEST_F(AnalysisTest, SmoothingBeforeAnySearchWorksOnZeros) {
  Load(LinesWithHits(6, {2}));
  Smooth();
  EXPECT_EQ(view.hitLabel, "0");
  EXPECT_EQ(Curve(), std::vector<float>(6, 0.0f));
  EXPECT_TRUE(grep.searched.empty());
}

// --- Commands and their states -----------------------------------------------

TEST_F(AnalysisTest, LoadEnablesAnalyseAndSmoothingAndSetsTheAxis) {
  EXPECT_FALSE(view.grepEnabled);
  EXPECT_FALSE(view.flatEnabled);

  view.answers.push_back(std::nullopt);  // cancelled
  form.HandleEvent([&] { form.LoadButtonClick(); });
  EXPECT_EQ(view.dialogRuns, 1);
  EXPECT_FALSE(view.grepEnabled);
  EXPECT_FALSE(view.flatEnabled);
  EXPECT_EQ(view.bottomMaximum, 25);
  EXPECT_EQ(form.LineCount(), 0);

  Load(LinesWithHits(7, {}));
  EXPECT_TRUE(view.grepEnabled);
  EXPECT_TRUE(view.flatEnabled);
  EXPECT_EQ(view.bottomMaximum, 7);
  EXPECT_EQ(form.LineCount(), 7);
  ASSERT_NE(form.TextLines(), nullptr);
  EXPECT_EQ(form.TextLines()->Count(), 7);

  // Analysing and smoothing leave the buttons as they are.
  Analyse();
  Smooth();
  EXPECT_TRUE(view.grepEnabled);
  EXPECT_TRUE(view.flatEnabled);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(AnalysisTest, FailedLoadIsReportedAndChangesNothing) {
  Load(LinesWithHits(7, {}));
  view.grepEnabled = view.flatEnabled = false;  // to see that nothing sets them
  view.answers.push_back((dir.path() / "missing.txt").string());
  form.HandleEvent([&] { form.LoadButtonClick(); });
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_FALSE(view.errors[0].empty());
  EXPECT_EQ(form.LineCount(), 7);
  EXPECT_EQ(form.TextLines()->Count(), 7);
  EXPECT_EQ(view.bottomMaximum, 7);
  EXPECT_FALSE(view.grepEnabled);
  EXPECT_FALSE(view.flatEnabled);
}

TEST_F(AnalysisTest, LoadClearsNothingOfAnEarlierAnalysis) {
  Load(LinesWithHits(5, {2, 4}));
  Analyse();
  Smooth();
  Load(LinesWithHits(8, {}), "longer.txt");
  EXPECT_EQ(view.series1.points, (Points{{2, 1}, {4, 1}}));
  EXPECT_EQ(view.series2.points.size(), 5u);
  EXPECT_EQ(view.hitLabel, "0.4");
  // A smoothing now works on the old counts over the new line count.
  Smooth();
  EXPECT_EQ(view.hitLabel, "0.25");
  std::vector<float> expected{0, 0, 1, 0, 1, 0, 0, 0}, work(8, 0.0f);
  SmoothingPasses(expected, work, 8, 5);
  EXPECT_EQ(Curve(), expected);
}

TEST_F(AnalysisTest, SearchKeepsTheCurveAndTextButClearsThePoints) {
  Load(LinesWithHits(5, {2, 4}));
  Analyse();
  Smooth();
  Load(LinesWithHits(5, {1}), "other.txt");
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{1, 1}}));
  EXPECT_EQ(view.series2.points.size(), 5u);
  EXPECT_EQ(view.hitLabel, "0.4");
  EXPECT_EQ(form.LineHitCount()[2], 0);
  EXPECT_EQ(form.LineHitCount()[1], 1);
}

TEST_F(AnalysisTest, PatternErrorIsReportedAndNoSearchRuns) {
  Load(LinesWithHits(5, {2, 4}));
  Analyse();
  grep.badPatterns.insert(J("(日本"));
  view.pattern = "(日本";
  Analyse();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], J("右(閉じ)括弧が必要です"));
  EXPECT_EQ(grep.searched.size(), 1u);  // only the first analysis searched
  // The previous points and counts were cleared before the pattern was set.
  EXPECT_TRUE(view.series1.points.empty());
  EXPECT_EQ(form.HitCount(), 0);
  EXPECT_EQ(form.LineHitCount()[2], 0);
}

TEST_F(AnalysisTest, PatternCodePage932CannotHoldIsReportedAndNoSearchRuns) {
  Load(LinesWithHits(5, {2}));
  view.pattern = "caf\xC3\xA9";  // é has no code page 932 form
  Analyse();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find(J("文字コード932で表せない文字です")), std::string::npos);
  EXPECT_TRUE(grep.searched.empty());
}

TEST_F(AnalysisTest, MissingFileIsDroppedSilently) {
  Load(LinesWithHits(5, {2}));
  std::filesystem::remove(view.fileName);
  Analyse();
  EXPECT_EQ(grep.searched.size(), 1u);
  EXPECT_TRUE(view.errors.empty());
  EXPECT_TRUE(view.series1.points.empty());
  EXPECT_EQ(form.HitCount(), 0);
}

TEST_F(AnalysisTest, ErrorInsideTheSearchKeepsThePointsPlottedSoFar) {
  Load(LinesWithHits(5, {}));
  grep.script = [&] {
    form.GrepMatch(RE_LineInfo_t{"", 2});
    throw EGrepCancel();
  };
  Analyse();
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.series1.points, (Points{{2, 1}}));
  EXPECT_EQ(form.HitCount(), 1);
}

TEST_F(AnalysisTest, FilesBeyondTenThousandLinesAreAnalysedWhole) {
  Load(LinesWithHits(25000, {5000, 12000, 24999, 25000}));
  EXPECT_EQ(view.bottomMaximum, 25000);
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{5000, 1}, {12000, 1}, {24999, 1}, {25000, 1}}));
  EXPECT_EQ(form.LineHitCount()[24999], 1);
  EXPECT_GE(form.LineHitCount().size(), 25010u);
  Smooth();
  EXPECT_EQ(view.hitLabel, "0.00016");
  const std::vector<float> curve = Curve();
  ASSERT_EQ(curve.size(), 25000u);
  EXPECT_GT(curve[12000], 0.0f);
  EXPECT_GT(curve[24998], 0.0f);
  EXPECT_EQ(curve[24999], 0.0f);
  EXPECT_EQ(curve[20000], 0.0f);

  // A shorter file afterwards works over its own lines.
  Load(LinesWithHits(3, {1}), "short.txt");
  Analyse();
  EXPECT_EQ(view.series1.points, (Points{{1, 1}}));
  Smooth();
  EXPECT_EQ(curve.size(), 25000u);
  EXPECT_EQ(Curve().size(), 3u);
}

// Two gibibytes of line ends take a while to write and count, so this runs
// only when TAMSEL_BIG_TESTS is set.
TEST_F(AnalysisTest, MoreLinesThanTheCountsCanIndexAreRefused) {
  if (!std::getenv("TAMSEL_BIG_TESTS")) GTEST_SKIP() << "set TAMSEL_BIG_TESTS=1 to run";
  Load(LinesWithHits(7, {}));
  // One line more than a 32-bit count holds.
  const int64_t lines = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  const std::string path = (dir.path() / "huge.txt").string();
  {
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, '\n');
    for (int64_t left = lines; left > 0; left -= static_cast<int64_t>(block.size())) {
      out.write(block.data(), std::min<int64_t>(left, static_cast<int64_t>(block.size())));
    }
    ASSERT_TRUE(out.good());
  }
  view.answers.push_back(path);
  form.HandleEvent([&] { form.LoadButtonClick(); });
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], msg::TooManyLines());
  EXPECT_EQ(form.LineCount(), 7);
  EXPECT_EQ(form.TextLines()->Count(), 7);
  EXPECT_EQ(view.bottomMaximum, 7);
  std::filesystem::remove(path);
}

TEST_F(AnalysisTest, SmoothingAnEmptyFileIsAClearErrorAndChangesNothing) {
  Load(LinesWithHits(5, {2, 4}));
  Analyse();
  Smooth();
  const Points curve = view.series2.points;
  Load("", "empty.txt");
  EXPECT_EQ(form.LineCount(), 0);
  EXPECT_EQ(view.bottomMaximum, 0);
  EXPECT_TRUE(view.flatEnabled);
  Smooth();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], msg::NoLinesToSmooth());
  EXPECT_EQ(Cp932ToUtf8(view.errors[0]), "ファイルに行がないため、スムージング解析ができません。");
  EXPECT_EQ(view.series2.points, curve);
  EXPECT_EQ(view.series2.clears, 1);
  EXPECT_EQ(view.hitLabel, "0.4");
  // A search over an empty file finds nothing and is no error.
  Analyse();
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_TRUE(view.series1.points.empty());
}

TEST_F(AnalysisTest, QuitFreesTheLinesAndClosesTheWindow) {
  Load(LinesWithHits(5, {}));
  form.HandleEvent([&] { form.QuitButtonClick(); });
  EXPECT_EQ(form.TextLines(), nullptr);
  EXPECT_EQ(view.closes, 1);
  EXPECT_TRUE(view.errors.empty());
  // A load that still arrives (a handler run inside a search) gets a list.
  Load(LinesWithHits(2, {}), "late.txt");
  ASSERT_NE(form.TextLines(), nullptr);
  EXPECT_EQ(form.LineCount(), 2);
}

TEST_F(AnalysisTest, HandleEventReportsEveryKindOfException) {
  form.HandleEvent([] { throw Exception(J("日本語の理由")); });
  form.HandleEvent([] { throw std::runtime_error("plain"); });
  form.HandleEvent([] { throw 42; });
  form.HandleEvent([] {});
  EXPECT_EQ(view.errors,
            (std::vector<std::string>{J("日本語の理由"), "plain", msg::UnexpectedError()}));
}

}  // namespace
}  // namespace tamsel
