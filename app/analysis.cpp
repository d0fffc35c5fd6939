#include "app/analysis.h"

#include <algorithm>
#include <limits>

#include "app/float_format.h"
#include "platform/cp932.h"
#include "platform/exception.h"

namespace tamsel {

namespace {

// The window was made for files of up to 9990 lines; the arrays start that
// large and grow past it.
constexpr size_t kInitialArraySize = 10000;
// A search clears this many entries beyond the line count.
constexpr int32_t kClearMargin = 10;
// The line count is a 32-bit value.
constexpr int64_t kMaxLineCount = std::numeric_limits<int32_t>::max();

// One third rounded to the 64-bit mantissa of the extended type; the curve's
// exact values depend on it.
constexpr long double kOneThird = 1.0L / 3.0L;

}  // namespace

namespace msg {
const std::string& NoLinesToSmooth() {
  static const std::string text = Cp932("ファイルに行がないため、スムージング解析ができません。");
  return text;
}
const std::string& UnexpectedError() {
  static const std::string text = Cp932("予期しないエラーが発生しました。");
  return text;
}
const std::string& TooManyLines() {
  static const std::string text = Cp932("ファイルの行数が多すぎるため、読みこめません。");
  return text;
}
}  // namespace msg

void SmoothingPasses(std::vector<float>& Series, std::vector<float>& Work, int32_t LineCount,
                     int32_t Passes) {
  for (int32_t pass = 0; pass < Passes; ++pass) {
    for (int32_t i = 1; i <= LineCount - 2; ++i) {
      // Added in this order, in extended precision, then rounded to single.
      const long double sum = static_cast<long double>(Series[i - 1]) +
                              static_cast<long double>(Series[i + 1]) +
                              static_cast<long double>(Series[i]);
      Work[i] = static_cast<float>(sum);
      Work[i] = static_cast<float>(static_cast<long double>(Work[i]) * kOneThird);
    }
    std::copy_n(Work.begin(), std::max(LineCount, 0), Series.begin());
  }
}

TForm1::TForm1(TAnalysisView& View, TGrepPort& Grep)
    : FView(View), FGrep(Grep), FTextLines(std::make_unique<TTextLines>()) {
  EnsureArraySize(kInitialArraySize);
}

void TForm1::EnsureArraySize(size_t Size) {
  if (FLineHitCount.size() >= Size) return;
  FLineHitCount.resize(Size, 0);
  FSmoothSeries.resize(Size, 0.0f);
  FSmoothWork.resize(Size, 0.0f);
}

void TForm1::LoadButtonClick() {
  if (!FView.ExecuteOpenDialog()) return;
  // Only the number of lines is used, so the lines are counted, not kept.
  // An unreadable file raises, and so does one with more lines than a
  // 32-bit count holds; either leaves everything as it was.
  TTextLines lines;
  lines.LoadFromFile(FView.OpenDialogFileName());
  if (lines.Count() > kMaxLineCount) throw Exception(msg::TooManyLines());
  if (!FTextLines) FTextLines = std::make_unique<TTextLines>();
  *FTextLines = lines;
  const int32_t count = static_cast<int32_t>(lines.Count());
  EnsureArraySize(static_cast<size_t>(count) + kClearMargin);
  FLineCount = count;
  FView.SetBottomAxisMaximum(FLineCount);
  FView.SetFlatBottonEnabled(true);
  FView.SetGrepButtonEnabled(true);
}

void TForm1::GrepButtonClick() {
  const size_t clearTo = static_cast<size_t>(FLineCount) + kClearMargin;
  EnsureArraySize(clearTo);
  std::fill_n(FLineHitCount.begin(), clearTo, 0);
  std::fill_n(FSmoothSeries.begin(), clearTo, 0.0f);
  std::fill_n(FSmoothWork.begin(), clearTo, 0.0f);
  FHitCount = 0;
  FLastLineNo = -1;
  FView.Series1().Clear();

  // A pattern error (or a character code page 932 cannot hold) leaves here,
  // to be shown; no search runs.
  FGrep.SetRegExp(FView.PatternText());

  try {
    FGrep.Grep(FView.OpenDialogFileName());
  } catch (...) {
    // A missing file, a cancel, a read error or an error in the match
    // handler ends the search silently; the points plotted so far stay.
  }
}

void TForm1::GrepMatch(const RE_LineInfo_t& LineInfo) {
  ++FHitCount;
  // The last line (number LineCount) is plotted but not counted.
  if (LineInfo.LineNo > 0 && LineInfo.LineNo < FLineCount) {
    ++FLineHitCount[static_cast<size_t>(LineInfo.LineNo)];
  }
  if (LineInfo.LineNo == FLastLineNo) {
    ++FHitNoInLine;
  } else {
    FLastLineNo = LineInfo.LineNo;
    FHitNoInLine = 1;
  }
  FView.Series1().AddXY(static_cast<double>(LineInfo.LineNo), FHitNoInLine);
}

void TForm1::FlatBottonClick() {
  // With no line the hit rate has no value; say so before anything changes.
  if (FLineCount <= 0) throw Exception(msg::NoLinesToSmooth());

  FView.Series2().Clear();
  const long double rate = static_cast<long double>(FHitCount) / FLineCount;
  FView.SetHitLabelCaption(FloatToStrGeneral(rate, 3, 3, FView.DecimalSeparator()));

  const int32_t passes = FView.RatioItemIndex() * 5 + 5;
  for (int32_t i = 0; i < FLineCount; ++i) {
    FSmoothSeries[i] = static_cast<float>(FLineHitCount[i]);
  }
  SmoothingPasses(FSmoothSeries, FSmoothWork, FLineCount, passes);
  for (int32_t i = 0; i < FLineCount; ++i) {
    FView.Series2().AddXY(i, FSmoothSeries[i]);
  }
}

void TForm1::QuitButtonClick() {
  FTextLines.reset();
  FView.Close();
}

void TForm1::HandleEvent(const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (const Exception& e) {
    FView.ReportError(e.Message());
  } catch (const std::exception& e) {
    FView.ReportError(e.what());
  } catch (...) {
    FView.ReportError(msg::UnexpectedError());
  }
}

}  // namespace tamsel
