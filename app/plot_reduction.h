// TPlotReduction: what of a long series a plot can show. A chart a few
// hundred pixels wide cannot show more than a few points per pixel column, so
// for each column of the plot only the points that decide its pixels are
// kept: the lowest and the highest (for points drawn as markers), and also
// the first and the last (for a line, whose segments enter and leave the
// column there). Nothing that would be visible is dropped: an isolated point
// has a column of its own, and every column keeps its extremes.
//
// Points arrive one at a time, so a series that grows while it is drawn is
// reduced in time proportional to its new points; a new axis range or plot
// width starts the reduction over. Points left or right of the range share
// one column on each side, so that a line leaving the plot still does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamsel {

struct TPlotPoint {
  double X = 0;
  double Y = 0;
  bool operator==(const TPlotPoint&) const = default;
};

class TPlotReduction {
 public:
  enum class TKeep {
    MinMax,           // markers: the lowest and highest point of a column
    FirstMinMaxLast,  // a line: also where it enters and leaves the column
  };

  explicit TPlotReduction(TKeep Keep) : FKeep(Keep) {}

  // Forgets every point and lays Columns pixel columns over XMin .. XMax.
  void Reset(double XMin, double XMax, int Columns);
  // Adds the next point of the series, or the next Count points.
  void Add(TPlotPoint Point);
  void Add(const TPlotPoint* Points, size_t Count);
  // The points kept, column by column from the left, in their series order
  // within a column. At most 2 or 4 per column, plus the two outside columns.
  std::vector<TPlotPoint> Points() const;

  int Columns() const { return FColumns; }

 private:
  struct TKept {
    TPlotPoint Point;
    uint64_t No = 0;  // the point's place in the series
  };
  struct TColumn {
    bool Used = false;
    TKept First, Min, Max, Last;
  };

  // 0 for left of the range, 1 .. FColumns inside, FColumns + 1 right of it.
  size_t ColumnOf(double X) const;
  void AddOne(TPlotPoint Point);

  TKeep FKeep;
  double FXMin = 0;
  double FXMax = 1;
  double FScale = 1;  // columns per unit of X
  int FColumns = 1;
  uint64_t FCount = 0;
  std::vector<TColumn> FColumnsKept = std::vector<TColumn>(3);
};

}  // namespace tamsel
