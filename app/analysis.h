// TForm1: the analysis behind the main window. It loads a file to count its
// lines, runs the grep and plots every reported line, then turns the per-line
// counts into the hit rate and a curve smoothed by repeated three-point
// averaging.
//
// It reaches the window only through TAnalysisView and the file grep only
// through TGrepPort, so the whole analysis runs on plain fakes as well as in
// the Qt window. Texts crossing TAnalysisView are code page 932; the view
// converts at its edge.
//
// The count arrays grow with the loaded file (never shrink), so any number of
// lines is analysed; a search clears them up to LineCount + 9 and a load
// clears nothing, as the users of the window know it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/text_lines.h"
#include "grep/txt_file.h"

namespace tamsel {

// One chart series as the analysis uses it.
class TAnalysisSeries {
 public:
  virtual ~TAnalysisSeries() = default;
  virtual void Clear() = 0;
  // Appends a point with an empty label, drawn in the series' own colour.
  virtual void AddXY(double X, double Y) = 0;
};

// The operations of the window's controls that the analysis needs.
class TAnalysisView {
 public:
  virtual ~TAnalysisView() = default;
  // Runs the open dialog: true when the user confirmed a file.
  virtual bool ExecuteOpenDialog() = 0;
  // The last confirmed path, as the bytes the file system takes.
  virtual std::string OpenDialogFileName() = 0;
  // The pattern field in code page 932; EConvertError for a character that
  // code page 932 cannot hold.
  virtual std::string PatternText() = 0;
  // The pass choice of the radio group, 0 to 4.
  virtual int RatioItemIndex() = 0;
  virtual void SetGrepButtonEnabled(bool Enabled) = 0;
  virtual void SetFlatBottonEnabled(bool Enabled) = 0;
  virtual void SetHitLabelCaption(const std::string& Caption) = 0;
  virtual TAnalysisSeries& Series1() = 0;  // the hits
  virtual TAnalysisSeries& Series2() = 0;  // the smoothed curve
  // Turns the bottom axis' automatic maximum off and fixes the maximum.
  virtual void SetBottomAxisMaximum(double Maximum) = 0;
  virtual void Close() = 0;
  // Shows an error that left a handler; the program goes on.
  virtual void ReportError(const std::string& Message) = 0;
  virtual char DecimalSeparator() { return '.'; }
};

// The file grep as the analysis uses it (TGrep in the window). Hits come back
// through TForm1::GrepMatch, which the owner connects to the grep's OnMatch.
class TGrepPort {
 public:
  virtual ~TGrepPort() = default;
  // Compiles the pattern (code page 932); ERegExpParser for a bad one.
  virtual void SetRegExp(const std::string& Pattern) = 0;
  // Searches the file, reporting every line with a match in file order.
  virtual void Grep(const std::string& FileName) = 0;
};

// Smoothing passes over entries 0 .. LineCount - 1 of Series, with Work as the
// scratch row: each pass averages entries 1 .. LineCount - 2 of the previous
// pass into Work, in extended precision rounded to single, then copies all of
// Work back. The two end entries are never computed, so they take whatever
// Work holds there (0 after a search). Both rows need LineCount entries.
void SmoothingPasses(std::vector<float>& Series, std::vector<float>& Work, int32_t LineCount,
                     int32_t Passes);

class TForm1 {
 public:
  TForm1(TAnalysisView& View, TGrepPort& Grep);

  // The handlers of the window. An exception leaving one of them is for the
  // caller to report; HandleEvent does that the way the event loop does.
  void LoadButtonClick();
  void GrepButtonClick();
  void GrepMatch(const RE_LineInfo_t& LineInfo);
  void FlatBottonClick();
  void QuitButtonClick();

  // Runs one handler: an exception that leaves it is shown with
  // TAnalysisView::ReportError and goes no further.
  void HandleEvent(const std::function<void()>& Handler);

  // State, for the window and the tests. TextLines is null once the window
  // has been quit.
  const TTextLines* TextLines() const { return FTextLines.get(); }
  int64_t LastLineNo() const { return FLastLineNo; }
  int32_t HitNoInLine() const { return FHitNoInLine; }
  int64_t HitCount() const { return FHitCount; }
  int32_t LineCount() const { return FLineCount; }
  const std::vector<int32_t>& LineHitCount() const { return FLineHitCount; }
  const std::vector<float>& SmoothSeries() const { return FSmoothSeries; }
  const std::vector<float>& SmoothWork() const { return FSmoothWork; }

 private:
  // Grows the three arrays to at least Size entries, new entries 0.
  void EnsureArraySize(size_t Size);

  TAnalysisView& FView;
  TGrepPort& FGrep;

  std::unique_ptr<TTextLines> FTextLines;
  // 64-bit: line numbers and hit counts of any file fit without wrapping.
  int64_t FLastLineNo = -1;
  int32_t FHitNoInLine = 1;
  int64_t FHitCount = 0;
  std::vector<int32_t> FLineHitCount;
  std::vector<float> FSmoothSeries;
  std::vector<float> FSmoothWork;
  int32_t FLineCount = 0;
};

namespace msg {
// ファイルに行がないため、スムージング解析ができません。
const std::string& NoLinesToSmooth();
// 予期しないエラーが発生しました。 (an exception of no known class)
const std::string& UnexpectedError();
// ファイルの行数が多すぎるため、読みこめません。 (more lines than a 32-bit count)
const std::string& TooManyLines();
}  // namespace msg

}  // namespace tamsel
