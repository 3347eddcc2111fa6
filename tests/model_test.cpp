// The model: numeric conventions, generator, colours, wrap, setup, satisfaction, relocation and
// what each of them draws.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstring>
#include <map>
#include <set>

#include "model/colors.h"
#include "model/error.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/numeric.h"
#include "model/shortest_double.h"
#include "recording_canvas.h"
#include "test_setups.h"

namespace segsim {
namespace {

using testing::DrawCall;
using testing::EmptyModel;
using testing::RecordingCanvas;

// --- numeric conventions --------------------------------------------------------------------

TEST(Numeric, RoundTakesHalvesToEven) {
  const std::pair<double, std::int64_t> rows[] = {
      {2.5, 2},     {3.5, 4},       {0.5, 0},       {-56.5, -56}, {637.5, 638},
      {212.5, 212}, {1062.5, 1062}, {2.4999999, 2}, {-0.5, 0},    {115.66666, 116}};
  for (const auto& [x, expected] : rows) EXPECT_EQ(Round(Extended(x)), expected) << x;
  EXPECT_EQ(Floor(Extended(-0.5)), -1);
  EXPECT_EQ(Ceil(Extended(5.8)), 6);
}

TEST(Numeric, RoundOutsideInt64IsAnInvalidOperation) {
  try {
    Round(Extended(1e30));
    FAIL() << "no error";
  } catch (const SegsimError& e) {
    EXPECT_STREQ(e.what(), "Ungültige Gleitkommaoperation");
  }
}

TEST(Numeric, StrToIntAcceptsTheFieldFormats) {
  const std::pair<const char*, std::int32_t> rows[] = {{"42", 42},
                                                       {"   42", 42},
                                                       {"+42", 42},
                                                       {"$2A", 42},
                                                       {"0x2a", 42},
                                                       {"X2a", 42},
                                                       {"-$2A", -42},
                                                       {"-5", -5},
                                                       {"007", 7},
                                                       {"2147483647", 2147483647},
                                                       {"-2147483648", INT32_MIN},
                                                       {"$7FFFFFFF", 2147483647},
                                                       {"0", 0}};
  for (const auto& [text, expected] : rows) EXPECT_EQ(StrToInt(text), expected) << text;
}

TEST(Numeric, StrToIntRefusesEverythingElseWithTheText) {
  for (const char* text : {"42 ", "", "4.5", "-", "$", "0x", "2147483648", "-2147483649",
                           "$80000000", "1e3", "abc", " ", "4 2", "--4", "\t4"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const SegsimError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' ist kein gültiger Integerwert");
    }
  }
}

// The unsigned form reads the same grammar up to 2^32 - 1, with no room for a minus sign.
TEST(Numeric, UnsignedConversionSharesTheGrammar) {
  std::uint32_t v = 0;
  for (const auto& [text, expected] :
       std::initializer_list<std::pair<const char*, std::uint32_t>>{{"4294967295", 4294967295u},
                                                                    {"$FFFFFFFF", 4294967295u},
                                                                    {"0xffffffff", 4294967295u},
                                                                    {" +7", 7u},
                                                                    {"x10", 16u},
                                                                    {"-0", 0u}}) {
    EXPECT_TRUE(TryStrToUInt32(text, v)) << text;
    EXPECT_EQ(v, expected) << text;
  }
  for (const char* text : {"4294967296", "$100000000", "-1", "", "0x", "1 ", "--0"}) {
    EXPECT_FALSE(TryStrToUInt32(text, v)) << "accepted '" << text << "'";
  }
}

TEST(Numeric, TwoDecimalRoundingAndDisplay) {
  EXPECT_EQ(FormatGeneral(RoundTo2(33.3333)), "33.33");
  EXPECT_EQ(FormatGeneral(RoundTo2(12.5)), "12.5");
  // The double 0.01 lies above one hundredth, so 0.375 / 0.01 falls below 37.5.
  EXPECT_EQ(FormatGeneral(RoundTo2(0.375)), "0.37");
  EXPECT_EQ(FormatGeneral(RoundTo2(0.125)), "0.12");
  EXPECT_EQ(FormatGeneral(RoundTo2(100)), "100");
  EXPECT_EQ(FormatGeneral(0), "0");
  EXPECT_EQ(FormatGeneral(RoundTo2(0.0049)), "0");
}

// --- generator ------------------------------------------------------------------------------

// The printf route of WebAssembly's libc++ (no floating-point to_chars) gives to_chars' text:
// random bit patterns, the neighbours of powers of two (where the interval that reads back is
// lopsided), and values at the fixed/scientific boundary; the reader takes from_chars' grammar.
TEST(Numeric, ShortestTextByPrintfIsToCharsText) {
  std::vector<double> values = {0.0, -0.0, 1e21, 1e-7, 123456.0, 1e15, 1e16, 0.0001, 5e-324,
                                1.7976931348623157e308, 2.2250738585072014e-308, 100.0, 0.1};
  std::uint64_t state = 88172645463325252u;
  for (int i = 0; i < 40000; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const double v = std::bit_cast<double>(state);
    if (std::isfinite(v)) values.push_back(v);
    const double power = std::ldexp(1.0, static_cast<int>(state % 2000) - 1000);
    values.push_back(std::nextafter(power, 0.0));
    values.push_back(power);
    values.push_back(static_cast<double>(state % 100000) / 1000);
  }
  for (const double v : values) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    ASSERT_EQ(ShortestTextByPrintf(v), std::string(buffer, end)) << std::bit_cast<std::uint64_t>(v);
  }
  for (const char* text : {"1", "-2.5", "1e5", "1E-3", ".5", "5.", "1e+2", "0x10", "+1", " 1", "1e",
                           "--1", "1.2.3", "", "-", "e5", "1e5x", "inf", "nan"}) {
    double parsed = 0;
    const char* last = text + std::strlen(text);
    const auto r = std::from_chars(text, last, parsed, std::chars_format::general);
    const bool ok = r.ec == std::errc() && r.ptr == last && std::isfinite(parsed);
    const std::optional<double> mine = ParseGeneralByStrtod(text);
    EXPECT_EQ(mine.has_value() && std::isfinite(*mine), ok) << text;
    if (ok && mine) {
      EXPECT_EQ(*mine, parsed) << text;
    }
  }
}

TEST(Random, DrawsFromAKnownState) {
  RandomGenerator r;
  r.Seed(0);
  EXPECT_EQ(r.Below(10), 0u);
  EXPECT_EQ(r.State(), 1u);
  EXPECT_EQ(r.Below(10), 0u);
  EXPECT_EQ(r.State(), 134775814u);
}

TEST(Random, RandomBetweenReachesOneBeyondHiWithHalfWeightAtTheEnds) {
  RandomGenerator r;
  r.Seed(12345);
  std::map<int, int> counts;
  const int draws = 224000;
  for (int i = 0; i < draws; ++i) ++counts[TAgent::RandomBetween(r, -56, 55)];
  EXPECT_EQ(counts.begin()->first, -56);
  EXPECT_EQ(counts.rbegin()->first, 56);
  EXPECT_EQ(counts.size(), 113u);
  // Inner values 1/112 each (2000), the two ends 1/224 (1000).
  EXPECT_NEAR(counts[-56], 1000, 150);
  EXPECT_NEAR(counts[56], 1000, 150);
  EXPECT_NEAR(counts[0], 2000, 250);
}

TEST(Random, HeadingDrawsXThenY) {
  RandomGenerator a, b;
  a.Seed(77);
  b.Seed(77);
  TAgent agent;
  agent.ChangeHeading(a, 55);
  const int x = TAgent::RandomBetween(b, -56, 55);
  const int y = TAgent::RandomBetween(b, -56, 55);
  EXPECT_EQ(agent.HeadingX(), x);
  EXPECT_EQ(agent.HeadingY(), y);
}

// --- colours --------------------------------------------------------------------------------

TEST(Colors, RampForSeveralGroupCounts) {
  const std::map<int, std::vector<Color>> rows = {
      {1, {0x0000FF}},
      {2, {0x0000FF, 0xFF00FF}},
      {3, {0x0000FF, 0x80FF00, 0xFF00FF}},
      {4, {0x0000FF, 0x00FF55, 0xFFAA00, 0xFF00FF}},
      {6, {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF}},
      {7, {0x0000FF, 0x00D4FF, 0x00FF55, 0x80FF00, 0xFFAA00, 0xFF002A, 0xFF00FF}},
  };
  for (const auto& [n, expected] : rows) {
    std::vector<Color> colors{1, 2, 3, 4, 5, 6, 7, 8, 9};
    MakeGroupColors(n, colors);
    EXPECT_EQ(colors, expected) << n << " groups";
  }
  // The step is the extended quotient stored as a double: 6547 x step for 13095 groups lands
  // just above 637.5 (-> 638), where the quotient taken in double lands just below it.
  std::vector<Color> many;
  MakeGroupColors(13095, many);
  EXPECT_EQ(many[6547], 0x80FF00u);
}

// --- grid -----------------------------------------------------------------------------------

TEST(Grid, WrapPositionOnePeriodAndBeyond) {
  const Model m = EmptyModel();
  const std::int32_t C = m.Settings().Cols, R = m.Settings().Rows;
  struct Row {
    std::int32_t c, r, wc, wr;
  };
  const Row rows[] = {{-1, R, C - 1, 0},
                      {C, -1, 0, R - 1},
                      {-C, 2 * R - 1, 0, R - 1},
                      {5, 7, 5, 7},
                      {0, R - 1, 0, R - 1},
                      {2 * C, -R - 1, 0, R - 1},
                      {-3 * C - 2, 5 * R + 3, C - 2, 3}};
  for (const Row& row : rows) {
    std::int32_t c = row.c, r = row.r;
    m.WrapPosition(c, r);
    EXPECT_EQ(c, row.wc) << row.c << "," << row.r;
    EXPECT_EQ(r, row.wr) << row.c << "," << row.r;
  }
}

// --- setup ----------------------------------------------------------------------------------

TEST(Setup, GeometryFollowsTheCellSize) {
  struct Row {
    std::int32_t cellSize, agentRadius, cellOffset, cells;
  };
  for (const Row& row : {Row{6, 3, 3, 116}, Row{5, 2, 2, 139}, Row{7, 3, 4, 99},
                         Row{34, 17, 17, 20}, Row{1, 0, 0, 694}, Row{10, 5, 5, 69}}) {
    Model m;
    m.InitSetup({.AgentCount = 100, .CellSize = row.cellSize});
    const ModelSettings& s = m.Settings();
    EXPECT_EQ(s.AgentRadius, row.agentRadius) << row.cellSize;
    EXPECT_EQ(s.CellOffset, row.cellOffset) << row.cellSize;
    EXPECT_EQ(s.Cols, row.cells) << row.cellSize;
    EXPECT_EQ(s.Rows, row.cells) << row.cellSize;
    const TCell& last = m.Grid()[s.Cols - 1][2];
    EXPECT_EQ(last.PositionX(), (s.Cols - 1) * row.cellSize + row.cellOffset);
    EXPECT_EQ(last.PositionY(), 2 * row.cellSize + row.cellOffset);
    EXPECT_EQ(last.Size(), row.cellOffset);
    EXPECT_EQ(last.Gray(), 180);
  }
}

// Every agent on its own cell, each occupied cell holding its agent's group, group sizes adding
// up: the invariant that setup and every pass must keep.
void ExpectConsistent(const Model& m) {
  std::set<std::pair<int, int>> taken;
  std::vector<std::int32_t> sizes(m.GroupSizes().size(), 0);
  for (const TAgent& a : m.AgentList()) {
    EXPECT_TRUE(taken.insert({a.GridX, a.GridY}).second) << "two agents on one cell";
    const TCell& cell = m.Grid()[a.GridX][a.GridY];
    EXPECT_TRUE(cell.Occupied());
    EXPECT_EQ(cell.State(), a.Group);
    EXPECT_EQ(m.AgentColor(a), m.GroupColors()[a.Group - 1]);
    EXPECT_EQ(m.CentreX(a), a.GridX * m.Settings().CellSize + m.Settings().CellOffset);
    ++sizes[a.Group - 1];
  }
  EXPECT_EQ(std::vector<std::int32_t>(m.GroupSizes().begin(), m.GroupSizes().end()), sizes);
  std::size_t occupied = 0;
  for (int r = 0; r < m.Grid().Rows(); ++r) {
    for (int c = 0; c < m.Grid().Cols(); ++c) {
      occupied += m.Grid()[c][r].Occupied();
      if (!m.Grid()[c][r].Occupied()) {
        EXPECT_EQ(m.Grid()[c][r].State(), 0);
      }
    }
  }
  EXPECT_EQ(occupied, m.AgentList().size());
}

TEST(Setup, PlacementDrawsColumnRowThenGroup) {
  Model m;
  m.InitSetup({.Seed = 2024});
  ExpectConsistent(m);
  EXPECT_EQ(m.AgentCountUsed(), 12783);
  // Replay the draws for the first agents: column, row, then the group.
  RandomGenerator r;
  r.Seed(2024);
  for (int i = 0; i < 3; ++i) {
    const int x = static_cast<int>(r.Below(116));
    const int y = static_cast<int>(r.Below(116));
    const int g = static_cast<int>(r.Below(6)) + 1;
    EXPECT_EQ(m.AgentList()[i].GridX, x);
    EXPECT_EQ(m.AgentList()[i].GridY, y);
    EXPECT_EQ(m.AgentList()[i].Group, g);
    EXPECT_FALSE(m.AgentList()[i].Satisfied);
  }
}

TEST(Setup, FixedSeedRepeatsAndTheClockDoesNot) {
  SetupParams p{.Seed = 9};
  Model a, b;
  a.InitSetup(p);
  b.InitSetup(p);
  ASSERT_EQ(a.AgentList().size(), b.AgentList().size());
  for (std::size_t i = 0; i < a.AgentList().size(); ++i) {
    ASSERT_EQ(a.AgentList()[i].GridX, b.AgentList()[i].GridX);
    ASSERT_EQ(a.AgentList()[i].Group, b.AgentList()[i].Group);
  }
  p.Seed.reset();
  a.NewSetup(p);
  b.NewSetup(p);
  EXPECT_NE(a.PlacementSeed(), b.PlacementSeed());
}

TEST(Setup, AgentCountIsCappedAtTheGridAndAFullGridIsFilled) {
  Model m;
  m.InitSetup({.AgentCount = 20000});
  EXPECT_TRUE(m.AgentCountCapped());
  EXPECT_EQ(m.AgentCountUsed(), 12783);

  // 400 cells, every one taken: the last agents need the scan fallback.
  SetupParams p{.AgentCount = 400, .CellSize = 34, .Seed = 3};
  m.NewSetup(p);
  EXPECT_FALSE(m.AgentCountCapped());
  EXPECT_EQ(m.AgentCountUsed(), 400);
  ExpectConsistent(m);

  p.AgentCount = -5;
  p.GroupCount = 4;
  m.NewSetup(p);
  EXPECT_EQ(m.AgentCountUsed(), 0);
  EXPECT_EQ(std::vector<std::int32_t>(m.GroupSizes().begin(), m.GroupSizes().end()),
            std::vector<std::int32_t>(4, 0));
  EXPECT_EQ(m.GroupColors().size(), 4u);
}

TEST(Setup, RefusedSettingsLeaveTheModelWhole) {
  Model m;
  m.InitSetup({.Seed = 5});
  const int firstX = m.AgentList()[0].GridX;
  for (const SetupParams& bad :
       {SetupParams{.CellSize = 0}, SetupParams{.GroupCount = 0}, SetupParams{.PanelWidth = 2},
        SetupParams{.GroupCount = kMaxGroupCount + 1},
        SetupParams{.NeighbourRadius = kMaxNeighbourRadius + 1}}) {
    EXPECT_THROW(m.NewSetup(bad), SegsimError);
    EXPECT_EQ(m.AgentCountUsed(), 12783);
    EXPECT_EQ(m.AgentList()[0].GridX, firstX);
    EXPECT_TRUE(m.HasModel());
  }
}

TEST(Setup, DrawsEveryCellThenEachAgentAsPlaced) {
  RecordingCanvas canvas;
  Model m(&canvas);
  // Placement draws whether or not moves are drawn.
  m.InitSetup({.AgentCount = 3, .CellSize = 34, .GraphicUpdate = false, .Seed = 11});
  ASSERT_EQ(canvas.calls.front(), (DrawCall{DrawCall::kImage, 694, 694}));
  // The first cell: one-pixel grey outline, 180 grey inside, box of the half edge 17.
  const std::vector<DrawCall> firstCell(canvas.calls.begin() + 1, canvas.calls.begin() + 5);
  EXPECT_EQ(firstCell, (std::vector<DrawCall>{{DrawCall::kPenWidth, 0},
                                              {DrawCall::kPenColor, 0x808080},
                                              {DrawCall::kBrushColor, 0xB4B4B4},
                                              {DrawCall::kRectangle, 0, 0, 34, 34}}));
  const std::vector<DrawCall> shapes = canvas.Shapes();
  ASSERT_EQ(shapes.size(), 400u + 3u);
  EXPECT_EQ(shapes[1], (DrawCall{DrawCall::kRectangle, 34, 0, 68, 34}));   // column 1, row 0
  EXPECT_EQ(shapes[20], (DrawCall{DrawCall::kRectangle, 0, 34, 34, 68}));  // column 0, row 1
  for (int i = 0; i < 3; ++i) {
    const TAgent& a = m.AgentList()[i];
    EXPECT_EQ(shapes[400 + i], (DrawCall{DrawCall::kEllipse, m.CentreX(a) - 17, m.CentreY(a) - 17,
                                         m.CentreX(a) + 17, m.CentreY(a) + 17}));
  }
  const std::size_t n = canvas.calls.size();
  EXPECT_EQ(canvas.calls[n - 4], (DrawCall{DrawCall::kPenWidth, 1}));
  EXPECT_EQ(canvas.calls[n - 3].a, int(m.AgentColor(m.AgentList()[2])));
  EXPECT_EQ(canvas.calls[n - 2].a, int(m.AgentColor(m.AgentList()[2])));
}

// --- satisfaction ---------------------------------------------------------------------------

TEST(Satisfaction, CountsBySameStateAmongOccupied) {
  Model m = EmptyModel({.GroupCount = 2});
  m.AddAgent({10, 10}, 1);
  for (GridPos p : {GridPos{11, 10}, {9, 9}, {14, 15}}) m.AddAgent(p, 1);          // 3 same
  for (GridPos p : {GridPos{5, 5}, {15, 15}, {10, 12}, {8, 6}}) m.AddAgent(p, 2);  // 4 other
  m.AddAgent({16, 10}, 2);  // outside the square of radius 5
  double s = 0;
  m.CalcSatisfaction(10, 10, s);
  EXPECT_EQ(m.CountNeighbours(10, 10).same, 4);
  EXPECT_EQ(m.CountNeighbours(10, 10).other, 4);
  EXPECT_EQ(s, 50.0);
  EXPECT_EQ(m.Grid()[10][10].Satisfaction(), 50.0);
}

TEST(Satisfaction, WholePercentagesAreExact) {
  // 11 same of 20, 7 of 100: the quotient in extended precision gives exactly 55 and 7.
  Model m = EmptyModel({.GroupCount = 2});
  int placed = 1;
  m.AddAgent({50, 50}, 1);
  for (int dy = -2; dy <= 2 && placed < 20; ++dy) {
    for (int dx = -2; dx <= 2 && placed < 20; ++dx) {
      if (dx == 0 && dy == 0) continue;
      m.AddAgent({50 + dx, 50 + dy}, placed < 11 ? 1 : 2);
      ++placed;
    }
  }
  double s = 0;
  m.CalcSatisfaction(50, 50, s);
  EXPECT_EQ(s, 55.0);
  EXPECT_EQ(static_cast<double>(static_cast<Extended>(7) / 100 * 100), 7.0);
}

TEST(Satisfaction, WrapsAtTheEdgesAndCountsRepeatedCells) {
  Model m = EmptyModel({.GroupCount = 2});
  const int C = m.Settings().Cols, R = m.Settings().Rows;
  m.AddAgent({0, R - 1}, 1);
  m.AddAgent({C - 5, R - 1}, 2);  // r = 5 columns to the left, across the edge
  m.AddAgent({C - 6, R - 1}, 2);  // one too far
  m.AddAgent({0, 4}, 1);          // rows 0 .. 4 below the last row
  m.AddAgent({0, 5}, 1);          // one too far
  EXPECT_EQ(m.CountNeighbours(0, R - 1).same, 2);
  EXPECT_EQ(m.CountNeighbours(0, R - 1).other, 1);

  // A 20 x 20 grid with radius 10: the square is 21 wide, one column and one row appear twice.
  Model full(nullptr);
  SetupParams p{
      .AgentCount = 400, .CellSize = 34, .GroupCount = 1, .NeighbourRadius = 10, .Seed = 1};
  full.InitSetup(p);
  EXPECT_EQ(full.CountNeighbours(3, 3).same, 21 * 21);
  // A square many times wider than the grid: every cell once per appearance.
  p.NeighbourRadius = 1000;
  full.NewSetup(p);
  EXPECT_EQ(full.CountNeighboursDirect(3, 3).same, 2001 * 2001);
  EXPECT_EQ(full.CountNeighboursDirect(3, 3).other, 0);
  p.NeighbourRadius = 0;
  full.NewSetup(p);
  double s = 0;
  full.CalcSatisfaction(3, 3, s);
  EXPECT_EQ(full.CountNeighbours(3, 3).same, 1);
  EXPECT_EQ(s, 100.0);
}

// --- relocation -----------------------------------------------------------------------------

Model MakeRunningModel(std::uint32_t threshold, std::int32_t radius, Canvas* canvas = nullptr,
                       bool graphic = true) {
  Model m(canvas);
  m.InitSetup({.AgentCount = 900,
               .CellSize = 20,  // 35 x 35
               .GroupCount = 3,
               .NeighbourRadius = radius,
               .MoveDistance = 10,
               .Threshold = threshold,
               .GraphicUpdate = graphic,
               .Seed = 4});
  return m;
}

TEST(Relocation, ThresholdZeroMovesNobodyAndEveryAgentIsSatisfied) {
  Model m = MakeRunningModel(0, 3);
  m.MoveAgents();
  EXPECT_EQ(m.LastPass().moved, 0);
  EXPECT_EQ(m.LastPass().unsatisfied, 0);
  for (const TAgent& a : m.AgentList()) EXPECT_TRUE(a.Satisfied);
}

TEST(Relocation, AnEqualCandidateDoesNotMove) {
  // Radius 0: every satisfaction is 100, so with threshold 100 every agent is unsatisfied and
  // every candidate equals its own value.
  Model m = MakeRunningModel(100, 0);
  for (int i = 0; i < 3; ++i) {
    m.MoveAgents();
    m.SetTimeStep(m.TimeStep() + 1);
    EXPECT_EQ(m.LastPass().moved, 0);
    EXPECT_EQ(m.LastPass().unsatisfied, 900);
  }
}

TEST(Relocation, SatisfactionEqualToTheThresholdIsUnsatisfied) {
  // One agent of group 1 beside one of group 2: each has 50 %.
  Model m = EmptyModel({.GroupCount = 2});
  m.SetThreshold(50);
  m.AddAgent({10, 10}, 1);
  m.AddAgent({11, 10}, 2);
  m.MoveAgents();
  EXPECT_FALSE(m.AgentList()[0].Satisfied);
  EXPECT_EQ(m.LastPass().unsatisfied, 2 - (m.AgentList()[1].Satisfied ? 1 : 0));
  Model n = EmptyModel({.GroupCount = 2});
  n.SetThreshold(49);
  n.AddAgent({10, 10}, 1);
  n.AddAgent({11, 10}, 2);
  n.MoveAgents();
  EXPECT_TRUE(n.AgentList()[0].Satisfied);
  EXPECT_TRUE(n.AgentList()[1].Satisfied);
  EXPECT_EQ(n.LastPass().moved, 0);
}

TEST(Relocation, TheMovedAgentLeavesItsOwnCellAsAStrangerDuringEvaluation) {
  // A (group 1, first to move) has 1 of 9 alike: its 8 neighbours but (9, 10) are group 2, and
  // so is B, inside its square only. With a move distance of 0 the one free cell in reach,
  // (9, 10), is the target; C (group 1) lies inside that square only. There A counts itself and
  // C alike, the seven and its own old cell other: 2 of 10, a strict gain, so A moves. Were the
  // old cell not counted it would be 2 of 9, as alike 3 of 10.
  for (CountMethod method : {CountMethod::kSums, CountMethod::kDirect}) {
    Model m = EmptyModel({.GroupCount = 2, .MoveDistance = 0, .Threshold = 50}, method);
    m.AddAgent({10, 10}, 1);
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        if (dy != 0 || dx == 1) m.AddAgent({10 + dx, 10 + dy}, 2);
      }
    }
    m.AddAgent({15, 10}, 2);  // B
    m.AddAgent({4, 10}, 1);   // C
    m.MoveAgents();
    const TAgent& a = m.AgentList()[0];
    ASSERT_EQ(a.GridX, 9);
    ASSERT_EQ(a.GridY, 10);
    EXPECT_EQ(m.Grid()[9][10].Satisfaction(), 20.0);
    ExpectConsistent(m);
  }
}

TEST(Relocation, PassesKeepTheModelConsistentAndRunTheSameFromTheSameSeed) {
  Model a = MakeRunningModel(40, 2), b = MakeRunningModel(40, 2);
  int moved = 0;
  for (int step = 0; step < 10; ++step) {
    a.MoveAgents();
    b.MoveAgents();
    a.SetTimeStep(a.TimeStep() + 1);
    b.SetTimeStep(b.TimeStep() + 1);
    moved += a.LastPass().moved;
    ASSERT_EQ(a.LastPass().moved, b.LastPass().moved);
  }
  EXPECT_GT(moved, 0);
  ExpectConsistent(a);
  for (std::size_t i = 0; i < a.AgentList().size(); ++i) {
    ASSERT_EQ(a.AgentList()[i].GridX, b.AgentList()[i].GridX);
    ASSERT_EQ(a.AgentList()[i].GridY, b.AgentList()[i].GridY);
  }
}

// Equal weights of any size give the cuts of Below(G) exactly, so the same groups as no weights.
TEST(Shares, EqualWeightsCutWhereBelowDoes) {
  for (const std::int32_t g : {1, 2, 3, 6, 7, 10, 641, 1999, 2000}) {
    for (const double w : {1.0, 0.1, 3.0, 1e-300, 7e300 / 2000}) {
      const std::vector<std::uint64_t> cuts = Model::ShareCuts(std::vector<double>(g, w), g);
      for (std::int32_t k = 0; k < g; ++k) {
        // Below(G) gives k exactly for u from Ceil(k 2^32 / G) on.
        const std::uint64_t first = ((std::uint64_t{1} << 32) * (k + 1) + g - 1) / g;
        ASSERT_EQ(cuts[k], first) << "G " << g << " w " << w << " k " << k;
      }
    }
  }
  const std::vector<std::uint64_t> quarter = Model::ShareCuts({1, 3}, 2);
  EXPECT_EQ(quarter, (std::vector<std::uint64_t>{std::uint64_t{1} << 30, std::uint64_t{1} << 32}));
}

TEST(Shares, PlacementDrawsTheSameGroupsAsBeforeOrInTheGivenShares) {
  const auto setup = [](std::vector<double> shares, std::int32_t groups) {
    Model m;
    m.InitSetup({.GroupCount = groups, .Shares = std::move(shares), .Seed = 5});
    return m;
  };
  const Model plain = setup({}, 6);
  for (const double w : {1.0, 0.25, 1e300}) {
    const Model equal = setup(std::vector<double>(6, w), 6);
    ASSERT_EQ(std::vector<std::int32_t>(equal.GroupSizes().begin(), equal.GroupSizes().end()),
              std::vector<std::int32_t>(plain.GroupSizes().begin(), plain.GroupSizes().end()));
    for (std::size_t i = 0; i < plain.AgentList().size(); ++i) {
      ASSERT_EQ(equal.AgentList()[i].Group, plain.AgentList()[i].Group) << i;
      ASSERT_EQ(equal.AgentList()[i].GridX, plain.AgentList()[i].GridX) << i;
    }
  }
  // 12783 agents a tenth in group 1: 1278 expected, sigma 34.
  const Model tenth = setup({1, 9}, 2);
  EXPECT_NEAR(tenth.GroupSizes()[0], 1278, 170);
  EXPECT_EQ(tenth.GroupSizes()[0] + tenth.GroupSizes()[1], 12783);
}

// Group 1 never moves at threshold 0, group 2 is never satisfied at 100; a change of one group's
// threshold takes effect at the next pass.
TEST(GroupThresholds, EachAgentIsTestedAgainstItsGroupsThreshold) {
  Model m;
  m.InitSetup({.CellSize = 20, .GroupCount = 2, .Thresholds = {0, 100}, .Seed = 3});
  for (int step = 0; step < 4; ++step) {
    if (step == 2) m.SetGroupThreshold(2, 0);
    m.MoveAgents();
    m.SetTimeStep(m.TimeStep() + 1);
    EXPECT_EQ(m.LastPass().unsatisfied, step < 2 ? m.GroupSizes()[1] : 0) << step;
    for (const TAgent& a : m.AgentList()) ASSERT_EQ(a.Satisfied, a.Group == 1 || step >= 2);
  }
  m.SetThreshold(100);
  EXPECT_EQ(m.ThresholdOf(1), 100u);
  EXPECT_TRUE(m.Settings().GroupThresholds.empty());
  EXPECT_THROW(Model::CheckSetup({.GroupCount = 2, .Thresholds = {1, 2, 3}}), SegsimError);
  EXPECT_THROW(Model::CheckSetup({.GroupCount = 2, .Shares = {1, -1}}), SegsimError);
}

TEST(Relocation, DrawsUnsatisfiedAgentsAndVacatedCellsOnlyWithGraphics) {
  RecordingCanvas canvas;
  Model m = MakeRunningModel(40, 2, &canvas, true);
  canvas.calls.clear();
  m.MoveAgents();
  const std::vector<DrawCall> shapes = canvas.Shapes();
  std::size_t ellipses = 0, rectangles = 0;
  for (const DrawCall& c : shapes) (c.kind == DrawCall::kEllipse ? ellipses : rectangles)++;
  EXPECT_EQ(ellipses, static_cast<std::size_t>(m.LastPass().unsatisfied));
  EXPECT_EQ(rectangles, static_cast<std::size_t>(m.LastPass().moved));
  // A vacated cell is drawn right before the disc at the new place.
  for (std::size_t i = 0; i + 1 < shapes.size(); ++i) {
    if (shapes[i].kind == DrawCall::kRectangle) {
      EXPECT_EQ(shapes[i + 1].kind, DrawCall::kEllipse);
    }
  }

  RecordingCanvas quiet;
  Model n = MakeRunningModel(40, 2, &quiet, false);
  quiet.calls.clear();
  n.MoveAgents();
  EXPECT_GT(n.LastPass().moved, 0);
  EXPECT_TRUE(quiet.calls.empty());
  n.RepaintAll();
  EXPECT_EQ(quiet.Shapes().size(), 35u * 35u + 900u);
}

TEST(Relocation, LaterAgentsSeeEarlierMovesInTheFirstPass) {
  // In the first pass each agent computes its own value afresh, after the moves before it.
  Model m = MakeRunningModel(60, 2);
  m.MoveAgents();
  ASSERT_GT(m.LastPass().moved, 0);
  Model check = MakeRunningModel(60, 2);
  // Replaying without moves would give different stored values for some satisfied agents.
  for (const TAgent& a : check.AgentList()) {
    double s = 0;
    check.CalcSatisfaction(a.GridX, a.GridY, s);
  }
  int differing = 0;
  for (std::size_t i = 0; i < m.AgentList().size(); ++i) {
    const TAgent& a = m.AgentList()[i];
    if (a.Satisfied && a.GridX == check.AgentList()[i].GridX &&
        a.GridY == check.AgentList()[i].GridY) {
      differing += m.Grid()[a.GridX][a.GridY].Satisfaction() !=
                   check.Grid()[a.GridX][a.GridY].Satisfaction();
    }
  }
  EXPECT_GT(differing, 0);
}

}  // namespace
}  // namespace segsim

namespace segsim {
namespace {

TEST(Limits, ReplacementsOfTheSetupFields) {
  const LimitContext grid116{116, 116, 694};
  const LimitContext grid20{20, 20, 694};
  struct Row {
    LimitedField field;
    LimitContext context;
    std::int32_t typed, kept;
  };
  const Row rows[] = {
      {LimitedField::AgentCount, grid116, 20000, 12783},
      {LimitedField::AgentCount, grid116, 13456, 13456},
      {LimitedField::AgentCount, grid116, 13457, 12783},
      {LimitedField::AgentCount, grid116, 1, 2},
      {LimitedField::AgentCount, grid116, -5, 2},
      {LimitedField::CellSize, grid116, 35, 34},
      {LimitedField::CellSize, grid116, 34, 34},
      {LimitedField::CellSize, grid116, 0, 1},
      {LimitedField::GroupCount, grid116, 1000, 1000},
      {LimitedField::GroupCount, grid116, 0, 1},
      {LimitedField::MoveDistance, grid116, 58, 58},
      {LimitedField::MoveDistance, grid116, 59, 57},
      {LimitedField::NeighbourRadius, grid116, 58, 58},
      {LimitedField::NeighbourRadius, grid116, 59, 37},
      {LimitedField::MoveDistance, grid20, 10, 10},
      {LimitedField::MoveDistance, grid20, 11, 9},
      {LimitedField::NeighbourRadius, grid20, 10, 10},
      {LimitedField::NeighbourRadius, grid20, 11, 5},
      {LimitedField::NeighbourRadius, grid116, -3, 1},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ApplyFieldLimits(r.field, r.typed, r.context), r.kept)
        << static_cast<int>(r.field) << " typed " << r.typed;
  }
  EXPECT_EQ(ClampThreshold(-4), 0);
  EXPECT_EQ(ClampThreshold(140), 100);
  EXPECT_EQ(ClampThreshold(55), 55);
}

}  // namespace
}  // namespace segsim

namespace segsim {
namespace {

// The integer shortcut of RandomBetween against the extended-precision definition, on states
// whose draw lands exactly on a half and on random ones.
std::uint32_t PreviousState(std::uint32_t next) {
  std::uint32_t inverse = 134775813u;  // Newton's iteration for the inverse modulo 2^32
  for (int i = 0; i < 5; ++i) inverse *= 2u - 134775813u * inverse;
  return (next - 1u) * inverse;
}

TEST(Random, RandomBetweenEqualsTheExtendedDefinition) {
  RandomGenerator states;
  states.Seed(99);
  const std::pair<std::int32_t, std::int32_t> ranges[] = {
      {-56, 55}, {-1, 0}, {-2, 1}, {4, 9}, {-38, 37}, {-1000001, 1000000}, {0, 0}, {-57, 56}};
  for (const auto& [lo, hi] : ranges) {
    const std::uint32_t span = static_cast<std::uint32_t>(hi - lo + 1);
    const int zeros = std::countr_zero(span);
    // state * span = 2^31 * odd^2: the draw is a whole number and a half.
    const std::uint32_t half = (0x80000000u >> zeros) * (span >> zeros);
    for (int i = 0; i < 20000; ++i) {
      const std::uint32_t drawn = i < 3 ? half * (2u * i + 1u) : states.Below(0xFFFFFFFFu);
      RandomGenerator r;
      r.Seed(PreviousState(drawn));
      const std::int32_t fast = TAgent::RandomBetween(r, lo, hi);
      ASSERT_EQ(r.State(), drawn);
      const Extended u = static_cast<Extended>(drawn) / 4294967296LL;
      const Extended exact = u * static_cast<Extended>(span) + lo;
      ASSERT_EQ(fast, Round(exact)) << lo << ".." << hi << " state " << drawn;
    }
  }
  RandomGenerator r;
  r.Seed(PreviousState(1u << 27));  // 2^27 * 112 / 2^32 = 3.5: -52.5 rounds to -52
  EXPECT_EQ(TAgent::RandomBetween(r, -56, 55), -52);
}

}  // namespace
}  // namespace segsim
