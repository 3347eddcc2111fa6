// The polynomial fit: the least-squares polynomial through all source points, evaluated at
// every source point.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "charts/series.h"
#include "model/numeric.h"

namespace segsim {

namespace msg {
inline constexpr const char* kPolyDegreeRange = "Polynomial degree must be between 1 and 20";
inline constexpr const char* kCannotFit = "Cannot process fitting";
}  // namespace msg

inline constexpr int kMaxPolyDegree = 20;  // number of coefficients at most
inline constexpr int kDefaultPolyDegree = 5;

// Fixed storage for the normal equations, sized for the largest degree; only the leading
// t x t block (t entries) is used.
using FitMatrix = std::array<std::array<Extended, kMaxPolyDegree>, kMaxPolyDegree>;
using FitVector = std::array<Extended, kMaxPolyDegree>;

struct FitSolution {
  FitVector c{};             // c[k] for k < t; left zero when singular
  Extended determinant = 0;  // 0 exactly when singular
};

// Solves a·c = r over the leading t rows and columns (1 <= t <= kMaxPolyDegree) by Gaussian
// elimination with partial pivoting in extended precision. On ties in a pivot column the
// upper row stays; a pivot below 1e-15 in magnitude makes the system singular.
FitSolution SolveByElimination(FitMatrix a, FitVector r, int t);

class PolynomialFit : public SeriesFunction {
public:
  // Throws SegsimError(msg::kPolyDegreeRange) for a degree outside 1 … kMaxPolyDegree.
  explicit PolynomialFit(int polyDegree = kDefaultPolyDegree);

  // The number of coefficients, 1 … 20: the highest power is PolyDegree() - 1.
  int PolyDegree() const { return polyDegree_; }
  // An equal value does nothing; one outside 1 … 20 throws SegsimError(msg::kPolyDegreeRange)
  // and keeps the old one; otherwise stores it and recalculates the attached series, if any.
  void SetPolyDegree(int polyDegree);

  // Of the last successful fit (empty before one): Coefficients()[k] multiplies
  // (x - XMin())^k, and the fitted y is YMin() plus that polynomial.
  std::span<const Extended> Coefficients() const {
    return std::span<const Extended>(coefficients_).first(coefficientCount_);
  }
  Extended XMin() const { return xMin_; }
  Extended YMin() const { return yMin_; }

  // One point per source point at the same x; nothing when there are fewer points than
  // PolyDegree(). Throws SegsimError(msg::kCannotFit) when the normal equations are singular
  // (fewer distinct x than PolyDegree()).
  std::vector<ChartPoint> Calculate(std::span<const ChartPoint> source) override;

private:
  int polyDegree_;
  FitVector coefficients_{};
  int coefficientCount_ = 0;
  Extended xMin_ = 0;  // the shifts, kept in extended precision like the coefficients
  Extended yMin_ = 0;
};

}  // namespace segsim
