// segsim-cli merge: the shards of one sweep joined into the whole sweep's output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace segsim {

// How many runs merge runs again to check their rows.
struct MergeVerify {
  std::int64_t runs = 0;  // 0: none
  bool all = false;
};

// Reads the files printed by `segsim-cli sweep --shard K/N` (in any order), checks every column
// of every row (see ReadSweepFile) and that they are the N shards of one sweep (the same command
// apart from --shard, each K once, every run once), runs `verify` of the runs again and compares
// their rows, and writes to out what the same sweep run whole prints: the header, the sweep row,
// every run's row in run order as the shard printed it, then the summary. Raises UsageError,
// before writing anything, for a file that cannot be read or is no such output, files that do
// not make up one whole sweep, or a run whose row differs from its run made again. Returns the
// messages of fits that could not be computed.
std::vector<std::string> MergeShards(std::span<const std::string> paths, std::FILE* out,
                                     MergeVerify verify = {});

}  // namespace segsim
