#include "cli/merge_options.h"

#include <limits>

namespace segsim {

const OptionTable<MergeOptions>& MergeOptionTable() {
  static const OptionTable<MergeOptions> table = [] {
    using O = MergeOptions;
    std::vector<OptionDef<O>> defs;
    defs.push_back(
        {{"--verify", "K",
          "run K runs chosen at random again (all: every run) and refuse the files when a row "
          "differs from its run made again",
          "0"},
         [](O& o, const std::string& v) {
           if (v == "all") {
             o.verify = {0, true};
             return;
           }
           o.verify = {ParseInRange("--verify", v, 0, std::numeric_limits<std::int32_t>::max(),
                                    "a number of runs or all"),
                       false};
         },
         nullptr});
    defs.push_back(HelpOption(&O::help));
    return OptionTable<O>(
        "merge",
        "Joins the outputs of segsim-cli sweep --shard K/N (all N shards of one sweep, in any "
        "order)\nand prints what the sweep run whole prints: every run in run order, then the "
        "summary.\nEvery column of every row is checked first; nothing is printed when one is "
        "wrong.",
        std::move(defs),
        {"FILE...", [](O& o, const std::string& file) { o.files.push_back(file); }});
  }();
  return table;
}

MergeOptions ParseMergeOptions(std::span<const std::string> args) {
  MergeOptions options = ParseCommandLine(MergeOptionTable(), args);
  if (!options.help && options.files.empty()) {
    throw UsageError("merge needs the files of the shards");
  }
  return options;
}

}  // namespace segsim
