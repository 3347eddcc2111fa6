#include "settings/session_settings.h"

#include <string>
#include <vector>

namespace segsim {

const OptionTable<SessionOptions>& SessionOptionTable() {
  using O = SessionOptions;
  static const OptionTable<O> table(
      "segsim", "The interactive model of segregation by relocation.",
      {{{"--seed", "S",
         "fixes the seeds of the session: the setup at start uses S, each later setup (the "
         "sweep's included) the next value, S + 1, S + 2, ...; S is any 32-bit value, decimal or "
         "hexadecimal (0x...), a negative one taken modulo 2^32 as segsim-cli takes it",
         "seeds from the clock"},
        [](O& o, const std::string& v) { o.seed = ParseSeed(v); },
        [](const O& o) {
          return o.seed ? std::vector<std::string>{std::to_string(*o.seed)}
                        : std::vector<std::string>{};
        }},
       FlagOption<O>({"--version", "", "print the version and end"}, &O::version),
       HelpOption<O>(&O::help)});
  return table;
}

std::string SessionHelpText() {
  std::string usage = "usage: segsim";
  for (const OptionDef<SessionOptions>& d : SessionOptionTable().Options()) {
    usage += " [" + d.text.name + (d.text.valueName.empty() ? "" : " " + d.text.valueName) + "]";
  }
  const auto rows = SessionOptionTable().Rows();
  return options_detail::FormatHelp(usage, SessionOptionTable().Description(), rows);
}

}  // namespace segsim
