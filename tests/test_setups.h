// What the model, measures and drawing tests share: the setup of a scene made by hand, and the
// bitwise comparison of results.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "model/model.h"

namespace segsim::testing {

// The setup p (written SetupParams{.CellSize = 34, ...}) with no agent placed at random and the
// generator seeded with 1: the test sets the cells itself (Model::AddAgent, or the grid).
inline SetupParams EmptySetup(SetupParams p = {}) {
  p.AgentCount = 0;
  p.Seed = 1;
  return p;
}

inline Model EmptyModel(const SetupParams& p = {}, CountMethod method = CountMethod::kCheaper,
                        Canvas* canvas = nullptr) {
  Model m(canvas);
  m.SetCountMethod(method);
  m.InitSetup(EmptySetup(p));
  return m;
}

// Bitwise equality, so that NaN equals NaN and -0 differs from +0.
inline bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!SameBits(a[i], b[i])) return false;
  }
  return true;
}

}  // namespace segsim::testing
