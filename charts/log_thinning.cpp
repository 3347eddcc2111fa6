#include "charts/log_thinning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace segsim {

namespace {

constexpr int kFinestExponent = -40;  // bands no narrower than 2^-40 in ln x
constexpr std::int64_t kNoBand = std::numeric_limits<std::int64_t>::min();

// The band of x; a power-of-two width makes floor(ln x / 2w) = floor(floor(ln x / w) / 2), so
// every band of width 2w is the union of two bands of width w.
std::int64_t BandOf(double x, double width) {
  if (!(x > 0) || !std::isfinite(x)) return kNoBand;
  return static_cast<std::int64_t>(std::floor(std::log(x) / width));
}

// First, lowest, highest and last of a run of values (no NaN), in order, each point once.
void AppendExtremes(std::span<const ThinPoint> run, std::vector<ThinPoint>& out) {
  if (run.size() <= 2) {
    out.insert(out.end(), run.begin(), run.end());
    return;
  }
  std::size_t low = 0;
  std::size_t high = 0;
  for (std::size_t i = 1; i < run.size(); ++i) {
    if (run[i].y < run[low].y) low = i;
    if (run[i].y > run[high].y) high = i;
  }
  const std::array<std::size_t, 4> picks{0, std::min(low, high), std::max(low, high),
                                         run.size() - 1};
  std::size_t previous = run.size();  // none yet
  for (const std::size_t i : picks) {
    if (i != previous) out.push_back(run[i]);
    previous = i;
  }
}

// One band's points: the extremes before its first gap, its last NaN, the extremes after it.
void AppendBand(std::span<const ThinPoint> band, std::vector<ThinPoint>& out) {
  const auto isGap = [](const ThinPoint& p) { return std::isnan(p.y); };
  const auto firstGap = std::find_if(band.begin(), band.end(), isGap);
  if (firstGap == band.end()) {
    AppendExtremes(band, out);
    return;
  }
  const auto lastGap = std::find_if(band.rbegin(), band.rend(), isGap).base() - 1;
  AppendExtremes({band.begin(), firstGap}, out);
  out.push_back(*lastGap);
  AppendExtremes({lastGap + 1, band.end()}, out);
}

}  // namespace

double BandWidthFor(double lnSpan, double pixels) {
  if (!(pixels > 0)) return 0;
  const double finest = std::ldexp(1.0, kFinestExponent);
  const double perPixel = lnSpan / pixels;
  if (!(perPixel > finest)) return finest;
  if (!std::isfinite(perPixel)) return std::numeric_limits<double>::max();
  return std::ldexp(1.0, std::ilogb(perPixel));  // the largest power of two not above it
}

std::vector<ThinPoint> ReduceToBands(std::span<const ThinPoint> points, double width) {
  if (!(width > 0)) return {points.begin(), points.end()};
  std::vector<ThinPoint> out;
  out.reserve(std::min<std::size_t>(points.size(), 1024));
  std::size_t start = 0;
  std::int64_t band = points.empty() ? kNoBand : BandOf(points[0].x, width);
  for (std::size_t i = 1; i <= points.size(); ++i) {
    const std::int64_t next = i < points.size() ? BandOf(points[i].x, width) : band;
    if (i < points.size() && next == band) continue;
    AppendBand(points.subspan(start, i - start), out);
    start = i;
    band = next;
  }
  return out;
}

void LogThinnedSeries::Add(double x, double y) {
  const ThinPoint point{x, y, added_++};
  if (!(pixels_ > 0)) {
    kept_.push_back(point);
    return;
  }
  if (x > 0 && std::isfinite(x)) {
    const double lnX = std::log(x);
    lnMin_ = havePositive_ ? std::min(lnMin_, lnX) : lnX;
    lnMax_ = havePositive_ ? std::max(lnMax_, lnX) : lnX;
    havePositive_ = true;
  }
  const double width = havePositive_ ? BandWidthFor(lnMax_ - lnMin_, pixels_) : 0;
  kept_.push_back(point);
  if (width != width_) {
    // The span only grows, so the bands only widen: thin everything kept at the new width.
    width_ = width;
    kept_ = ReduceToBands(kept_, width_);
    tailBand_ = BandOf(kept_.back().x, width_);
    tailStart_ = kept_.size() - 1;
    while (tailStart_ > 0 && BandOf(kept_[tailStart_ - 1].x, width_) == tailBand_) --tailStart_;
    return;
  }
  const std::int64_t band = width_ > 0 ? BandOf(x, width_) : kNoBand;
  if (kept_.size() == 1 || band != tailBand_) {
    tailBand_ = band;
    tailStart_ = kept_.size() - 1;
    return;
  }
  // Thinned at once, so that Kept() is at every moment what thinning all points gives.
  if (kept_.size() - tailStart_ >= 2) ReduceTail();
}

void LogThinnedSeries::ReduceTail() {
  if (!(width_ > 0)) return;  // no positive x yet: the points the axis cannot place are kept
  const std::span<const ThinPoint> tail = std::span<const ThinPoint>(kept_).subspan(tailStart_);
  thinnedTail_.clear();
  AppendBand(tail, thinnedTail_);
  if (thinnedTail_.size() == tail.size()) return;
  kept_.resize(tailStart_);
  kept_.insert(kept_.end(), thinnedTail_.begin(), thinnedTail_.end());
}

void LogThinnedSeries::Clear() {
  kept_.clear();
  kept_.shrink_to_fit();
  added_ = 0;
  width_ = 0;
  lnMin_ = lnMax_ = 0;
  havePositive_ = false;
  tailStart_ = 0;
  tailBand_ = 0;
}

const ThinPoint* LogThinnedSeries::Find(std::uint64_t index) const {
  const auto at = std::lower_bound(kept_.begin(), kept_.end(), index,
                                   [](const ThinPoint& p, std::uint64_t i) { return p.index < i; });
  return at != kept_.end() && at->index == index ? &*at : nullptr;
}

}  // namespace segsim
