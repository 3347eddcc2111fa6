// Thinning of a line over a logarithmic time axis: what one band keeps, that thinning as points
// arrive keeps exactly what thinning all of them at once would, and that a long run stays small.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <vector>

#include "charts/log_thinning.h"

namespace segsim {

void PrintTo(const ThinPoint& p, std::ostream* os) {
  *os << "#" << p.index << " (" << p.x << ", " << p.y << ")";
}

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// Equal also where both values are NaN (operator== never is).
bool Same(const ThinPoint& a, const ThinPoint& b) {
  const bool sameY = a.y == b.y || (std::isnan(a.y) && std::isnan(b.y));
  return a.index == b.index && a.x == b.x && sameY;
}

void ExpectSame(const std::vector<ThinPoint>& got, std::span<const ThinPoint> want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_TRUE(Same(got[i], want[i])) << "at " << i << ": " << testing::PrintToString(got[i])
                                       << " != " << testing::PrintToString(want[i]);
  }
}

std::vector<ThinPoint> Numbered(const std::vector<std::pair<double, double>>& xy) {
  std::vector<ThinPoint> points;
  for (const auto& [x, y] : xy) points.push_back({x, y, points.size()});
  return points;
}

std::vector<std::uint64_t> IndicesOf(const std::vector<ThinPoint>& points) {
  std::vector<std::uint64_t> indices;
  for (const ThinPoint& p : points) indices.push_back(p.index);
  return indices;
}

// A run's line: a level that settles, with noise, and from time to time a stretch without values.
class LineSource {
public:
  explicit LineSource(bool gaps) : gaps_(gaps) {}
  double Next(std::uint64_t t) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const double noise = static_cast<double>(state_ >> 11) / 9007199254740992.0 - 0.5;
    if (gaps_ && (t / 997) % 7 == 3 && t % 997 < 40 + t % 13) return kGap;
    return 60.0 - 40.0 / std::sqrt(static_cast<double>(t)) + noise;
  }

private:
  bool gaps_;
  std::uint64_t state_ = 12345;
};

TEST(BandWidthFor, IsThePowerOfTwoAtOrBelowTheSpanOfAPixel) {
  EXPECT_EQ(BandWidthFor(std::log(200000.0), 1024), std::ldexp(1.0, -7));
  EXPECT_EQ(BandWidthFor(8.0, 1024), std::ldexp(1.0, -7));  // exactly a power of two
  EXPECT_EQ(BandWidthFor(0.0, 1024), std::ldexp(1.0, -40));
  EXPECT_EQ(BandWidthFor(5.0, 0), 0.0);  // no pixels: no thinning
}

TEST(ReduceToBands, KeepsFirstLowestHighestAndLastOfABand) {
  // All between x = 100 and 100.5: one band at width 2^-4 in ln x (about 6 % of x).
  const auto points =
      Numbered({{100.0, 5}, {100.1, 1}, {100.2, 9}, {100.3, 3}, {100.4, 9}, {100.5, 4}});
  EXPECT_EQ(IndicesOf(ReduceToBands(points, 1.0 / 16)), (std::vector<std::uint64_t>{0, 1, 2, 5}));
  // The highest before the lowest keeps that order; equal values keep the earliest.
  const auto falling =
      Numbered({{100.0, 5}, {100.1, 9}, {100.2, 7}, {100.3, 1}, {100.4, 1}, {100.5, 4}});
  EXPECT_EQ(IndicesOf(ReduceToBands(falling, 1.0 / 16)), (std::vector<std::uint64_t>{0, 1, 3, 5}));
  // Width 0, or bands narrower than the steps: every point stays.
  EXPECT_EQ(ReduceToBands(points, 0).size(), points.size());
  EXPECT_EQ(ReduceToBands(points, std::ldexp(1.0, -20)).size(), points.size());
}

TEST(ReduceToBands, KeepsTheGapsOfABand) {
  const auto points = Numbered({{100.0, 1},
                                {100.1, 2},
                                {100.15, 0},
                                {100.2, kGap},
                                {100.3, 3},
                                {100.35, kGap},
                                {100.4, kGap},
                                {100.45, 4},
                                {100.5, 5}});
  // Before the first gap: first 1, highest 2, lowest and last 0; after the last gap: 4 and 5.
  // The value between the gaps drops out; the band's last NaN marks the gap.
  EXPECT_EQ(IndicesOf(ReduceToBands(points, 1.0 / 16)),
            (std::vector<std::uint64_t>{0, 1, 2, 6, 7, 8}));
  // A band that ends without values keeps its last NaN, so the line's last point stays.
  const auto ending = Numbered({{100.0, 1}, {100.1, 2}, {100.2, 3}, {100.3, kGap}, {100.4, kGap}});
  EXPECT_EQ(IndicesOf(ReduceToBands(ending, 1.0 / 16)), (std::vector<std::uint64_t>{0, 2, 4}));
}

TEST(ReduceToBands, KeepsPointsTheLogAxisCannotPlaceApart) {
  const auto points = Numbered({{0, 7}, {0, 8}, {0, 9}, {0, 6}, {1, 5}, {1, 4}});
  // x = 0 shares no band with x = 1; of the x = 0, the 8 is neither an end nor an extreme.
  EXPECT_EQ(IndicesOf(ReduceToBands(points, 1.0 / 16)),
            (std::vector<std::uint64_t>{0, 2, 3, 4, 5}));
}

// The property the drawing rests on: a line thinned as its points arrive holds exactly what
// thinning all its points at once holds, and thinning it again at any wider band width gives what
// thinning all points at that width gives; so it draws as all its points do.
TEST(LogThinnedSeries, HoldsWhatThinningAllPointsGives) {
  for (const bool gaps : {false, true}) {
    SCOPED_TRACE(gaps ? "with gaps" : "without gaps");
    LineSource source(gaps);
    LogThinnedSeries series;
    std::vector<ThinPoint> all;
    for (std::uint64_t t = 1; t <= 60000; ++t) {
      const double y = source.Next(t);
      series.Add(static_cast<double>(t), y);
      all.push_back({static_cast<double>(t), y, t - 1});
      if (t == 7 || t == 1000 || t == 60000) {
        SCOPED_TRACE(t);
        ExpectSame(ReduceToBands(all, series.BandWidth()), series.Kept());
      }
    }
    const std::vector<ThinPoint> kept(series.Kept().begin(), series.Kept().end());
    for (int wider = 1; wider <= 3; ++wider) {
      const double width = std::ldexp(series.BandWidth(), wider);
      ExpectSame(ReduceToBands(kept, width), ReduceToBands(all, width));
    }
  }
}

// The same holds for points in any order of x, repeated x and x the axis cannot place.
TEST(LogThinnedSeries, HoldsWhatThinningAllPointsGivesInAnyOrder) {
  LineSource source(true);
  LogThinnedSeries series;
  std::vector<ThinPoint> all;
  std::uint64_t state = 3;
  for (std::uint64_t i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::uint64_t r = state >> 33;
    const double x = r % 50 == 0 ? 0.0 : static_cast<double>(1 + (i + r % 300) % 5000);
    const double y = source.Next(i + 1);
    series.Add(x, y);
    all.push_back({x, y, i});
  }
  ExpectSame(ReduceToBands(all, series.BandWidth()), series.Kept());
  EXPECT_LT(series.Kept().size(), all.size());
}

TEST(LogThinnedSeries, ALongRunHoldsAFewThousandPointsAndItsLastPoint) {
  LineSource source(true);
  LogThinnedSeries series;
  double last = 0;
  for (std::uint64_t t = 1; t <= 200000; ++t) {
    last = t == 200000 ? 42.5 : source.Next(t);
    series.Add(static_cast<double>(t), last);
  }
  EXPECT_EQ(series.Count(), 200000u);
  EXPECT_LE(series.Kept().size(), 5000u);
  // The early steps, one to a band, are all kept; late ones are thinned.
  for (std::uint64_t k = 0; k < 100; ++k) ASSERT_NE(series.Find(k), nullptr) << k;
  ASSERT_NE(series.Find(199999), nullptr);
  EXPECT_EQ(series.Find(199999)->y, 42.5);
  EXPECT_EQ(series.Find(199999)->x, 200000.0);
  EXPECT_EQ(series.Find(200000), nullptr);
  int missing = 0;
  for (std::uint64_t k = 150000; k < 150100; ++k) missing += series.Find(k) == nullptr;
  EXPECT_GT(missing, 50);

  series.Clear();
  EXPECT_EQ(series.Count(), 0u);
  EXPECT_TRUE(series.Kept().empty());
  series.Add(1, 3);
  EXPECT_EQ(series.Find(0)->y, 3.0);
}

TEST(LogThinnedSeries, WithoutPixelsKeepsEveryPoint) {
  LogThinnedSeries series(0);
  for (int t = 1; t <= 5000; ++t) series.Add(t, t % 3);
  EXPECT_EQ(series.Kept().size(), 5000u);
  EXPECT_EQ(series.BandWidth(), 0.0);
}

}  // namespace
}  // namespace segsim
