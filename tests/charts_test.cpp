// Derived chart series: block average, linear trend, polynomial fit, and how derived series
// follow their source and their attached function.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "charts/block_average.h"
#include "charts/data_table.h"
#include "charts/polyfit.h"
#include "charts/series.h"
#include "charts/trend.h"
#include "charts/value_format.h"
#include "model/error.h"

namespace segsim {

void PrintTo(const ChartPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

using Points = std::vector<ChartPoint>;

void Fill(PointSeries& series, const Points& points) {
  for (const ChartPoint& p : points) series.Add(p.x, p.y);
}

Points PointsOf(const ChartSeries& series) {
  return {series.Points().begin(), series.Points().end()};
}

template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const SegsimError& e) {
    return e.what();
  }
  return "";
}

// Copies the source and records its own destruction.
class ProbeFunction : public SeriesFunction {
public:
  explicit ProbeFunction(bool* destroyed = nullptr) : destroyed_(destroyed) {}
  ~ProbeFunction() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }
  Points Calculate(std::span<const ChartPoint> source) override {
    return {source.begin(), source.end()};
  }

private:
  bool* destroyed_;
};

TEST(PointSeries, KeepsAscendingXWithEqualXInArrivalOrder) {
  PointSeries series;
  Fill(series, {{3, 1}, {1, 2}, {3, 3}, {2, 4}, {1, 5}});
  EXPECT_EQ(PointsOf(series), (Points{{1, 2}, {1, 5}, {2, 4}, {3, 1}, {3, 3}}));
}

struct FunctionCase {
  const char* name;
  double period;  // BlockAverage only
  Points source;
  Points expected;
};
void PrintTo(const FunctionCase& c, std::ostream* os) { *os << c.name; }

class BlockAverageCases : public testing::TestWithParam<FunctionCase> {};

TEST_P(BlockAverageCases, ProducesBlockMeans) {
  PointSeries source;
  Fill(source, GetParam().source);
  BlockAverage average;
  average.SetPeriod(GetParam().period);
  EXPECT_EQ(average.Calculate(source.Points()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Charts, BlockAverageCases,
    testing::Values(
        FunctionCase{"RemainderFormsNoBlock",
                     3,
                     {{2, 1}, {2, 2}, {2, 3}, {3, 4}, {3, 5}, {3, 6}, {4, 7}},
                     {{2, 2}, {3, 5}}},
        FunctionCase{"PeriodZeroIsWholeRange", 0, {{2, 1}, {3, 2}, {4, 6}}, {{2, 3}, {4, 3}}},
        FunctionCase{"CentreOfFirstAndLastX", 3, {{1, 0}, {2, 0}, {7, 3}}, {{4, 1}}},
        FunctionCase{"BlocksMixValues", 2, {{1, 1}, {1, 3}, {1, 5}, {2, 7}}, {{1, 2}, {1.5, 6}}},
        FunctionCase{"HalfPeriodRoundsToEven", 2.5, {{1, 1}, {2, 3}, {3, 5}}, {{1.5, 2}}},
        FunctionCase{"OddHalfRoundsUp", 1.5, {{1, 1}, {2, 3}, {3, 5}}, {{1.5, 2}}},
        FunctionCase{"PeriodBeyondSourceGivesNothing", 4, {{1, 1}, {2, 3}, {3, 5}}, {}},
        FunctionCase{
            "PeriodRoundingToZeroIsWholeRange", 0.4, {{1, 1}, {2, 3}, {3, 8}}, {{1, 4}, {3, 4}}}),
    [](const auto& row) { return std::string(row.param.name); });

class LinearTrendCases : public testing::TestWithParam<FunctionCase> {};

TEST_P(LinearTrendCases, ProducesLineEnds) {
  PointSeries source;
  Fill(source, GetParam().source);
  LinearTrend trend;
  EXPECT_EQ(trend.Calculate(source.Points()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Charts, LinearTrendCases,
    testing::Values(FunctionCase{"OnePointGivesNothing", 0, {{2, 1}}, {}},
                    FunctionCase{"EqualXGivesIdentityLine", 0, {{2, 1}, {2, 5}}, {{2, 2}, {2, 2}}},
                    FunctionCase{"ExactLine", 0, {{1, 1}, {2, 3}, {3, 5}}, {{1, 1}, {3, 5}}},
                    FunctionCase{
                        "LeastSquares", 0, {{0, 1}, {2, 1}, {2, 4}, {4, 4}}, {{0, 1}, {4, 4}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PolynomialFit, ReproducesExactParabola) {
  PointSeries source;
  Fill(source, {{2, 4}, {3, 9}, {4, 16}});
  PolynomialFit fit(3);
  const Points fitted = fit.Calculate(source.Points());
  ASSERT_EQ(fit.Coefficients().size(), 3u);
  EXPECT_NEAR(static_cast<double>(fit.Coefficients()[0]), 0, 1e-15);
  EXPECT_NEAR(static_cast<double>(fit.Coefficients()[1]), 4, 1e-15);
  EXPECT_NEAR(static_cast<double>(fit.Coefficients()[2]), 1, 1e-15);
  EXPECT_EQ(fit.XMin(), 2);
  EXPECT_EQ(fit.YMin(), 4);
  ASSERT_EQ(fitted.size(), 3u);
  for (std::size_t i = 0; i < fitted.size(); ++i) {
    EXPECT_EQ(fitted[i].x, source.X(i));
    EXPECT_NEAR(fitted[i].y, source.Y(i), 1e-12);
  }
}

TEST(PolynomialFit, DegreeCountsCoefficientsAndRepeatedXGiveEqualPoints) {
  PointSeries source;  // a cubic away from the origin, each x twice
  for (double x : {10.0, 11.0, 12.0, 13.0, 14.0}) {
    const double u = x - 12;
    for (int run = 0; run < 2; ++run) source.Add(x, 50 + u * u * u - 2 * u);
  }
  PolynomialFit cubic(4);
  const Points fitted = cubic.Calculate(source.Points());
  ASSERT_EQ(fitted.size(), source.Count());
  for (std::size_t i = 0; i < fitted.size(); ++i) EXPECT_NEAR(fitted[i].y, source.Y(i), 1e-9);

  PolynomialFit constant(1);  // one coefficient: the mean
  for (const ChartPoint& p : constant.Calculate(source.Points())) EXPECT_NEAR(p.y, 50, 1e-12);
}

TEST(PolynomialFit, TooFewPointsGiveNothingAndTooFewDistinctXFail) {
  PointSeries source;
  Fill(source, {{2, 1}, {3, 2}});
  PolynomialFit fit(3);
  EXPECT_TRUE(fit.Calculate(source.Points()).empty());

  source.Clear();
  Fill(source, {{2, 1}, {2, 2}, {2, 3}, {3, 4}, {3, 5}, {3, 6}});
  DerivedSeries fitted(&source);
  fitted.SetFunction(std::make_unique<ProbeFunction>());
  ASSERT_EQ(fitted.Count(), 6u);
  EXPECT_EQ(ErrorOf([&] { fitted.SetFunction(fit); }), msg::kCannotFit);
  EXPECT_EQ(fitted.Count(), 0u);
  EXPECT_EQ(fitted.Function(), &fit);
}

struct SolveCase {
  const char* name;
  FitMatrix a;
  FitVector r;
  int t;
  FitVector expected;
  Extended determinant;
};
const Extended kTenToMinus14 = Extended(1) / 100000000000000LL;
void PrintTo(const SolveCase& c, std::ostream* os) { *os << c.name; }

class EliminationCases : public testing::TestWithParam<SolveCase> {};

TEST_P(EliminationCases, SolvesWithStatedPivoting) {
  const SolveCase& c = GetParam();
  const FitSolution s = SolveByElimination(c.a, c.r, c.t);
  EXPECT_EQ(s.determinant, c.determinant);
  for (int j = 0; j < c.t; ++j) EXPECT_EQ(s.c[j], c.expected[j]) << "c[" << j << "]";
}

// The tie |1| = |-1| keeps the upper row, giving c[0] = 1 exactly; taking the lower row would
// give 41 * (1 / 41), which is not 1 in extended precision.
INSTANTIATE_TEST_SUITE_P(
    Charts, EliminationCases,
    testing::Values(
        SolveCase{"TieKeepsUpperRow", {{{1, 0}, {-1, 41}}}, {1, 0}, 2, {1, Extended(1) / 41}, 41},
        SolveCase{"ExchangeNegatesDeterminant", {{{1, 2}, {2, 2}}}, {3, 4}, 2, {1, 1}, -2},
        SolveCase{
            "PivotAboveThreshold", {{{kTenToMinus14}}}, {kTenToMinus14}, 1, {1}, kTenToMinus14},
        SolveCase{"PivotBelowThresholdIsSingular",
                  {{{Extended(1) / 10000000000000000LL}}},
                  {1},
                  1,
                  {0},
                  0},
        SolveCase{"ZeroAfterEliminationIsSingular", {{{1, 2}, {2, 4}}}, {1, 2}, 2, {0, 0}, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Settings, RejectedValuesKeepTheOldOneWithTheirMessage) {
  BlockAverage average;
  EXPECT_EQ(average.Period(), 0);
  EXPECT_EQ(ErrorOf([&] { average.SetPeriod(-1); }), msg::kPeriodNegative);
  EXPECT_EQ(average.Period(), 0);

  EXPECT_EQ(PolynomialFit().PolyDegree(), 5);
  EXPECT_EQ(ErrorOf([] { [[maybe_unused]] PolynomialFit tooLarge(21); }), msg::kPolyDegreeRange);
  PolynomialFit fit;
  for (int degree : {0, 21, -3}) {
    EXPECT_EQ(ErrorOf([&] { fit.SetPolyDegree(degree); }), msg::kPolyDegreeRange) << degree;
    EXPECT_EQ(fit.PolyDegree(), 5);
  }
  fit.SetPolyDegree(20);
  EXPECT_EQ(fit.PolyDegree(), 20);
}

TEST(Settings, OnlyAChangedValueRecalculatesTheAttachedSeries) {
  PointSeries source;
  Fill(source, {{1, 1}, {2, 2}, {3, 3}, {4, 4}});
  BlockAverage average;
  PolynomialFit fit(2);
  DerivedSeries averaged(&source);
  DerivedSeries fitted(&source);
  averaged.SetFunction(average);
  fitted.SetFunction(fit);
  source.Add(5, 5);  // not seen until a recalculation
  average.SetPeriod(0);
  fit.SetPolyDegree(2);
  EXPECT_EQ(averaged.Count(), 2u);
  EXPECT_EQ(averaged.X(1), 4);
  EXPECT_EQ(fitted.Count(), 4u);

  average.SetPeriod(2);
  fit.SetPolyDegree(3);
  EXPECT_EQ(PointsOf(averaged), (Points{{1.5, 1.5}, {3.5, 3.5}}));
  EXPECT_EQ(fitted.Count(), 5u);
}

TEST(DerivedSeries, EmptyingTheSourceEmptiesEveryDerivedSeries) {
  PointSeries source;
  Fill(source, {{1, 1}, {2, 3}, {3, 5}});
  DerivedSeries averaged(&source);
  DerivedSeries trend(&source);
  DerivedSeries fitted(&source);
  averaged.SetFunction(std::make_unique<BlockAverage>());
  trend.SetFunction(std::make_unique<LinearTrend>());
  fitted.SetFunction(std::make_unique<PolynomialFit>(2));
  for (const DerivedSeries* s : {&averaged, &trend, &fitted}) ASSERT_GT(s->Count(), 0u);

  {
    DerivedSeries gone(&source);  // unregisters itself when destroyed
  }
  source.Clear();
  source.Add(4, 4);
  for (const DerivedSeries* s : {&averaged, &trend, &fitted}) EXPECT_EQ(s->Count(), 0u);
}

TEST(DerivedSeries, AttachingMovesAFunctionAndReleasesThePrevious) {
  PointSeries source;
  Fill(source, {{1, 1}, {2, 4}});
  bool ownedDestroyed = false;
  bool movedDestroyed = false;
  auto first = std::make_unique<DerivedSeries>(&source);
  DerivedSeries second(&source);
  first->SetFunction(std::make_unique<ProbeFunction>(&movedDestroyed));
  SeriesFunction* moved = first->Function();
  second.SetFunction(std::make_unique<ProbeFunction>(&ownedDestroyed));

  second.SetFunction(*moved);  // second's own function is released, first loses its one
  EXPECT_TRUE(ownedDestroyed);
  EXPECT_EQ(first->Function(), nullptr);
  EXPECT_EQ(first->Count(), 2u);  // kept, not recomputed
  EXPECT_EQ(moved->Series(), &second);
  first.reset();
  EXPECT_FALSE(movedDestroyed);  // its ownership went with it

  source.Add(3, 9);
  second.SetFunction(*moved);  // already attached: nothing happens
  EXPECT_EQ(second.Count(), 2u);
  second.SetFunction(nullptr);
  EXPECT_TRUE(movedDestroyed);
}

TEST(DerivedSeries, AFunctionOwnedElsewhereOutlivesOrDetachesFromItsSeries) {
  PointSeries source;
  Fill(source, {{1, 1}, {2, 4}, {3, 9}});
  auto fit = std::make_unique<PolynomialFit>(3);
  {
    DerivedSeries fitted(&source);
    fitted.SetFunction(*fit);
    EXPECT_EQ(fitted.Count(), 3u);
  }
  EXPECT_EQ(fit->Series(), nullptr);
  fit->SetPolyDegree(2);  // nothing attached: just stored

  DerivedSeries fitted(&source);
  fitted.SetFunction(*fit);
  fit.reset();
  EXPECT_EQ(fitted.Function(), nullptr);
  fitted.Recalculate();
  EXPECT_EQ(fitted.Count(), 0u);
}

struct MarkCase {
  const char* name;
  double value;
  const char* text;
};
void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

class ValueMarkCases : public testing::TestWithParam<MarkCase> {};

TEST_P(ValueMarkCases, FormatsWithThousandsAndOneDecimal) {
  EXPECT_EQ(FormatValueMark(GetParam().value), GetParam().text);
}

// The format "#,##0.#"; halves of the written value go away from zero.
INSTANTIATE_TEST_SUITE_P(Charts, ValueMarkCases,
                         testing::Values(MarkCase{"Whole", 2, "2"}, MarkCase{"Zero", 0, "0"},
                                         MarkCase{"LeadingZero", 0.25, "0.3"},
                                         MarkCase{"WrittenHalfRoundsUp", 0.35, "0.4"},
                                         MarkCase{"Third", 2.0 / 3.0, "0.7"},
                                         MarkCase{"BelowAHalfTenth", 0.04, "0"},
                                         MarkCase{"CarryIntoThousands", 999.96, "1,000"},
                                         MarkCase{"Grouped", 1234567.89, "1,234,567.9"},
                                         MarkCase{"Negative", -1234.5, "-1,234.5"},
                                         MarkCase{"NegativeToZero", -0.04, "0"},
                                         MarkCase{"Large", 1e20, "100,000,000,000,000,000,000"},
                                         MarkCase{"Tiny", 1e-30, "0"}),
                         [](const auto& row) { return std::string(row.param.name); });

// The table of several series: keys in order, repeated keys on rows of their own, gaps empty.
TEST(SeriesTable, OneColumnPerSeriesWithRepeatedKeysApart) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<NamedSeries> series = {
      {"runs", {{3, 4}, {2, 5}, {2, 7}}},
      {"mean, per value", {{2, 6}, {3, 4}}},
      {"gap", {{1, 0.1}, {3, nan}, {nan, 9}}},
  };
  EXPECT_EQ(SeriesTable("value", series, ','),
            "value,runs,mean  per value,gap\n"
            "1,,,0.1\n"
            "2,5,6,\n"
            "2,7,,\n"
            "3,4,4,\n");
  EXPECT_EQ(SeriesTable("x", {}, '\t'), "x\n");
  EXPECT_EQ(SeriesTable("t", {{NamedSeries{"a\tb", {{1, 2}}}}}, '\t'), "t\ta b\n1\t2\n");
}

TEST(SeriesTable, NumbersReadBackAsTheSameDouble) {
  for (const double v : {0.1, 100.0 / 3, -2.5e-300, 1e21, 12783.0}) {
    EXPECT_EQ(std::stod(NumberText(v)), v) << NumberText(v);
  }
  EXPECT_EQ(NumberText(100.0 / 3), "33.333333333333336");
  EXPECT_EQ(NumberText(50), "50");
}

}  // namespace
}  // namespace segsim
