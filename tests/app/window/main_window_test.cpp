// The real window on Qt's offscreen platform, with the real file grep:
// its start state, a whole load -> analyse -> smoothing round, the error
// boxes, the window staying live during a search, and a screenshot that
// proves the Japanese captions have a Japanese font.
#include "app/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest/QtTest>
#include <algorithm>
#include <cmath>
#include <functional>

#include "app/analysis.h"
#include "app/float_format.h"
#include "grep/grep.h"
#include "platform/cp932.h"
#include "regex/front/preprocessor.h"

using tamsel::TMainWindow;

namespace {

QByteArray Cp932(const char* utf8) {
  return QByteArray::fromStdString(tamsel::Utf8ToCp932(utf8));
}

// Calls Act on the next modal widget of type T as soon as it is shown (the
// window's handler is then blocked in the widget's own event loop). The
// watching timer belongs to Owner, so that a watcher left over by a test that
// saw no such widget dies with that test.
template <class T>
void WhenModal(QObject* Owner, std::function<void(T*)> Act) {
  auto* timer = new QTimer(Owner);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, Act] {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      Act(w);
    }
  });
  timer->start();
}

struct BoxSeen {
  bool shown = false;
  QString title;
  QString text;
};

// Closes the next message box with OK and records what it said.
void CloseNextMessageBox(QObject* Owner, BoxSeen& Seen) {
  WhenModal<QMessageBox>(Owner, [&Seen](QMessageBox* box) {
    Seen.shown = true;
    Seen.title = box->windowTitle();
    Seen.text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
}

QList<QPointF> Points(const QXYSeries* Series) {
  return Series->points();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TMainWindow> window;
  std::unique_ptr<QObject> watchers;  // the modal-widget watchers of one test
  QTemporaryDir dir;
  QString chosen;  // what the injected file chooser answers

  template <class T>
  T* Child(const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    return f.fileName();
  }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }
  using Keep = tamsel::TPlotReduction::TKeep;
  // What the chart should draw of Data over its present range and width.
  QList<QPointF> Reduced(const std::vector<tamsel::TPlotPoint>& Data, Keep How) {
    tamsel::TPlotReduction reduction(How);
    reduction.Reset(window->BottomAxis()->min(), window->BottomAxis()->max(),
                    int(std::ceil(window->Chart()->plotArea().width() *
                                  window->ChartView()->devicePixelRatioF())));
    for (const tamsel::TPlotPoint& p : Data) reduction.Add(p);
    QList<QPointF> points;
    for (const tamsel::TPlotPoint& p : reduction.Points()) points.append(QPointF(p.X, p.Y));
    return points;
  }
  void LoadFile(const QString& path) {
    chosen = path;
    Click("LoadButton");
  }

 private slots:
  void init() {
    QVERIFY(dir.isValid());
    watchers = std::make_unique<QObject>();
    window = std::make_unique<TMainWindow>();
    window->SetFileChooser([this](QWidget*) { return chosen; });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() {
    watchers.reset();
    window.reset();
  }

  void windowSettings() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Tamsel"));
    QCOMPARE(window->pos(), QPoint(192, 103));
    QCOMPARE(window->size(), QSize(628, 365));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(window->font().family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(window->font().pixelSize(), 12);
    QCOMPARE(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));
  }

  void controlsAtStart() {
    struct Expect {
      const char* name;
      QRect geometry;
      QString text;
      int pixelSize;
      bool enabled;
    };
    const Expect expected[] = {
        {"Label1", {16, 40, 64, 16}, QStringLiteral("検索単語"), 16, true},
        {"HitLabel", {32, 344, 8, 16}, QStringLiteral("0"), 16, true},
        {"Label3", {16, 320, 80, 16}, QStringLiteral("出現平均値"), 16, true},
        {"LoadButton", {8, 8, 105, 25}, QStringLiteral("ファイル読みこみ"), 12, true},
        {"QuitButton", {8, 136, 105, 25}, QStringLiteral("終了"), 12, true},
        {"GrepButton", {8, 96, 105, 25}, QStringLiteral("解析"), 12, false},
        {"Edit1", {8, 64, 121, 24}, QStringLiteral("日本語"), 16, true},
        {"FlatBotton", {8, 176, 105, 25}, QStringLiteral("スムージング解析"), 12, false},
        {"RatioRadioGroup", {16, 208, 97, 105}, QStringLiteral("回数"), 12, true},
    };
    for (const Expect& e : expected) {
      QWidget* w = Child<QWidget>(e.name);
      QCOMPARE(w->geometry(), e.geometry);
      QCOMPARE(w->font().family(), QStringLiteral("IPAPGothic"));
      QCOMPARE(w->font().pixelSize(), e.pixelSize);
      QCOMPARE(w->isEnabled(), e.enabled);
      QVERIFY(w->isVisible());
      QString text;
      if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
      if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
      if (auto* t = qobject_cast<QLineEdit*>(w)) text = t->text();
      if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
      QCOMPARE(text, e.text);
    }
    auto* chart = Child<QChartView>("Chart");
    QCOMPARE(chart->geometry(), QRect(143, 0, 485, 365));

    QButtonGroup* ratio = window->RatioButtons();
    const QStringList items = {"x 5.000", "x 10.00", "x 15.00", "x 20.00", "x 25.00"};
    QCOMPARE(ratio->buttons().size(), 5);
    for (int i = 0; i < 5; ++i) {
      QCOMPARE(ratio->button(i)->text(), items[i]);
      QCOMPARE(ratio->button(i)->parentWidget(), Child<QWidget>("RatioRadioGroup"));
    }
    QCOMPARE(ratio->checkedId(), 0);
    QVERIFY(ratio->exclusive());
  }

  void chartKeepsToTheRightEdge() {
    window->resize(800, 500);
    QTRY_COMPARE(Child<QChartView>("Chart")->geometry(), QRect(800 - 485, 0, 485, 500));
  }

  void tabOrder() {
    // The tab stops in focus-chain order, a radio button standing for its group.
    QList<QWidget*> stops;
    QWidget* w = window.get();
    do {
      QWidget* stop = w;
      if (qobject_cast<QRadioButton*>(w)) stop = w->parentWidget();
      if ((w->focusPolicy() & Qt::TabFocus) && !stops.contains(stop)) stops.append(stop);
      w = w->nextInFocusChain();
    } while (w != window.get());
    const QList<QWidget*> expected = {
        Child<QWidget>("RatioRadioGroup"), Child<QWidget>("LoadButton"),
        Child<QWidget>("QuitButton"),      Child<QWidget>("GrepButton"),
        Child<QWidget>("Edit1"),           Child<QWidget>("FlatBotton")};
    QCOMPARE(stops, expected);
    QCOMPARE(Child<QWidget>("Chart")->focusPolicy(), Qt::NoFocus);
  }

  void chartSettings() {
    QChart* chart = window->Chart();
    QCOMPARE(chart->title(), QStringLiteral("キーワードの出現分布"));
    QCOMPARE(chart->titleBrush().color(), QColor(Qt::blue));
    QVERIFY(chart->titleFont().bold());
    QCOMPARE(chart->titleFont().pixelSize(), 16);
    QCOMPARE(chart->titleFont().family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(chart->chartType(), QChart::ChartTypeCartesian);
    QCOMPARE(chart->legend()->font().pixelSize(), 12);

    struct AxisExpect {
      QValueAxis* axis;
      Qt::Alignment alignment;
      QString title;
    };
    const AxisExpect axes[] = {
        {window->BottomAxis(), Qt::AlignBottom, QStringLiteral("行数")},
        {window->LeftAxis(), Qt::AlignLeft, QStringLiteral("単語の出現")},
        {window->RightAxis(), Qt::AlignRight, QStringLiteral("スムージング後")}};
    for (const AxisExpect& a : axes) {
      QCOMPARE(a.axis->alignment(), a.alignment);
      QCOMPARE(a.axis->titleText(), a.title);
      QCOMPARE(a.axis->titleFont().pixelSize(), 16);
      QCOMPARE(a.axis->titleBrush().color(), QColor(Qt::black));
      QCOMPARE(a.axis->labelsFont().pixelSize(), 12);
      QCOMPARE(a.axis->labelsBrush().color(), QColor(Qt::black));
    }
    QCOMPARE(window->BottomAxis()->min(), 0.0);
    QCOMPARE(window->BottomAxis()->max(), 25.0);
    QCOMPARE(window->LeftAxis()->min(), 0.0);
    QCOMPARE(window->LeftAxis()->max(), 10.0);

    const QList<QAbstractSeries*> series = chart->series();
    QCOMPARE(series.size(), 2);
    QCOMPARE(series[0], static_cast<QAbstractSeries*>(window->Series1()));
    QCOMPARE(series[1], static_cast<QAbstractSeries*>(window->Series2()));

    QLineSeries* s1 = window->Series1();
    QCOMPARE(s1->name(), QStringLiteral("Data"));
    // Points only: red squares and no line between them.
    QCOMPARE(s1->pen().style(), Qt::NoPen);
    QCOMPARE(s1->color(), QColor(Qt::red));
    const QImage marker = s1->lightMarker();
    QVERIFY(!marker.isNull());
    QCOMPARE(marker.width(), marker.height());
    for (int y = 0; y < marker.height(); ++y) {
      for (int x = 0; x < marker.width(); ++x) QCOMPARE(marker.pixelColor(x, y), QColor(Qt::red));
    }
    QVERIFY(s1->pointLabelsVisible());
    QCOMPARE(s1->attachedAxes(), (QList<QAbstractAxis*>{window->BottomAxis(), window->LeftAxis()}));
    QCOMPARE(s1->count(), 0);

    QLineSeries* s2 = window->Series2();
    QCOMPARE(s2->name(), QStringLiteral("Average"));
    QCOMPARE(s2->color(), QColor(Qt::green));
    QVERIFY(!s2->pointsVisible());
    QVERIFY(!s2->pointLabelsVisible());
    QCOMPARE(s2->attachedAxes(),
             (QList<QAbstractAxis*>{window->BottomAxis(), window->RightAxis()}));
    QCOMPARE(s2->count(), 0);
  }

  void grepAtStart() {
    tamsel::TGrep& grep = window->Grep();
    QVERIFY(!grep.GetUseFuzzyCharDic());
    QVERIFY(!grep.GetUseSynonymDic());
    QVERIFY(grep.RegExp().empty());
    QVERIFY(!grep.Cancel);
    QVERIFY(static_cast<bool>(grep.OnMatch));
    const auto& fuzzy = grep.GetListOfFuzzyCharDic();
    QVERIFY(std::find(fuzzy.begin(), fuzzy.end(), &tamsel::RE_FuzzyCharDic()) != fuzzy.end());
  }

  void disabledCommandsDoNothingBeforeALoad() {
    Click("GrepButton");
    Click("FlatBotton");
    QCOMPARE(window->Series1()->count(), 0);
    QCOMPARE(window->Series2()->count(), 0);
    QCOMPARE(Child<QLabel>("HitLabel")->text(), QStringLiteral("0"));
  }

  void loadAnalyseSmoothRound() {
    const QString path = Write("five.txt", Cp932("一行目\r\n日本語の二行目\r\n三行目\r\n"
                                                 "日本語と日本語\r\n五行目\r\n"));
    LoadFile(path);
    QCOMPARE(window->BottomAxis()->max(), 5.0);
    QVERIFY(Child<QPushButton>("GrepButton")->isEnabled());
    QVERIFY(Child<QPushButton>("FlatBotton")->isEnabled());

    // The analyse button right after the load searches for the starting text.
    Click("GrepButton");
    QCOMPARE(window->Grep().RegExp(), tamsel::Utf8ToCp932("日本語"));
    QCOMPARE(Points(window->Series1()), (QList<QPointF>{{2, 1}, {4, 1}}));
    QCOMPARE(window->Form().HitCount(), int64_t{2});

    window->RatioButtons()->button(1)->click();  // 10 passes
    Click("FlatBotton");
    auto* hitLabel = Child<QLabel>("HitLabel");
    QCOMPARE(hitLabel->text(), QStringLiteral("0.4"));
    QVERIFY(hitLabel->width() >= hitLabel->sizeHint().width());

    // The curve is the analysis' smoothed counts 0, 0, 1, 0, 1 after 10 passes.
    std::vector<float> expected{0, 0, 1, 0, 1}, work(5, 0.0f);
    tamsel::SmoothingPasses(expected, work, 5, 10);
    const QList<QPointF> curve = Points(window->Series2());
    QCOMPARE(curve.size(), 5);
    double lo = 1e9, hi = -1e9;
    for (int i = 0; i < 5; ++i) {
      QCOMPARE(curve[i].x(), double(i));
      QCOMPARE(curve[i].y(), double(expected[i]));
      lo = std::min(lo, curve[i].y());
      hi = std::max(hi, curve[i].y());
    }
    QVERIFY(hi > 0);
    // The right axis follows the curve; the left one stays at 0 to 10.
    QVERIFY(window->RightAxis()->min() <= lo);
    QVERIFY(window->RightAxis()->max() >= hi);
    QVERIFY(window->RightAxis()->max() < 1);
    QCOMPARE(window->LeftAxis()->min(), 0.0);
    QCOMPARE(window->LeftAxis()->max(), 10.0);
    QCOMPARE(Points(window->Series1()).size(), 2);
  }

  void realFileDialogOffersTheOneTextFilter() {
    TMainWindow fresh;  // the default chooser runs a QFileDialog
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    const QString path = Write("three.txt", Cp932("a\nb\nc\n"));

    QStringList filters;
    WhenModal<QFileDialog>(watchers.get(), [&](QFileDialog* dialog) {
      filters = dialog->nameFilters();
      dialog->reject();
    });
    QTest::mouseClick(fresh.findChild<QPushButton*>("LoadButton"), Qt::LeftButton);
    QCOMPARE(filters, QStringList{TMainWindow::OpenDialogFilter()});
    QCOMPARE(TMainWindow::OpenDialogFilter(), QStringLiteral("テキストファイル (*.txt)"));
    // Cancelled: nothing changes.
    QVERIFY(!fresh.findChild<QPushButton*>("GrepButton")->isEnabled());
    QCOMPARE(fresh.BottomAxis()->max(), 25.0);

    WhenModal<QFileDialog>(watchers.get(), [&](QFileDialog* dialog) {
      QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // validates the selection like OK
    });
    QTest::mouseClick(fresh.findChild<QPushButton*>("LoadButton"), Qt::LeftButton);
    QCOMPARE(fresh.BottomAxis()->max(), 3.0);
    QVERIFY(fresh.findChild<QPushButton*>("GrepButton")->isEnabled());
  }

  void badPatternShowsTheParserMessage() {
    LoadFile(Write("five.txt", Cp932("x\n日本語\nx\n日本語\nx\n")));
    Click("GrepButton");
    QCOMPARE(window->Series1()->count(), 2);

    QString expected;
    try {
      tamsel::TGrep probe(nullptr);
      probe.SetRegExp(tamsel::Utf8ToCp932("(日本"));
    } catch (const tamsel::Exception& e) {
      expected = QString::fromStdString(tamsel::Cp932ToUtf8(e.Message()));
    }
    QVERIFY(!expected.isEmpty());

    Child<QLineEdit>("Edit1")->setText(QStringLiteral("(日本"));
    BoxSeen box;
    CloseNextMessageBox(watchers.get(), box);
    Click("GrepButton");
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("Tamsel"));
    QCOMPARE(box.text, expected);
    // The earlier points were cleared before the pattern failed; no search ran.
    QCOMPARE(window->Series1()->count(), 0);
    QCOMPARE(window->Form().HitCount(), int64_t{0});
    QVERIFY(window->isVisible());
  }

  void patternCodePage932CannotHoldIsAnError() {
    LoadFile(Write("five.txt", Cp932("x\n日本語\n")));
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("café"));
    BoxSeen box;
    CloseNextMessageBox(watchers.get(), box);
    Click("GrepButton");
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("Tamsel"));
    QVERIFY2(box.text.contains(QStringLiteral("文字コード932で表せない文字です")),
             qPrintable(box.text));
    QVERIFY(window->Grep().RegExp().empty());  // the pattern never reached the grep
  }

  void missingFileIsDroppedSilently() {
    const QString path = Write("gone.txt", Cp932("日本語\n"));
    LoadFile(path);
    QVERIFY(QFile::remove(path));
    BoxSeen box;
    CloseNextMessageBox(watchers.get(), box);
    Click("GrepButton");
    QTest::qWait(50);  // give a wrongly shown box the chance to appear
    QVERIFY(!box.shown);
    QCOMPARE(window->Series1()->count(), 0);
  }

  void failedLoadShowsAnErrorAndKeepsTheState() {
    LoadFile(Write("three.txt", Cp932("a\nb\nc\n")));
    BoxSeen box;
    CloseNextMessageBox(watchers.get(), box);
    LoadFile(dir.filePath("missing.txt"));
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("Tamsel"));
    QVERIFY(!box.text.isEmpty());
    QCOMPARE(window->BottomAxis()->max(), 3.0);
    QCOMPARE(window->Form().LineCount(), 3);
  }

  void smoothingAnEmptyFileShowsAnErrorAndChangesNothing() {
    LoadFile(Write("five.txt", Cp932("x\n日本語\nx\n日本語\nx\n")));
    Click("GrepButton");
    Click("FlatBotton");
    const std::vector<tamsel::TPlotPoint> curve = window->Series2Points();
    QCOMPARE(curve.size(), size_t{5});

    // The load narrows the axis to one line, which changes what is drawn of
    // the curve, but not the curve.
    LoadFile(Write("empty.txt", QByteArray()));
    QCoreApplication::processEvents();
    const QList<QPointF> drawn = Points(window->Series2());
    BoxSeen box;
    CloseNextMessageBox(watchers.get(), box);
    Click("FlatBotton");
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("Tamsel"));
    QCOMPARE(box.text, QStringLiteral("ファイルに行がないため、スムージング解析ができません。"));
    QVERIFY(window->Series2Points() == curve);
    QCOMPARE(Points(window->Series2()), drawn);
    QCOMPARE(Child<QLabel>("HitLabel")->text(), QStringLiteral("0.4"));
  }

  void windowStaysLiveDuringASearch() {
    // Long enough for the search to outlast the pause between two rounds of
    // events, in any build.
    constexpr int kLines = 50000;
    const QByteArray line = Cp932("日本語の行\n");
    QByteArray text;
    for (int i = 0; i < kLines; ++i) text += line;
    LoadFile(Write("long.txt", text));

    // A timer runs while the analyse handler is still searching.
    bool clickReturned = false;
    bool ranDuringClick = false;
    int64_t hitsSeen = -1;
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, this, [&] {
      if (clickReturned || ranDuringClick) return;
      if (window->Form().HitCount() > 0) {
        ranDuringClick = true;
        hitsSeen = window->Form().HitCount();
      }
    });
    probe.start();
    Click("GrepButton");
    clickReturned = true;
    probe.stop();
    QVERIFY(ranDuringClick);
    QVERIFY(hitsSeen > 0 && hitsSeen < kLines);
    QCOMPARE(window->Form().HitCount(), int64_t{kLines});
    QCOMPARE(window->Series1Points().size(), size_t{kLines});
  }

  // A file of many lines: the analysis keeps every count and every point
  // exactly, while the chart draws a few points per pixel column, among them
  // a lone hit and the extremes of the curve, and draws them anew when the
  // range of lines or the plot's width changes.
  void bigFileIsAnalysedExactlyAndDrawnToThePixels() {
    constexpr int kLines = 200000, kLoneHit = 150000;
    std::vector<int32_t> counts(kLines + 10, 0);
    std::vector<tamsel::TPlotPoint> hits;
    const QByteArray hit = Cp932("日本語の行\n"), miss = Cp932("ほかの行\n");
    QByteArray text;
    for (int no = 1; no <= kLines; ++no) {
      const bool isHit = (no >= 1000 && no < 60000 && no % 3 == 0) || no == kLoneHit;
      text += isHit ? hit : miss;
      if (isHit) {
        hits.push_back({double(no), 1});
        if (no < kLines) counts[no] = 1;
      }
    }
    LoadFile(Write("big.txt", text));
    Click("GrepButton");
    Click("FlatBotton");
    QCoreApplication::processEvents();  // the chart settles its layout

    // The analysis data is exact.
    const tamsel::TForm1& form = window->Form();
    QCOMPARE(form.HitCount(), int64_t(hits.size()));
    QVERIFY(std::equal(counts.begin(), counts.end(), form.LineHitCount().begin()));
    QVERIFY(window->Series1Points() == hits);
    std::vector<float> curve(counts.begin(), counts.end() - 10), work(kLines, 0.0f);
    tamsel::SmoothingPasses(curve, work, kLines, 5);
    QVERIFY(std::equal(curve.begin(), curve.end(), form.SmoothSeries().begin()));
    QCOMPARE(window->Series2Points().size(), size_t{kLines});
    for (int i = 0; i < kLines; i += 997) {
      QCOMPARE(window->Series2Points()[i], (tamsel::TPlotPoint{double(i), double(curve[i])}));
    }
    QCOMPARE(Child<QLabel>("HitLabel")->text(),
             QString::fromStdString(
                 tamsel::FloatToStrGeneral(static_cast<long double>(hits.size()) / kLines, 3, 3)));

    // What is drawn: a few points per pixel column, the lone hit, the peak
    // it leaves in the curve, and the curve's highest and lowest points.
    auto checkDrawn = [&](const char* when) {
      const int columns = int(std::ceil(window->Chart()->plotArea().width()));
      QVERIFY2(columns > 100, when);
      const QList<QPointF> points = Points(window->Series1());
      const QList<QPointF> line = Points(window->Series2());
      QVERIFY2(points.size() <= 2 * (columns + 2), when);
      QVERIFY2(line.size() <= 4 * (columns + 2), when);
      QVERIFY2(points.size() > 10 && line.size() > 10, when);
      QVERIFY2(points.contains(QPointF(kLoneHit, 1)), when);
      const auto top = std::max_element(curve.begin(), curve.end());
      const auto bottom = std::min_element(curve.begin(), curve.end());
      const auto peak =
          std::max_element(curve.begin() + kLoneHit - 20, curve.begin() + kLoneHit + 20);
      for (auto at : {top, bottom, peak}) {
        const QPointF p(double(at - curve.begin()), double(*at));
        QVERIFY2(line.contains(p),
                 qPrintable(QStringLiteral("%1: (%2, %3)").arg(when).arg(p.x()).arg(p.y())));
      }
      QVERIFY2(line.first() == QPointF(0, curve.front()), when);
      QVERIFY2(line.last() == QPointF(kLines - 1, curve.back()), when);
      // Exactly the reduction for the present range and width, not an old one.
      QCOMPARE(points, Reduced(window->Series1Points(), Keep::MinMax));
      QCOMPARE(line, Reduced(window->Series2Points(), Keep::FirstMinMaxLast));
    };
    checkDrawn("after smoothing");

    // A narrower plot: drawn again for its columns.
    const int before = int(std::ceil(window->Chart()->plotArea().width()));
    window->ChartView()->resize(window->ChartView()->width() - 150, window->ChartView()->height());
    QTRY_VERIFY(int(std::ceil(window->Chart()->plotArea().width())) < before - 100);
    QTRY_COMPARE(Points(window->Series2()),
                 Reduced(window->Series2Points(), Keep::FirstMinMaxLast));
    checkDrawn("after narrowing the plot");

    // A shorter file: the range of lines shrinks, the lone hit now lies
    // beyond it and still keeps its place among the points.
    const QByteArray half = text.left(text.lastIndexOf('\n', text.size() / 2) + 1);
    LoadFile(Write("shorter.txt", half));
    QVERIFY(window->Form().LineCount() < kLoneHit);
    QCOMPARE(window->BottomAxis()->max(), double(window->Form().LineCount()));
    QCoreApplication::processEvents();
    checkDrawn("after a shorter file");
    // A few lines more: a new range, most likely over the same plot area.
    const int shorter = window->Form().LineCount();
    LoadFile(Write("bit-longer.txt", half + miss.repeated(600)));
    QCOMPARE(window->Form().LineCount(), shorter + 600);
    QCoreApplication::processEvents();
    checkDrawn("after a slightly longer file");
    QVERIFY(window->Series1Points() == hits);
  }

  void quitFreesTheLinesAndClosesTheWindow() {
    LoadFile(Write("three.txt", Cp932("a\nb\nc\n")));
    Click("QuitButton");
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(window->Form().TextLines(), nullptr);
  }

  void screenshotShowsJapaneseFont() {
    LoadFile(Write("five.txt", Cp932("x\n日本語\nx\n日本語\nx\n")));
    Click("GrepButton");
    Click("FlatBotton");

    const QString file = QStringLiteral(TAMSEL_SCREENSHOT_DIR "/tamsel-window.png");
    const QPixmap shot = window->grab();
    QCOMPARE(shot.size(), window->size() * shot.devicePixelRatio());
    QVERIFY(shot.save(file, "PNG"));
    QVERIFY(QFileInfo(file).size() > 0);

    // Every Japanese caption resolves to IPA P Gothic, and the font itself
    // holds each of its characters: no empty boxes.
    struct Caption {
      QFont font;
      QString text;
    };
    const Caption captions[] = {
        {Child<QLabel>("Label1")->font(), Child<QLabel>("Label1")->text()},
        {Child<QLabel>("Label3")->font(), Child<QLabel>("Label3")->text()},
        {Child<QPushButton>("LoadButton")->font(), Child<QPushButton>("LoadButton")->text()},
        {Child<QPushButton>("FlatBotton")->font(), Child<QPushButton>("FlatBotton")->text()},
        {Child<QLineEdit>("Edit1")->font(), Child<QLineEdit>("Edit1")->text()},
        {Child<QGroupBox>("RatioRadioGroup")->font(), Child<QGroupBox>("RatioRadioGroup")->title()},
        {window->Chart()->titleFont(), window->Chart()->title()},
        {window->BottomAxis()->titleFont(), window->BottomAxis()->titleText()},
        {window->RightAxis()->titleFont(), window->RightAxis()->titleText()},
    };
    for (const Caption& c : captions) {
      const QString family = QFontInfo(c.font).family();
      QVERIFY2(family.contains(QStringLiteral("IPA")), qPrintable(family + " for " + c.text));
      const QRawFont raw = QRawFont::fromFont(c.font);
      for (QChar ch : c.text) {
        QVERIFY2(raw.supportsCharacter(ch), qPrintable(QString(ch) + " in " + c.text));
      }
    }
  }
};

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  tamsel::RE_FuzzyCharDic();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tamsel"));
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
