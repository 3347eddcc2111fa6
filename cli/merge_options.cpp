#include "cli/merge_options.h"

namespace segsim {

const OptionTable<MergeOptions>& MergeOptionTable() {
  static const OptionTable<MergeOptions> table = [] {
    using O = MergeOptions;
    std::vector<OptionDef<O>> defs;
    defs.push_back(HelpOption(&O::help));
    return OptionTable<O>(
        "merge",
        "Joins the outputs of segsim-cli sweep --shard K/N (all N shards of one sweep, in any "
        "order)\nand prints what the sweep run whole prints: every run in run order, then the "
        "averages,\ntrends and fits.",
        std::move(defs),
        {"FILE...", [](O& o, const std::string& file) { o.files.push_back(file); }});
  }();
  return table;
}

MergeOptions ParseMergeOptions(std::span<const std::string> args) {
  MergeOptions options = MergeOptionTable().Parse(args);
  if (!options.help && options.files.empty()) {
    throw UsageError("merge needs the files of the shards");
  }
  return options;
}

}  // namespace segsim
