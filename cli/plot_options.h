// Command-line options of segsim-cli plot.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cli/command_line.h"

namespace segsim {

struct PlotOptions {
  std::string input;         // a sweep's rows (CSV or JSON Lines) or a run's trace
  std::string out;           // PNG, PDF or SVG, by the extension
  std::string measure;       // empty: the input's default (mean_is; a trace: both)
  std::int32_t width = 800;  // pixels (PNG), points (PDF) or SVG units
  std::int32_t height = 600;
  bool partial = false;   // draw a sweep that lacks runs, saying so in the title
  bool annotate = false;  // a heat map: each cell's value written in it
  bool help = false;
};

const OptionTable<PlotOptions>& PlotOptionTable();

// Reads plot's command line; raises UsageError for an unknown option, no input or more than
// one, no --out, a picture type other than .png, .pdf and .svg, or a size out of range.
PlotOptions ParsePlotOptions(std::span<const std::string> args);

// Draws the picture (cli/plot.cpp, built with the windows); returns the exit status.
int PlotMain(const PlotOptions& options);

}  // namespace segsim
