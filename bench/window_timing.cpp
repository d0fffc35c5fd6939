// Times the real window on a big file, on Qt's offscreen platform: a load, an
// analysis and a smoothing through its buttons (each followed by the repaint
// it causes), one more full repaint of the window, and the longest stretch
// during the analysis in which the window handled no event.
//
// Usage: tamsel_window_timing FILE [PATTERN] [PASS ITEM 0-4]
//   PATTERN is UTF-8 (default ディレクトリ); the item chooses 5 .. 25 passes.
#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QtCharts/QLineSeries>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/analysis.h"
#include "app/main_window.h"
#include "regex/front/preprocessor.h"

namespace {

// Clicks a button of the window and returns the seconds until the click and
// the repaint it caused are done.
double TimeClick(tamsel::TMainWindow& Window, const char* Name) {
  auto* button = Window.findChild<QPushButton*>(QString::fromLatin1(Name));
  if (!button) {
    std::fprintf(stderr, "no button %s\n", Name);
    std::exit(2);
  }
  QElapsedTimer clock;
  clock.start();
  button->click();
  QCoreApplication::processEvents();
  return clock.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [PATTERN] [PASS ITEM 0-4]\n", argv[0]);
    return 2;
  }
  tamsel::RE_FuzzyCharDic();
  QApplication app(argc, argv);
  const QString path = QFile::decodeName(argv[1]);
  const QString pattern = argc > 2 ? QString::fromUtf8(argv[2]) : QStringLiteral("ディレクトリ");
  const int item = argc > 3 ? std::atoi(argv[3]) : 0;

  tamsel::TMainWindow window;
  window.SetFileChooser([path](QWidget*) { return path; });
  window.show();
  QCoreApplication::processEvents();
  window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(pattern);
  if (auto* radio = window.RatioButtons()->button(item)) radio->setChecked(true);

  const double load = TimeClick(window, "LoadButton");

  // A timer that should fire every 10 ms: the longest gap between its ticks
  // while the analysis runs is how long the window stayed deaf.
  QElapsedTimer gapClock;
  qint64 lastTick = -1, longestGap = 0;
  int ticks = 0;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = gapClock.elapsed();
    if (lastTick >= 0) longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
    ++ticks;
  });
  gapClock.start();
  probe.start();
  const double analyse = TimeClick(window, "GrepButton");
  probe.stop();

  const double smooth = TimeClick(window, "FlatBotton");

  QElapsedTimer clock;
  clock.start();
  const QPixmap shot = window.grab();
  const double repaint = clock.nsecsElapsed() / 1e9;

  const tamsel::TForm1& form = window.Form();
  const QFile file(path);
  std::printf("file            %s\n", argv[1]);
  std::printf("bytes           %lld\n", static_cast<long long>(file.size()));
  std::printf("lines           %d\n", form.LineCount());
  std::printf("pattern         %s\n", pattern.toUtf8().constData());
  std::printf("hits            %lld\n", static_cast<long long>(form.HitCount()));
  std::printf("passes          %d\n", item * 5 + 5);
  std::printf("load s          %.3f\n", load);
  std::printf("analyse s       %.3f\n", analyse);
  std::printf("events during   %d ticks, longest gap %lld ms\n", ticks,
              static_cast<long long>(longestGap));
  std::printf("smooth s        %.3f\n", smooth);
  std::printf("repaint s       %.3f (%dx%d)\n", repaint, shot.width(), shot.height());
  std::printf("drawn Data      %lld\n", static_cast<long long>(window.Series1()->count()));
  std::printf("drawn Average   %lld\n", static_cast<long long>(window.Series2()->count()));
  return 0;
}
