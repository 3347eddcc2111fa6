// Command-line options of segsim-cli merge.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/merge.h"

namespace segsim {

struct MergeOptions {
  std::vector<std::string> files;  // the shards' outputs, in any order
  MergeVerify verify;              // runs made again to check their rows
  bool help = false;
};

const OptionTable<MergeOptions>& MergeOptionTable();

// Reads merge's command line; raises UsageError for an unknown option or no file.
MergeOptions ParseMergeOptions(std::span<const std::string> args);

}  // namespace segsim
