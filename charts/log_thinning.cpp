#include "charts/log_thinning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace segsim {

namespace {

constexpr int kFinestExponent = -40;  // bands no narrower than 2^-40 in ln x
// Points the last band may gather before it is thinned; it is thinned again when it closes.
constexpr std::size_t kTailLimit = 12;
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
  const std::array<std::size_t, 4> picks{0, std::min(low, high), std::max(low, high), run.size() - 1};
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
  if (width != width_) {
    // The span only grows, so the bands only widen: thin everything kept at the new width.
    width_ = width;
    kept_.push_back(point);
    kept_ = ReduceToBands(kept_, width_);
    tailStart_ = kept_.size() - 1;
    const std::int64_t band = BandOf(kept_.back().x, width_);
    while (tailStart_ > 0 && BandOf(kept_[tailStart_ - 1].x, width_) == band) --tailStart_;
    return;
  }
  if (kept_.empty() || BandOf(x, width_) != BandOf(kept_[tailStart_].x, width_)) {
    ReduceTail();  // the last band is closed: thin it for good
    kept_.push_back(point);
    tailStart_ = kept_.size() - 1;
    return;
  }
  kept_.push_back(point);
  if (kept_.size() - tailStart_ > kTailLimit) ReduceTail();
}

void LogThinnedSeries::ReduceTail() {
  if (tailStart_ >= kept_.size() || !(width_ > 0)) return;
  std::vector<ThinPoint> tail;
  AppendBand(std::span<const ThinPoint>(kept_).subspan(tailStart_), tail);
  kept_.resize(tailStart_);
  kept_.insert(kept_.end(), tail.begin(), tail.end());
}

void LogThinnedSeries::Clear() {
  kept_.clear();
  kept_.shrink_to_fit();
  added_ = 0;
  width_ = 0;
  lnMin_ = lnMax_ = 0;
  havePositive_ = false;
  tailStart_ = 0;
}

const ThinPoint* LogThinnedSeries::Find(std::uint64_t index) const {
  const auto at = std::lower_bound(kept_.begin(), kept_.end(), index,
                                   [](const ThinPoint& p, std::uint64_t i) { return p.index < i; });
  return at != kept_.end() && at->index == index ? &*at : nullptr;
}

}  // namespace segsim
