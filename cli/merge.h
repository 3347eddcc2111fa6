// segsim-cli merge: the shards of one sweep joined into the whole sweep's output.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace segsim {

// Reads the files printed by `segsim-cli sweep --shard K/N` (in any order), checks that they are
// the N shards of one sweep (the same command apart from --shard, each K once, every run once)
// and writes to out what the same sweep run whole prints: the header, the sweep row, every run's
// row in run order as the shard printed it, then the averages, trends and fits. Raises
// UsageError, before writing anything, for a file that cannot be read or is no such output, or
// files that do not make up one whole sweep. Returns the messages of fits that could not be
// computed.
std::vector<std::string> MergeShards(std::span<const std::string> paths, std::FILE* out);

}  // namespace segsim
