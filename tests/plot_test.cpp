// segsim-cli plot as a person runs it, without a display: the pictures open as PNG, PDF and SVG
// of the size asked for, and inputs it cannot draw are refused with status 2.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/run.h"
#include "cli_process.h"
#include "sweep_test_util.h"

namespace segsim {
namespace {

using namespace segsim::testing;
namespace fs = std::filesystem;

class PlotTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    dir_ = fs::temp_directory_path() / ("segsim_plot_" + std::to_string(getpid()));
    fs::create_directories(dir_);
    Write("one.csv", SweepText(SmallSweep()));
    Write("two.jsonl",
          SweepText({"--param", "threshold=10:70:30", "--param", "groups=2,3", "--runs", "2",
                     "--steps", "3", "--cell-size", "20", "--seed", "3", "--format", "jsonl"}));
    Write("three.csv",
          SweepText({"--param", "threshold=10,20", "--param", "groups=2,3", "--param", "radius=1,2",
                     "--runs", "1", "--steps", "1", "--cell-size", "25", "--seed", "3"}));
    Write("shard.csv", SweepText(SmallSweep({"--shard", "1/3"})));
    const std::string whole = SweepText(SmallSweep());  // stopped: the first 5 of 9 runs kept
    std::size_t end = 0;
    for (int n = 0; n < 7; ++n) end = whole.find('\n', end) + 1;
    Write("stopped.csv", whole.substr(0, end));
    Write("trace.jsonl", Capture([](std::FILE* f) {
            RunTrace(ParseRunOptions(std::vector<std::string>{"--seed", "2", "--steps", "40",
                                                              "--cell-size", "20"}),
                     f);
          }));
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::string Path(const std::string& name) { return (dir_ / name).string(); }
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  static std::string Read(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static Ended Plot(std::vector<std::string> args) {
    args.insert(args.begin(), "plot");
    Child child = StartCli(args);
    return Finish(child);
  }

  static fs::path dir_;
};

fs::path PlotTest::dir_;

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST_F(PlotTest, PicturesOpenAsTheirTypeAtTheSizeAsked) {
  const std::vector<std::string> inputs = {"one.csv", "two.jsonl", "trace.jsonl"};
  for (const std::string& input : inputs) {
    for (const std::string ext : {"png", "pdf", "svg"}) {
      const std::string out = input + "." + ext;
      const Ended e = Plot({Path(input), "--out", Path(out), "--width", "640", "--height", "410"});
      ASSERT_EQ(e.status, 0) << out << ": " << e.err;
      EXPECT_EQ(e.out, "");
      EXPECT_EQ(e.err, "") << out;
      const std::string bytes = Read(out);
      if (ext == "png") {
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n") << out;
        EXPECT_EQ(bytes.substr(12, 4), "IHDR");
        EXPECT_EQ(BigEndian(bytes, 16), 640u) << out;
        EXPECT_EQ(BigEndian(bytes, 20), 410u) << out;
      } else if (ext == "pdf") {
        EXPECT_EQ(bytes.substr(0, 5), "%PDF-") << out;
        EXPECT_NE(bytes.find("%%EOF", bytes.size() - 8), std::string::npos) << out;
        EXPECT_TRUE(
            std::regex_search(bytes, std::regex("/MediaBox \\[0 0 640(\\.0+)? 410(\\.0+)?\\]")))
            << out;
      } else {
        EXPECT_EQ(bytes.rfind("<?xml", 0), 0u) << out;
        EXPECT_NE(bytes.find("viewBox=\"0 0 640 410\""), std::string::npos) << out;
        EXPECT_NE(bytes.find("</svg>"), std::string::npos) << out;
      }
    }
  }
}

// Each chart is drawn: a two-parameter sweep gives another picture than one parameter, and a
// measure gives another picture than the default one.
TEST_F(PlotTest, TheMeasureAndTheInputChangeThePicture) {
  ASSERT_EQ(Plot({Path("one.csv"), "--out", Path("a.png")}).status, 0);
  ASSERT_EQ(Plot({Path("one.csv"), "--out", Path("b.png"), "--measure", "clusters"}).status, 0);
  ASSERT_EQ(Plot({Path("two.jsonl"), "--out", Path("c.png")}).status, 0);
  EXPECT_NE(Read("a.png"), Read("b.png"));
  EXPECT_NE(Read("a.png"), Read("c.png"));
}

// Past a file-size limit no cut-off picture is left, under the name given or beside it.
TEST_F(PlotTest, APictureThatCannotBeWrittenWholeIsNotLeft) {
  ChildSetup limited;
  limited.fileSizeLimit = 4096;
  for (const std::string ext : {"png", "pdf", "svg"}) {
    const std::string out = Path("limit." + ext);
    Child child = StartCli({"plot", Path("one.csv"), "--out", out, "--height", "3000"}, limited);
    const Ended e = Finish(child);
    EXPECT_EQ(e.status, 1) << e.err;
    EXPECT_NE(e.err.find("cannot write to " + out + ": File too large"), std::string::npos)
        << e.err;
  }
  for (const auto& f : fs::directory_iterator(dir_)) EXPECT_NE(f.path().stem(), "limit") << f;
}

// What the titles, the legend and --annotate write, as the SVG's texts.
TEST_F(PlotTest, TheTextsOfThePictureNameWhatItShows) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"one.csv"}, {"runs", "average", "fit", "trend", "mean_is per value of groups"}},
      {{"two.jsonl"}, {"mean segregation index, 2 runs per combination"}},
      {{"two.jsonl", "--measure", "clusters"}, {"mean number of clusters, 2 runs per combination"}},
      {{"two.jsonl", "--measure", "satisfaction"}, {"mean satisfaction, 2 runs per combination"}},
      {{"stopped.csv", "--partial"}, {"mean_is per value of groups (partial: 5 of 9 runs)"}},
  };
  for (auto [args, texts] : cases) {
    args[0] = Path(args[0]);
    args.insert(args.end(), {"--out", Path("t.svg")});
    ASSERT_EQ(Plot(args).status, 0) << args[0];
    const std::string svg = Read("t.svg");
    for (const std::string& t : texts)
      EXPECT_NE(svg.find(">" + t + "</text>"), std::string::npos) << t;
  }
  // --annotate adds one number per combination (3 x 2), whole or with one decimal.
  const auto numbers = [](const std::string& extra) {
    EXPECT_EQ(Plot({Path("two.jsonl"), "--out", Path("t.svg"), extra}).status, 0);
    const std::string svg = Read("t.svg");
    const std::regex number(">[0-9]+(\\.[0-9])?</text>");
    return std::distance(std::sregex_iterator(svg.begin(), svg.end(), number), {});
  };
  EXPECT_EQ(numbers("--annotate") - numbers("--width=800"), 6);
}

TEST_F(PlotTest, InputsItCannotDrawAreRefused) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{Path("three.csv"), "--out", Path("x.png")}, "sweep of one or two parameters"},
      {{Path("one.csv"), "--out", Path("x.png"), "--measure", "moved"}, "no measure 'moved'"},
      {{Path("trace.jsonl"), "--out", Path("x.png"), "--measure", "clusters"},
       "no measure 'clusters'"},
      {{Path("one.csv"), "--out", Path("x.gif")}, "--out must end in .png, .pdf or .svg"},
      {{Path("one.csv")}, "plot needs --out"},
      {{"--out", Path("x.png")}, "plot needs the INPUT"},
      {{Path("absent.csv"), "--out", Path("x.png")}, "cannot be read"},
      {{Path("stopped.csv"), "--out", Path("x.png")}, "the sweep is incomplete: 5 of 9 runs"},
      {{Path("shard.csv"), "--out", Path("x.png")},
       "the sweep is incomplete: shard 1/3, 3 of 9 runs (merge the shards first"},
      {{Path("one.csv"), "--out", Path("x.png"), "--annotate"}, "--annotate writes the means"},
      {{Path("trace.jsonl"), "--out", Path("x.png"), "--annotate"}, "not a trace"},
  };
  for (const auto& [args, message] : cases) {
    const Ended e = Plot(args);
    EXPECT_EQ(e.status, 2) << message << ": " << e.err;
    EXPECT_EQ(e.out, "");
    EXPECT_NE(e.err.find(message), std::string::npos) << e.err;
  }
  EXPECT_FALSE(fs::exists(Path("x.png")));
}

// Segsim's message alone, none of Qt's warnings (here one Qt gives about its environment).
TEST_F(PlotTest, AFailureIsToldBySegsimAlone) {
  setenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "bogus", 1);
  for (const std::string out : {"/nonexistent/x.svg", "/nonexistent/x.png"}) {
    EXPECT_EQ(Plot({Path("one.csv"), "--out", out}).err,
              "segsim-cli: cannot write to " + out + ": No such file or directory\n");
  }
  unsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
}

}  // namespace
}  // namespace segsim
