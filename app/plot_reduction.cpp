#include "app/plot_reduction.h"

#include <algorithm>

namespace tamsel {

void TPlotReduction::Reset(double XMin, double XMax, int Columns) {
  FColumns = std::max(Columns, 1);
  FXMin = XMin;
  // A range without span still needs columns to map onto.
  FXMax = XMax > XMin ? XMax : XMin + 1;
  FScale = FColumns / (FXMax - FXMin);
  FCount = 0;
  FColumnsKept.assign(static_cast<size_t>(FColumns) + 2, TColumn{});
}

inline size_t TPlotReduction::ColumnOf(double X) const {
  if (!(X >= FXMin)) return 0;  // NaN goes left too
  if (X > FXMax) return static_cast<size_t>(FColumns) + 1;
  // Not negative here, so the conversion rounds down; the right end of the
  // range belongs to the last column.
  const double at = (X - FXMin) * FScale;
  return (at < FColumns ? static_cast<size_t>(at) : static_cast<size_t>(FColumns) - 1) + 1;
}

inline void TPlotReduction::AddOne(TPlotPoint Point) {
  TColumn& column = FColumnsKept[ColumnOf(Point.X)];
  const TKept kept{Point, FCount++};
  if (!column.Used) {
    column = TColumn{true, kept, kept, kept, kept};
    return;
  }
  if (Point.Y < column.Min.Point.Y) column.Min = kept;
  if (Point.Y > column.Max.Point.Y) column.Max = kept;
  column.Last = kept;
}

void TPlotReduction::Add(TPlotPoint Point) {
  AddOne(Point);
}

// A series of millions of points arrives here; with the step inlined in the
// loop it costs a few nanoseconds a point instead of twenty.
void TPlotReduction::Add(const TPlotPoint* Points, size_t Count) {
  for (size_t i = 0; i < Count; ++i) AddOne(Points[i]);
}

std::vector<TPlotPoint> TPlotReduction::Points() const {
  std::vector<TPlotPoint> points;
  std::vector<TKept> kept;
  for (const TColumn& column : FColumnsKept) {
    if (!column.Used) continue;
    kept.clear();
    kept.push_back(column.Min);
    kept.push_back(column.Max);
    if (FKeep == TKeep::FirstMinMaxLast) {
      kept.push_back(column.First);
      kept.push_back(column.Last);
    }
    std::sort(kept.begin(), kept.end(), [](const TKept& a, const TKept& b) { return a.No < b.No; });
    for (size_t i = 0; i < kept.size(); ++i) {
      if (i == 0 || kept[i].No != kept[i - 1].No) points.push_back(kept[i].Point);
    }
  }
  return points;
}

}  // namespace tamsel
