#include "app/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/analysis.h"
#include "app/plot_reduction.h"
#include "grep/grep.h"
#include "platform/component.h"
#include "platform/cp932.h"

namespace tamsel {

namespace {

constexpr int kChartWidth = 485;
constexpr int kMarkerSize = 8;  // the side of a hit's square, in pixels
// While a search runs, the window handles its events at most this often.
constexpr qint64 kEventIntervalNs = 250000;
// While a search runs, the chart is brought up to date no more often than
// this, and no less often than the maximum, so that a file with many hits is
// not redrawn once per line.
constexpr qint64 kFlushIntervalMs = 100;
constexpr qint64 kMaxFlushIntervalMs = 10000;

// IPA P Gothic at a height in pixels.
QFont JapaneseFont(int pixelSize, bool bold = false) {
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// A tick step of 1, 2 or 5 times a power of ten, at least 1, giving about
// five intervals over 0 .. Maximum: the axes count lines and hits.
double TickStep(double Maximum) {
  const double raw = Maximum / 5;
  if (raw <= 1) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / power;
  return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * power;
}

// A fixed range from 0 with whole-number ticks.
void SetFixedRange(QValueAxis* Axis, double Maximum) {
  Axis->setTickType(QValueAxis::TicksDynamic);
  Axis->setTickAnchor(0);
  // Widen the step before the range grows and narrow it after it shrinks:
  // the axis lays out its ticks at every change, and the old step over the
  // new range could mean thousands of them.
  const double step = TickStep(Maximum);
  if (step > Axis->tickInterval()) Axis->setTickInterval(step);
  Axis->setRange(0, Maximum);
  Axis->setTickInterval(step);
}

QString FromCp932(const std::string& text) {
  return QString::fromStdString(Cp932ToUtf8(text, true));
}

}  // namespace

void ShowException(const std::string& Message, QWidget* Parent) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Tamsel"), FromCp932(Message),
                  QMessageBox::Ok, Parent);
  box.exec();
}

// A chart series fed by the analysis. It keeps every point it is given, and
// draws only what the plot's pixel columns can show of them (see
// app/plot_reduction.h): a file of millions of lines has a curve of millions
// of points, which would take seconds to draw, for a plot a few hundred
// pixels wide. Points are drawn in one go at a flush, since adding them to
// the chart one by one redraws per point.
class TMainWindow::TSeriesAdapter : public TAnalysisSeries {
 public:
  TSeriesAdapter(QXYSeries* Series, TPlotReduction::TKeep Keep, QValueAxis* FollowingAxis = nullptr)
      : FSeries(Series), FFollowingAxis(FollowingAxis), FReduction(Keep) {}

  void Clear() override {
    FPoints.clear();
    FRestart = true;
  }
  void AddXY(double X, double Y) override {
    FPoints.push_back({X, Y});
    FDirty = true;
  }

  const std::vector<TPlotPoint>& Points() const { return FPoints; }

  // The plot now spans XMin .. XMax over Columns pixel columns.
  void SetLayout(double XMin, double XMax, int Columns) {
    if (XMin == FXMin && XMax == FXMax && Columns == FColumns) return;
    FXMin = XMin;
    FXMax = XMax;
    FColumns = Columns;
    FRestart = true;
  }

  // Reduces the points added since the last flush (all of them after a
  // clear or a new layout) and draws what is kept.
  void Flush() {
    if (!FDirty && !FRestart) return;
    if (FRestart) {
      FReduction.Reset(FXMin, FXMax, FColumns);
      FReduced = 0;
    }
    FDirty = FRestart = false;
    FReduction.Add(FPoints.data() + FReduced, FPoints.size() - FReduced);
    FReduced = FPoints.size();
    const std::vector<TPlotPoint> kept = FReduction.Points();
    QList<QPointF> drawn;
    drawn.reserve(static_cast<qsizetype>(kept.size()));
    for (const TPlotPoint& p : kept) drawn.append(QPointF(p.X, p.Y));
    FSeries->replace(drawn);
    // Every column keeps its lowest and highest point, so the kept points
    // have the extremes of all of them.
    if (FFollowingAxis && !drawn.isEmpty()) {
      auto [lo, hi] = std::minmax_element(drawn.cbegin(), drawn.cend(),
                                          [](QPointF a, QPointF b) { return a.y() < b.y(); });
      double min = lo->y(), max = hi->y();
      if (max <= min) max = min + 1;
      FFollowingAxis->setRange(min, max);
      FFollowingAxis->applyNiceNumbers();
    }
  }

 private:
  QXYSeries* FSeries;
  QValueAxis* FFollowingAxis;  // an axis whose range follows the points
  std::vector<TPlotPoint> FPoints;
  TPlotReduction FReduction;
  size_t FReduced = 0;    // FPoints[0 .. FReduced) are in FReduction
  bool FDirty = false;    // points were added since the last flush
  bool FRestart = false;  // the reduction must start over
  double FXMin = 0, FXMax = 1;
  int FColumns = 1;
};

class TMainWindow::TGrepAdapter : public TGrepPort {
 public:
  explicit TGrepAdapter(TGrep& Grep) : FGrep(Grep) {}
  void SetRegExp(const std::string& Pattern) override { FGrep.SetRegExp(Pattern); }
  void Grep(const std::string& FileName) override { FGrep.Grep(FileName); }

 private:
  TGrep& FGrep;
};

// The window's controls as the analysis sees them.
class TMainWindow::TView : public TAnalysisView {
 public:
  explicit TView(TMainWindow& Window) : W(Window) {}

  bool ExecuteOpenDialog() override {
    const QString path = W.FFileChooser(&W);
    if (path.isEmpty()) return false;
    W.FFileName = QFile::encodeName(path).toStdString();
    return true;
  }
  std::string OpenDialogFileName() override { return W.FFileName; }
  std::string PatternText() override { return Utf8ToCp932(W.FEdit1->text().toStdString()); }
  int RatioItemIndex() override { return W.FRatioButtons->checkedId(); }
  void SetGrepButtonEnabled(bool Enabled) override { W.FGrepButton->setEnabled(Enabled); }
  void SetFlatBottonEnabled(bool Enabled) override { W.FFlatBotton->setEnabled(Enabled); }
  void SetHitLabelCaption(const std::string& Caption) override {
    W.SetHitLabelText(FromCp932(Caption));
  }
  TAnalysisSeries& Series1() override { return *W.FSeries1Adapter; }
  TAnalysisSeries& Series2() override { return *W.FSeries2Adapter; }
  void SetBottomAxisMaximum(double Maximum) override {
    // An empty file gives 0; the axis still needs a span to draw.
    SetFixedRange(W.FBottomAxis, Maximum > 0 ? Maximum : 1);
  }
  void Close() override { W.close(); }
  void ReportError(const std::string& Message) override {
    W.FlushSeries();  // what the handler did before it failed is shown behind the box
    ShowException(Message, &W);
  }
  char DecimalSeparator() override {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 0x80) return point[0].toLatin1();
    return '.';
  }

 private:
  TMainWindow& W;
};

TMainWindow::TMainWindow(QWidget* Parent) : QWidget(Parent) {
  // The caption bar carries the title only: no system menu, no minimise,
  // maximise or close button; the quit button closes the window.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QStringLiteral("Tamsel"));
  // 636 x 388 pixels outside; inside a 4-pixel frame and a 19-pixel caption
  // that leaves 628 x 365, the chart's height.
  move(192, 103);
  resize(628, 365);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(JapaneseFont(12));

  FFileChooser = [](QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(OpenDialogFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };

  CreateControls();

  // The file grep, as the form creates it: both dictionary switches off,
  // which sets the (empty) pattern and chooses the search procedure.
  FOwner = std::make_unique<TComponent>(nullptr);
  FGrep = new TGrep(FOwner.get());
  FGrep->SetUseFuzzyCharDic(false);
  FGrep->SetUseSynonymDic(false);
  FGrep->Cancel = false;

  FSeries1Adapter = std::make_unique<TSeriesAdapter>(FSeries1, TPlotReduction::TKeep::MinMax);
  FSeries2Adapter = std::make_unique<TSeriesAdapter>(
      FSeries2, TPlotReduction::TKeep::FirstMinMaxLast, FRightAxis);
  UpdatePlotLayout();
  // A new range of lines or a new plot width changes what each pixel column
  // holds: reduce again, once the chart has settled.
  connect(FBottomAxis, &QValueAxis::rangeChanged, this, &TMainWindow::UpdatePlotLayout);
  connect(FChart, &QChart::plotAreaChanged, this, &TMainWindow::UpdatePlotLayout);
  FGrepAdapter = std::make_unique<TGrepAdapter>(*FGrep);
  FView = std::make_unique<TView>(*this);
  FForm = std::make_unique<TForm1>(*FView, *FGrepAdapter);
  FGrep->OnMatch = [this](TGrep&, RE_LineInfo_t& LineInfo) { FForm->GrepMatch(LineInfo); };

  connect(FLoadButton, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::LoadButtonClick); });
  connect(FGrepButton, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::GrepButtonClick); });
  connect(FFlatBotton, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::FlatBottonClick); });
  connect(FQuitButton, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::QuitButtonClick); });

  // The reader calls this at every fill and every reported line of a search.
  // Asking Qt for events costs about a microsecond even when none are
  // pending, a third of the search's time on a file with hundreds of
  // thousands of hits, so events are handled at most every
  // kEventIntervalNs; nobody notices a wait that short. The chart is brought
  // up to date at most every kFlushIntervalMs, and at least four times as
  // long as its last update took apart, so a search spends most of its time
  // searching, not redrawing.
  FClock.start();
  FPreviousHook = SetProcessMessagesHook([this] {
    const qint64 now = FClock.nsecsElapsed();
    if (now - FLastEvents < kEventIntervalNs) return;
    if (now >= FNextFlush) {
      FlushSeries();
      QCoreApplication::processEvents();
      const qint64 cost = FClock.nsecsElapsed() - now;
      FNextFlush = FClock.nsecsElapsed() +
                   std::clamp(4 * cost, kFlushIntervalMs * 1000000, kMaxFlushIntervalMs * 1000000);
    } else {
      QCoreApplication::processEvents();
    }
    FLastEvents = FClock.nsecsElapsed();
  });
}

TMainWindow::~TMainWindow() {
  SetProcessMessagesHook(std::move(FPreviousHook));
  // The grep's handler refers to the analysis; drop it before either goes.
  if (FGrep) FGrep->OnMatch = nullptr;
}

QString TMainWindow::OpenDialogFilter() {
  return QStringLiteral("テキストファイル (*.txt)");
}

void TMainWindow::CreateControls() {
  FLabel1 = new QLabel(QStringLiteral("検索単語"), this);
  FLabel1->setObjectName(QStringLiteral("Label1"));
  FLabel1->setGeometry(16, 40, 64, 16);
  FLabel1->setFont(JapaneseFont(16));

  FHitLabel = new QLabel(QStringLiteral("0"), this);
  FHitLabel->setObjectName(QStringLiteral("HitLabel"));
  FHitLabel->setGeometry(32, 344, 8, 16);
  FHitLabel->setFont(JapaneseFont(16));

  FLabel3 = new QLabel(QStringLiteral("出現平均値"), this);
  FLabel3->setObjectName(QStringLiteral("Label3"));
  FLabel3->setGeometry(16, 320, 80, 16);
  FLabel3->setFont(JapaneseFont(16));

  CreateChart();

  FRatioRadioGroup = new QGroupBox(QStringLiteral("回数"), this);
  FRatioRadioGroup->setObjectName(QStringLiteral("RatioRadioGroup"));
  FRatioRadioGroup->setGeometry(16, 208, 97, 105);
  FRatioButtons = new QButtonGroup(FRatioRadioGroup);
  auto* layout = new QVBoxLayout(FRatioRadioGroup);
  layout->setContentsMargins(6, 2, 2, 2);
  layout->setSpacing(0);
  const QString items[] = {QStringLiteral("x 5.000"), QStringLiteral("x 10.00"),
                           QStringLiteral("x 15.00"), QStringLiteral("x 20.00"),
                           QStringLiteral("x 25.00")};
  for (int i = 0; i < 5; ++i) {
    auto* radio = new QRadioButton(items[i], FRatioRadioGroup);
    radio->setObjectName(QStringLiteral("RatioItem%1").arg(i));
    FRatioButtons->addButton(radio, i);
    layout->addWidget(radio);
  }
  FRatioButtons->button(0)->setChecked(true);

  auto makeButton = [this](const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
  };
  FLoadButton = makeButton("LoadButton", QStringLiteral("ファイル読みこみ"), {8, 8, 105, 25});
  FQuitButton = makeButton("QuitButton", QStringLiteral("終了"), {8, 136, 105, 25});
  FGrepButton = makeButton("GrepButton", QStringLiteral("解析"), {8, 96, 105, 25});
  FGrepButton->setEnabled(false);

  FEdit1 = new QLineEdit(QStringLiteral("日本語"), this);
  FEdit1->setObjectName(QStringLiteral("Edit1"));
  FEdit1->setGeometry(8, 64, 121, 24);
  FEdit1->setFont(JapaneseFont(16));

  FFlatBotton = makeButton("FlatBotton", QStringLiteral("スムージング解析"), {8, 176, 105, 25});
  FFlatBotton->setEnabled(false);

  QWidget* order[] = {FRatioButtons->button(0),
                      FRatioButtons->button(1),
                      FRatioButtons->button(2),
                      FRatioButtons->button(3),
                      FRatioButtons->button(4),
                      FLoadButton,
                      FQuitButton,
                      FGrepButton,
                      FEdit1,
                      FFlatBotton};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TMainWindow::CreateChart() {
  FChart = new QChart();
  FChart->setAnimationOptions(QChart::NoAnimation);
  FChart->setTitle(QStringLiteral("キーワードの出現分布"));
  FChart->setTitleFont(JapaneseFont(16, true));
  FChart->setTitleBrush(QBrush(Qt::blue));
  FChart->setBackgroundBrush(QBrush(Qt::white));
  FChart->setPlotAreaBackgroundVisible(false);  // the back wall is not filled
  FChart->legend()->setFont(JapaneseFont(12));
  FChart->legend()->setLabelColor(Qt::black);

  auto makeAxis = [this](const QString& title, Qt::Alignment alignment) {
    auto* axis = new QValueAxis();
    axis->setTitleText(title);
    axis->setTitleFont(JapaneseFont(16));
    axis->setTitleBrush(QBrush(Qt::black));
    axis->setLabelsFont(JapaneseFont(12));
    axis->setLabelsBrush(QBrush(Qt::black));
    axis->setLabelFormat(QStringLiteral("%g"));
    FChart->addAxis(axis, alignment);
    return axis;
  };
  FBottomAxis = makeAxis(QStringLiteral("行数"), Qt::AlignBottom);
  SetFixedRange(FBottomAxis, 25);
  FLeftAxis = makeAxis(QStringLiteral("単語の出現"), Qt::AlignLeft);
  SetFixedRange(FLeftAxis, 10);
  FRightAxis = makeAxis(QStringLiteral("スムージング後"), Qt::AlignRight);
  FRightAxis->setRange(0, 1);
  FRightAxis->setGridLineVisible(false);  // the grid belongs to the left axis

  // The point series: red squares with their value above, no line between
  // them. A line series with no pen and an image marker draws exactly that
  // as one item; Qt's scatter series makes a scene item per point, and
  // creating those grows quadratically, far too slow for files with many hits.
  FSeries1 = new QLineSeries();
  FSeries1->setName(QStringLiteral("Data"));
  FSeries1->setObjectName(QStringLiteral("Series1"));
  QPen noLine(Qt::red);
  noLine.setStyle(Qt::NoPen);
  FSeries1->setPen(noLine);
  QImage square(kMarkerSize, kMarkerSize, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::red);
  FSeries1->setLightMarker(square);
  FSeries1->setMarkerSize(kMarkerSize);
  FSeries1->setPointLabelsVisible(true);
  FSeries1->setPointLabelsFormat(QStringLiteral("@yPoint"));
  FSeries1->setPointLabelsFont(JapaneseFont(12));
  FSeries1->setPointLabelsColor(Qt::black);
  FChart->addSeries(FSeries1);
  FSeries1->attachAxis(FBottomAxis);
  FSeries1->attachAxis(FLeftAxis);

  FSeries2 = new QLineSeries();
  FSeries2->setName(QStringLiteral("Average"));
  FSeries2->setObjectName(QStringLiteral("Series2"));
  FSeries2->setColor(Qt::green);
  FSeries2->setPointsVisible(false);
  FSeries2->setPointLabelsVisible(false);
  FChart->addSeries(FSeries2);
  FSeries2->attachAxis(FBottomAxis);
  FSeries2->attachAxis(FRightAxis);

  FChartView = new QChartView(FChart, this);
  FChartView->setObjectName(QStringLiteral("Chart"));
  // The chart is no tab stop: neither the view nor its viewport takes focus.
  FChartView->setFocusPolicy(Qt::NoFocus);
  FChartView->viewport()->setFocusPolicy(Qt::NoFocus);
  FChartView->setRenderHint(QPainter::Antialiasing);
  FChartView->setGeometry(143, 0, kChartWidth, 365);
}

void TMainWindow::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  // The chart keeps its width against the right edge and the full height.
  FChartView->setGeometry(width() - kChartWidth, 0, kChartWidth, height());
}

void TMainWindow::SetHitLabelText(const QString& Text) {
  FHitLabel->setText(Text);
  // The label grows with its text from its left edge.
  FHitLabel->resize(std::max(8, FHitLabel->sizeHint().width()), FHitLabel->height());
}

void TMainWindow::Dispatch(void (TForm1::*Handler)()) {
  try {
    FForm->HandleEvent([&] { (FForm.get()->*Handler)(); });
    FlushSeries();
  } catch (...) {
    // Reporting itself failed (out of memory); nothing may reach Qt's loop.
  }
}

void TMainWindow::UpdatePlotLayout() {
  const qreal ratio = FChartView->devicePixelRatioF();
  qreal width = FChart->plotArea().width();
  if (width <= 0) width = FChartView->width();  // not laid out yet
  const int columns = std::max(1, static_cast<int>(std::ceil(width * ratio)));
  FSeries1Adapter->SetLayout(FBottomAxis->min(), FBottomAxis->max(), columns);
  FSeries2Adapter->SetLayout(FBottomAxis->min(), FBottomAxis->max(), columns);
  if (!FFlushQueued) {
    FFlushQueued = true;
    QTimer::singleShot(0, this, [this] {
      FFlushQueued = false;
      FlushSeries();
    });
  }
}

const std::vector<TPlotPoint>& TMainWindow::Series1Points() const {
  return FSeries1Adapter->Points();
}

const std::vector<TPlotPoint>& TMainWindow::Series2Points() const {
  return FSeries2Adapter->Points();
}

void TMainWindow::FlushSeries() {
  FSeries1Adapter->Flush();
  FSeries2Adapter->Flush();
}

}  // namespace tamsel
