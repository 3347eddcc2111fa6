#include "charts/polyfit.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <utility>

#include "model/error.h"

namespace segsim {

namespace {

// The extended value nearest 10^-15.
const Extended kSingularPivot = Extended(1) / 1000000000000000LL;

// Row of the largest |a[p][i]| among rows i … t-1; a later row wins only when strictly larger.
int PivotRow(const FitMatrix& a, int i, int t) {
  int pivot = i;
  for (int p = i + 1; p < t; ++p) {
    if (Abs(a[p][i]) > Abs(a[pivot][i])) pivot = p;
  }
  return pivot;
}

// Exchanges rows i and p from column i on (the columns before i are no longer read).
void ExchangeRows(FitMatrix& a, FitVector& r, int i, int p, int t) {
  for (int k = i; k < t; ++k) std::swap(a[i][k], a[p][k]);
  std::swap(r[i], r[p]);
}

// Subtracts multiples of row i from the rows below it, leaving column i itself as it was.
void EliminateBelow(FitMatrix& a, FitVector& r, int i, int t) {
  for (int q = i + 1; q < t; ++q) {
    const Extended f = a[q][i] / a[i][i];
    for (int k = i + 1; k < t; ++k) a[q][k] -= f * a[i][k];
    r[q] -= f * r[i];
  }
}

FitVector BackSubstitute(const FitMatrix& a, const FitVector& r, int t) {
  FitVector c{};
  for (int j = t - 1; j >= 0; --j) {
    Extended sum = 0;
    for (int k = j + 1; k < t; ++k) sum += a[j][k] * c[k];
    c[j] = (r[j] - sum) / a[j][j];
  }
  return c;
}

// u_i^k for k = 0 … count-1, one list of n entries per power, each power formed by repeated
// multiplication from u^0 = 1 with u_i = x_i - xMin in extended precision.
std::vector<std::vector<Extended>> PowerLists(std::span<const ChartPoint> source, Extended xMin,
                                              int count) {
  std::vector<std::vector<Extended>> powers(static_cast<std::size_t>(count));
  powers[0].assign(source.size(), 1);
  for (std::size_t k = 1; k < powers.size(); ++k) {
    powers[k].resize(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
      powers[k][i] = powers[k - 1][i] * (static_cast<Extended>(source[i].x) - xMin);
    }
  }
  return powers;
}

// The normal equations of fitting v = y - yMin by a polynomial in u = x - xMin with t terms:
// a[j][k] = Σ u^(j+k), r[j] = Σ u^j·v.
void BuildNormalEquations(std::span<const ChartPoint> source, Extended xMin, Extended yMin, int t,
                          FitMatrix& a, FitVector& r) {
  const auto powers = PowerLists(source, xMin, 2 * t - 1);
  for (int j = 0; j < t; ++j) {
    for (int k = 0; k < t; ++k) {
      Extended sum = 0;
      for (const Extended power : powers[j + k]) sum += power;
      a[j][k] = sum;
    }
    Extended sum = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
      sum += powers[j][i] * (static_cast<Extended>(source[i].y) - yMin);
    }
    r[j] = sum;
  }
}

// Σ c[k]·u^k over t terms, the powers formed by repeated multiplication.
Extended Evaluate(const FitVector& c, int t, Extended u) {
  FitVector power{};
  power[0] = 1;
  for (int k = 1; k < t; ++k) power[k] = power[k - 1] * u;
  Extended sum = 0;
  for (int k = 0; k < t; ++k) sum += c[k] * power[k];
  return sum;
}

}  // namespace

FitSolution SolveByElimination(FitMatrix a, FitVector r, int t) {
  assert(t >= 1 && t <= kMaxPolyDegree);
  int exchanges = 0;
  for (int i = 0; i + 1 < t; ++i) {
    const int p = PivotRow(a, i, t);
    if (p != i) {
      ExchangeRows(a, r, i, p, t);
      ++exchanges;
    }
    if (Abs(a[i][i]) < kSingularPivot) return {};
    EliminateBelow(a, r, i, t);
  }
  if (Abs(a[t - 1][t - 1]) < kSingularPivot) return {};
  FitSolution solution;
  solution.c = BackSubstitute(a, r, t);
  solution.determinant = 1;
  for (int j = 0; j < t; ++j) solution.determinant *= a[j][j];
  if (exchanges % 2 != 0) solution.determinant = -solution.determinant;
  return solution;
}

PolynomialFit::PolynomialFit(int polyDegree) : polyDegree_(kDefaultPolyDegree) {
  SetPolyDegree(polyDegree);
}

void PolynomialFit::SetPolyDegree(int polyDegree) {
  if (polyDegree == polyDegree_) return;
  if (polyDegree < 1 || polyDegree > kMaxPolyDegree) throw SegsimError(msg::kPolyDegreeRange);
  polyDegree_ = polyDegree;
  RecalculateSeries();
}

std::vector<ChartPoint> PolynomialFit::Calculate(std::span<const ChartPoint> source) {
  const int t = polyDegree_;
  if (source.size() < static_cast<std::size_t>(t)) return {};
  const auto byX = [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; };
  const auto byY = [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; };
  const Extended xMin = std::min_element(source.begin(), source.end(), byX)->x;
  const Extended yMin = std::min_element(source.begin(), source.end(), byY)->y;

  FitMatrix a{};
  FitVector r{};
  BuildNormalEquations(source, xMin, yMin, t, a, r);
  const FitSolution solution = SolveByElimination(a, r, t);
  if (solution.determinant == 0) throw SegsimError(msg::kCannotFit);
  coefficients_ = solution.c;
  coefficientCount_ = t;
  xMin_ = xMin;
  yMin_ = yMin;

  std::vector<ChartPoint> fitted;
  fitted.reserve(source.size());
  for (const ChartPoint& p : source) {
    const Extended v = Evaluate(coefficients_, t, static_cast<Extended>(p.x) - xMin);
    fitted.push_back({p.x, static_cast<double>(yMin + v)});
  }
  return fitted;
}

}  // namespace segsim
