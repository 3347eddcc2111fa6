// The model's settings, as numbers: the windows convert their fields, segsim-cli its options.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace segsim {

// The drawing panel ZeichenPanel, pixels per side; with the cell size it fixes Cols and Rows.
inline constexpr std::int32_t kPanelSize = 694;
// Cells per side at the default cell size of 6: Round(694 / 6).
inline constexpr std::int32_t kDefaultGridSize = 116;

// Settings beyond these are refused at setup. A square of radius r counts up to (2r + 1)^2
// cells, which must fit a cell's 32-bit counts. The measures keep G x G accumulators per step,
// so tens of thousands of groups would take gigabytes; 2000 groups are far more than a grid of
// at most 694 x 694 cells can show apart.
inline constexpr std::int32_t kMaxNeighbourRadius = 23169;
inline constexpr std::int32_t kMaxGroupCount = 2000;
// A jump component runs from -(d + 1) to d + 1 and is kept in 16 bits. Longer jumps would only
// matter on grids more than 65534 cells wide, far beyond any memory.
inline constexpr std::int32_t kMaxMoveDistance = 32766;

// What a setup is built from.
struct SetupParams {
  std::int32_t AgentCount = 12783;       // agents to create; more than the cells is capped
  std::int32_t CellSize = 6;             // pixels per cell, >= 1
  std::int32_t GroupCount = 6;           // G, >= 1
  std::int32_t NeighbourRadius = 5;      // cells; the square is 2r + 1 wide
  std::int32_t MoveDistance = 55;        // cells; a jump component runs from -(d + 1) to d + 1
  std::int32_t TileSize = 20;            // tile edge in cells for the segregation measures
  std::int32_t StopStep = 500;           // step at which a run stops (by equality only)
  std::uint32_t Threshold = 20;          // percent 0..100; satisfied means strictly above it
  // Group shares: G positive finite weights, group 1 first, normalised at placement; empty: every
  // group has the same chance (as have equal weights, to the bit).
  std::vector<double> Shares{};
  // Per-group thresholds: G percents 0..100, group 1 first; empty: Threshold for every group.
  std::vector<std::uint32_t> Thresholds{};
  bool GraphicUpdate = true;             // draw moves during a step
  std::int32_t PanelWidth = kPanelSize;  // drawing panel, pixels: fixes Cols and Rows
  std::int32_t PanelHeight = kPanelSize;
  std::optional<std::uint32_t> Seed{};  // fixed generator seed at every placement; else the clock
};

// The settings in force, with the values derived from them at setup.
struct ModelSettings {
  std::int32_t CellSize = 0;
  std::int32_t GroupCount = 0;
  std::int32_t NeighbourRadius = 0;
  std::int32_t MoveDistance = 0;
  std::int32_t TileSize = 0;
  std::int32_t StopStep = 0;
  std::uint32_t Threshold = 0;  // every group's, unless GroupThresholds holds its own
  std::vector<std::uint32_t> GroupThresholds;  // index group - 1; empty: Threshold for all
  bool GraphicUpdate = true;
  std::int32_t AgentRadius = 0;  // Floor(CellSize / 2), pixels
  std::int32_t CellOffset = 0;   // Round(CellSize / 2), pixels: a cell's half edge
  std::int32_t Cols = 0;         // Round(panel width / CellSize)
  std::int32_t Rows = 0;         // Round(panel height / CellSize)
  std::uint32_t TimeStep = 0;    // steps since the last setup
};

}  // namespace segsim
