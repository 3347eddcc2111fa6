// Chart series without any drawing: the point series that the sweep fills, and the derived
// series whose points a computation (a SeriesFunction) produces from such a point series.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace segsim {

struct ChartPoint {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

class DerivedSeries;
class SeriesFunction;

// The read side shared by both kinds of series: an ordered list of points.
class ChartSeries {
public:
  std::size_t Count() const { return points_.size(); }
  double X(std::size_t i) const { return points_[i].x; }  // i < Count()
  double Y(std::size_t i) const { return points_[i].y; }  // i < Count()
  // Invalidated by any change of the series.
  std::span<const ChartPoint> Points() const { return points_; }

protected:
  ChartSeries() = default;
  ~ChartSeries() = default;

  std::vector<ChartPoint> points_;
};

// A series of (x, y) points kept in ascending order of x. It knows the series derived from it,
// so that emptying it empties them as well. Not copyable or movable: derived series point to it.
class PointSeries : public ChartSeries {
public:
  PointSeries() = default;
  ~PointSeries();  // the series derived from it are left without a source
  PointSeries(const PointSeries&) = delete;
  PointSeries& operator=(const PointSeries&) = delete;

  // Inserts after every point whose x is not greater than x, so equal x keep their order of
  // arrival. The derived series are not recomputed; their user calls Recalculate.
  void Add(double x, double y);
  // Empties this series and every series derived from it (without recomputing them).
  void Clear();

private:
  friend class DerivedSeries;
  std::vector<DerivedSeries*> derived_;  // registered by DerivedSeries::SetDataSource
};

// A computation that turns the points of a source into the points of a derived series. It knows
// the series it is attached to (at most one), so that a changed setting can recalculate it.
//
// Ownership: a function is either owned by someone else (for example a window member) and
// attached with DerivedSeries::SetFunction(SeriesFunction&), or handed over to the series with
// SetFunction(std::unique_ptr<SeriesFunction>). A function destroyed while attached detaches
// itself first, so a series never points to a dead function.
class SeriesFunction {
public:
  virtual ~SeriesFunction();
  SeriesFunction(const SeriesFunction&) = delete;
  SeriesFunction& operator=(const SeriesFunction&) = delete;

  // The series this function is attached to; may be nullptr.
  DerivedSeries* Series() const { return series_; }

  // Computes the derived points from the source's points (at least one), in the order in which
  // they are to be added. May throw SegsimError.
  virtual std::vector<ChartPoint> Calculate(std::span<const ChartPoint> source) = 0;

protected:
  SeriesFunction() = default;
  // Recalculates the attached series, if any; called when a setting changes.
  void RecalculateSeries();

private:
  friend class DerivedSeries;
  DerivedSeries* series_ = nullptr;  // may be nullptr
};

// A line series whose points are produced by its function from its DataSource. Its points are
// kept in the order the function produced them.
class DerivedSeries : public ChartSeries {
public:
  DerivedSeries() = default;
  explicit DerivedSeries(PointSeries* source) { SetDataSource(source); }
  ~DerivedSeries();  // destroys an owned function, detaches one owned elsewhere
  DerivedSeries(const DerivedSeries&) = delete;
  DerivedSeries& operator=(const DerivedSeries&) = delete;

  PointSeries* DataSource() const { return source_; }  // may be nullptr
  // Changes the source without recomputing; nullptr leaves the series without one.
  void SetDataSource(PointSeries* source);

  SeriesFunction* Function() const { return function_; }  // may be nullptr
  // Attaches a function owned elsewhere. If it already is this series' function nothing
  // happens. Otherwise a series that had it loses it (passing on its ownership if it owned it),
  // this series releases its previous function (destroying it if owned) and recalculates.
  // The function must outlive its attachment or be destroyed while attached (it then detaches).
  void SetFunction(SeriesFunction& function);
  // The same, the series taking ownership; nullptr just releases the present function.
  void SetFunction(std::unique_ptr<SeriesFunction> function);

  // Removes all points, then, when there is a function and the source holds points, adds the
  // points that the function computes from them. If the function throws, the series stays
  // empty and the error propagates.
  void Recalculate();
  // Removes all points without recomputing.
  void Clear() { points_.clear(); }

private:
  friend class PointSeries;
  friend class SeriesFunction;

  void Attach(SeriesFunction& function, std::unique_ptr<SeriesFunction> ownership);
  // Detaches the function and hands back its ownership if this series held it.
  std::unique_ptr<SeriesFunction> Detach();
  void ReleaseFunction();

  PointSeries* source_ = nullptr;          // may be nullptr
  SeriesFunction* function_ = nullptr;     // may be nullptr
  std::unique_ptr<SeriesFunction> owned_;  // set only when this series owns function_
};

}  // namespace segsim
