// TMainWindow: the program's one window on Qt Widgets and Qt Charts. It lays
// out the controls and the chart with their captions, fonts and start states,
// owns the file grep, and hands every command to TForm1 (app/analysis.h)
// through an adapter of its controls.
//
// No exception crosses Qt's event loop: each command runs under
// TForm1::HandleEvent, which shows an error box titled "Tamsel" for whatever
// leaves it. While a search runs, the reader's ProcessMessages hook lets Qt
// handle the window's events, so the window stays live.
//
// Each series keeps every point the analysis gives it, but the chart draws
// only what its pixel columns can show of them (app/plot_reduction.h), so a
// file of millions of lines draws as fast as a short one.
//
// The Japanese captions use IPA P Gothic, the usual Linux stand-in for the
// proportional Gothic font of Japanese Windows; font heights are pixels.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/plot_reduction.h"
#include "platform/events.h"

class QButtonGroup;
class QChart;
class QChartView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QRadioButton;
class QValueAxis;

namespace tamsel {

class TForm1;
class TGrep;
class TComponent;

// Shows an error message (code page 932) the way the event loop shows an
// exception: a modal error box titled "Tamsel".
void ShowException(const std::string& Message, QWidget* Parent = nullptr);

class TMainWindow : public QWidget {
  Q_OBJECT

 public:
  // Asks for a text file; returns its path, or an empty string for cancel.
  using TFileChooser = std::function<QString(QWidget* Parent)>;

  explicit TMainWindow(QWidget* Parent = nullptr);
  ~TMainWindow() override;

  // The one filter of the file-open dialog.
  static QString OpenDialogFilter();
  // Replaces the file-open dialog (the default runs a QFileDialog).
  void SetFileChooser(TFileChooser Chooser) { FFileChooser = std::move(Chooser); }

  // The parts, for inspection.
  TForm1& Form() { return *FForm; }
  TGrep& Grep() { return *FGrep; }
  QChartView* ChartView() const { return FChartView; }
  QChart* Chart() const { return FChart; }
  QLineSeries* Series1() const { return FSeries1; }
  QLineSeries* Series2() const { return FSeries2; }
  QValueAxis* BottomAxis() const { return FBottomAxis; }
  QValueAxis* LeftAxis() const { return FLeftAxis; }
  QValueAxis* RightAxis() const { return FRightAxis; }
  QButtonGroup* RatioButtons() const { return FRatioButtons; }
  // Every point the analysis gave the two series; the chart draws of them
  // only what its pixel columns can show.
  const std::vector<TPlotPoint>& Series1Points() const;
  const std::vector<TPlotPoint>& Series2Points() const;

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  class TView;
  class TSeriesAdapter;
  class TGrepAdapter;

  void CreateControls();
  void CreateChart();
  // Runs one command of the window under TForm1::HandleEvent.
  void Dispatch(void (TForm1::*Handler)());
  // Puts the points gathered by the analysis on the chart.
  void FlushSeries();
  // Takes the bottom axis' range and the plot's width in pixels as the
  // layout the series are reduced to, and queues a flush.
  void UpdatePlotLayout();
  // Marks the hit-rate label's new text and sizes it to fit.
  void SetHitLabelText(const QString& Text);

  QLabel* FLabel1 = nullptr;
  QLabel* FHitLabel = nullptr;
  QLabel* FLabel3 = nullptr;
  QChartView* FChartView = nullptr;
  QChart* FChart = nullptr;
  QGroupBox* FRatioRadioGroup = nullptr;
  QButtonGroup* FRatioButtons = nullptr;
  QPushButton* FLoadButton = nullptr;
  QPushButton* FQuitButton = nullptr;
  QPushButton* FGrepButton = nullptr;
  QLineEdit* FEdit1 = nullptr;
  QPushButton* FFlatBotton = nullptr;
  QLineSeries* FSeries1 = nullptr;  // drawn as points only
  QLineSeries* FSeries2 = nullptr;
  QValueAxis* FBottomAxis = nullptr;
  QValueAxis* FLeftAxis = nullptr;
  QValueAxis* FRightAxis = nullptr;

  TFileChooser FFileChooser;
  std::string FFileName;  // the last confirmed path, as file-system bytes

  std::unique_ptr<TComponent> FOwner;  // owns the grep, like the form does
  TGrep* FGrep = nullptr;
  std::unique_ptr<TSeriesAdapter> FSeries1Adapter;
  std::unique_ptr<TSeriesAdapter> FSeries2Adapter;
  std::unique_ptr<TGrepAdapter> FGrepAdapter;
  std::unique_ptr<TView> FView;
  std::unique_ptr<TForm1> FForm;
  TProcessMessagesHook FPreviousHook;
  QElapsedTimer FClock;
  qint64 FNextFlush = 0;  // FClock time (ns) before which a search does not redraw
  // FClock time (ns) a search last handled the window's events.
  qint64 FLastEvents = std::numeric_limits<qint64>::min() / 2;
  bool FFlushQueued = false;
};

}  // namespace tamsel
