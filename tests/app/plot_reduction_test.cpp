// The reduction of a series to what the plot's pixel columns can show,
// against a plain per-column scan of every point: each column keeps its
// lowest and highest value (and a line its first and last point), the kept
// points are points of the series in their order, and their number is
// bounded by the plot width whatever the length of the series.
#include "app/plot_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>
#include <random>

namespace tamsel {
namespace {

using TKeep = TPlotReduction::TKeep;

}  // namespace

void PrintTo(const TPlotPoint& P, std::ostream* os) {
  *os << '(' << P.X << ", " << P.Y << ')';
}

namespace {

// The column a plot of Columns pixels over XMin .. XMax draws X in, -1 and
// Columns for left and right of the range.
int ColumnOf(double X, double XMin, double XMax, int Columns) {
  if (X < XMin) return -1;
  if (X > XMax) return Columns;
  const double scale = Columns / (XMax - XMin);
  return std::min(static_cast<int>((X - XMin) * scale), Columns - 1);
}

struct ColumnFacts {
  double min = INFINITY, max = -INFINITY;
  TPlotPoint first, last;
  bool used = false;
};

std::map<int, ColumnFacts> Scan(const std::vector<TPlotPoint>& Points, double XMin, double XMax,
                                int Columns) {
  std::map<int, ColumnFacts> columns;
  for (const TPlotPoint& p : Points) {
    ColumnFacts& c = columns[ColumnOf(p.X, XMin, XMax, Columns)];
    if (!c.used) c.first = p;
    c.used = true;
    c.last = p;
    c.min = std::min(c.min, p.Y);
    c.max = std::max(c.max, p.Y);
  }
  return columns;
}

// Checks a reduction of Points against the scan: the same extremes (and
// ends, for a line) in every column, no column of its own, the series order.
void ExpectFaithful(const std::vector<TPlotPoint>& Points, const std::vector<TPlotPoint>& Kept,
                    TKeep Keep, double XMin, double XMax, int Columns) {
  const std::map<int, ColumnFacts> all = Scan(Points, XMin, XMax, Columns);
  const std::map<int, ColumnFacts> drawn = Scan(Kept, XMin, XMax, Columns);
  ASSERT_EQ(drawn.size(), all.size());
  for (const auto& [column, facts] : all) {
    const ColumnFacts& d = drawn.at(column);
    EXPECT_EQ(d.min, facts.min) << "column " << column;
    EXPECT_EQ(d.max, facts.max) << "column " << column;
    if (Keep == TKeep::FirstMinMaxLast) {
      EXPECT_EQ(d.first, facts.first) << "column " << column;
      EXPECT_EQ(d.last, facts.last) << "column " << column;
    }
  }
  // Within a column the kept points come in the series' order.
  std::map<int, size_t> nextInColumn;
  for (const TPlotPoint& k : Kept) {
    const int column = ColumnOf(k.X, XMin, XMax, Columns);
    size_t& from = nextInColumn[column];
    while (from < Points.size() &&
           !(Points[from] == k && ColumnOf(Points[from].X, XMin, XMax, Columns) == column)) {
      ++from;
    }
    ASSERT_LT(from, Points.size()) << "a kept point out of order or not in the series";
    ++from;
  }
  const size_t perColumn = Keep == TKeep::MinMax ? 2 : 4;
  EXPECT_LE(Kept.size(), perColumn * (static_cast<size_t>(Columns) + 2));
}

TEST(PlotReductionTest, RandomSeriesKeepWhatEveryColumnShows) {
  std::mt19937 random(932);
  for (TKeep keep : {TKeep::MinMax, TKeep::FirstMinMaxLast}) {
    for (int round = 0; round < 40; ++round) {
      const int columns = 1 + static_cast<int>(random() % 50);
      const double xMin = static_cast<double>(random() % 20);
      const double xMax = xMin + 1 + static_cast<double>(random() % 300);
      std::uniform_real_distribution<double> x(xMin - 20, xMax + 20);
      std::uniform_int_distribution<int> y(-5, 5);
      std::vector<TPlotPoint> points;
      const int n = static_cast<int>(random() % 2000);
      // Half of the rounds in ascending order, like a curve; the others
      // scattered, like hits of searches run one inside another.
      for (int i = 0; i < n; ++i) points.push_back({x(random), static_cast<double>(y(random))});
      if (round % 2 == 0) {
        std::sort(points.begin(), points.end(), [](auto& a, auto& b) { return a.X < b.X; });
      }
      TPlotReduction reduction(keep);
      reduction.Reset(xMin, xMax, columns);
      // Point by point, or in pieces of any length, as a growing series
      // arrives between two flushes.
      if (round % 4 < 2) {
        for (const TPlotPoint& p : points) reduction.Add(p);
      } else {
        for (size_t at = 0; at < points.size();) {
          const size_t piece = std::min<size_t>(random() % 300, points.size() - at);
          reduction.Add(points.data() + at, piece);
          at += piece;
        }
      }
      SCOPED_TRACE(testing::Message() << "round " << round << " keep " << int(keep));
      ExpectFaithful(points, reduction.Points(), keep, xMin, xMax, columns);
    }
  }
}

TEST(PlotReductionTest, LongCurveWithOneSpikeAndOneDip) {
  // 200000 points over 400 columns: 500 a column, of which at most four
  // stay; the single spike and the single dip among them are kept.
  constexpr int kPoints = 200000, kColumns = 400;
  std::vector<TPlotPoint> points;
  points.reserve(kPoints);
  for (int i = 0; i < kPoints; ++i) points.push_back({double(i), 0.5 + 0.25 * std::sin(i * 5e-4)});
  points[123457].Y = 7;
  points[76543].Y = -3;
  TPlotReduction reduction(TKeep::FirstMinMaxLast);
  reduction.Reset(0, kPoints, kColumns);
  reduction.Add(points.data(), points.size());
  const std::vector<TPlotPoint> kept = reduction.Points();
  EXPECT_LE(kept.size(), 4u * kColumns);
  EXPECT_NE(std::find(kept.begin(), kept.end(), points[123457]), kept.end());
  EXPECT_NE(std::find(kept.begin(), kept.end(), points[76543]), kept.end());
  EXPECT_EQ(kept.front(), points.front());
  EXPECT_EQ(kept.back(), points.back());
  ExpectFaithful(points, kept, TKeep::FirstMinMaxLast, 0, kPoints, kColumns);
}

TEST(PlotReductionTest, IsolatedPointAndPointsOutsideTheRangeStay) {
  TPlotReduction reduction(TKeep::MinMax);
  reduction.Reset(0, 1000, 10);
  for (int i = 0; i < 100; ++i) reduction.Add({double(i), 1});  // all in column 0
  reduction.Add({555, 1});                                      // alone in column 5
  reduction.Add({-4, 2});
  reduction.Add({1e12, 3});
  reduction.Add({1000, 1});  // the right end belongs to the last column
  EXPECT_EQ(reduction.Points(),
            (std::vector<TPlotPoint>{{-4, 2}, {0, 1}, {555, 1}, {1000, 1}, {1e12, 3}}));
}

TEST(PlotReductionTest, ResetForgetsThePointsAndTakesTheNewLayout) {
  TPlotReduction reduction(TKeep::FirstMinMaxLast);
  reduction.Reset(0, 10, 1);
  for (int i = 0; i <= 10; ++i) reduction.Add({double(i), double(i % 3)});
  // Of equal lows and highs the first stays: (0, 0) and (2, 2).
  EXPECT_EQ(reduction.Points(), (std::vector<TPlotPoint>{{0, 0}, {2, 2}, {10, 1}}));
  reduction.Reset(0, 10, 20);
  EXPECT_TRUE(reduction.Points().empty());
  EXPECT_EQ(reduction.Columns(), 20);
  reduction.Add({3, 1});
  EXPECT_EQ(reduction.Points(), (std::vector<TPlotPoint>{{3, 1}}));
  // An empty range or no columns still map every point somewhere.
  reduction.Reset(5, 5, 0);
  reduction.Add({5, 1});
  reduction.Add({5.5, 2});
  EXPECT_EQ(reduction.Points(), (std::vector<TPlotPoint>{{5, 1}, {5.5, 2}}));
}

}  // namespace
}  // namespace tamsel
