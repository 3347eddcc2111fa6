// Thinning of a line over a logarithmic time axis. Steps far apart in time share a pixel there,
// so a long run needs only the points that can change what is drawn: per band of log time (a
// band is narrower than a pixel), the first, lowest, highest and last point, with the gaps that
// NaN values make. Bands are powers of two wide in ln x, so a coarser band is always a union of
// finer ones and thinning at a finer band width loses nothing that a coarser one would draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace segsim {

// A kept point and its position among all the points added (from 0).
struct ThinPoint {
  double x = 0.0;
  double y = 0.0;  // NaN for no value: a gap in the line
  std::uint64_t index = 0;
  friend bool operator==(const ThinPoint&, const ThinPoint&) = default;
};

// The widest plot, in pixels, that a thinned line is drawn unchanged at.
inline constexpr double kThinningPixels = 1024;

// The band width, in ln x, for a line spanning lnSpan drawn across `pixels`: the largest power of
// two not above lnSpan / pixels (at least 2^-40). 0 (no thinning) when pixels is not above 0.
double BandWidthFor(double lnSpan, double pixels);

// The points, in order, that a line drawn with bands of `width` in ln x needs. Runs of points in
// the same band are cut down to: of the values before the run's first NaN, the first, the lowest,
// the highest and the last; the run's last NaN; and the same four of the values after it (the
// values between two NaN in one band draw nothing wider than the band). Ties keep the earliest
// point. Points whose x is not above 0 or not finite share one band of their own. A width of 0
// keeps every point. Thinning a thinned list again at the same or a wider width gives the same
// result as thinning the whole list at that width.
std::vector<ThinPoint> ReduceToBands(std::span<const ThinPoint> points, double width);

// A line that keeps only what ReduceToBands(all points, BandWidth()) keeps, where the band width
// follows the line's span in ln x (positive x only), so that the line holds at most about
// 4 x 2 x pixels points however many are added; a long run holds a few thousand.
class LogThinnedSeries {
public:
  // pixels: the widest plot the line is to be drawn unchanged at; 0 keeps every point.
  explicit LogThinnedSeries(double pixels = kThinningPixels) : pixels_(pixels) {}

  void Add(double x, double y);
  void Clear();

  // Points added since the last Clear.
  std::uint64_t Count() const { return added_; }
  // The kept points in the order added; the last point added is always among them.
  // Invalidated by Add and Clear.
  std::span<const ThinPoint> Kept() const { return kept_; }
  // Point `index` (from 0) when it is kept; nullptr when it was thinned away or index >= Count().
  const ThinPoint* Find(std::uint64_t index) const;
  // The present band width in ln x; 0 before the first positive x, and always when pixels is 0.
  double BandWidth() const { return width_; }

private:
  void ReduceTail();

  std::vector<ThinPoint> kept_;
  std::uint64_t added_ = 0;
  double pixels_;
  double width_ = 0;
  double lnMin_ = 0;  // of the positive x added; valid when havePositive_
  double lnMax_ = 0;
  bool havePositive_ = false;
  std::size_t tailStart_ = 0;           // first kept point of the last band
  std::int64_t tailBand_ = 0;           // that band
  std::vector<ThinPoint> thinnedTail_;  // scratch
};

}  // namespace segsim
