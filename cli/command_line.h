// segsim-cli's command lines: the words of argv read into a command's options by its
// OptionTable (settings/option_table.h), and the --help text and README table drawn from it.
#pragma once

#include <initializer_list>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "settings/option_table.h"

namespace segsim {

namespace command_line_detail {

// "--name=value" split at the first '='; the value is absent without one.
struct SplitArg {
  std::string name;
  bool hasValue = false;
  std::string value;
};
SplitArg Split(const std::string& arg);

using options_detail::FormatHelp;
std::string FormatMarkdown(std::span<const options_detail::HelpRow> rows);

}  // namespace command_line_detail

// Reads the command line into options (which hold the defaults): "--name value" and
// "--name=value", flags, and the positional words. Raises UsageError for an unknown option,
// a missing value, a value its option refuses, and a required option not given (unless an
// option that ends parsing came first).
template <class O>
O ParseCommandLine(const OptionTable<O>& table, std::span<const std::string> args, O options = {}) {
  namespace detail = command_line_detail;
  const PositionalDef<O>& positional = table.Positional();
  std::set<std::string> given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const OptionDef<O>* def = table.Find(arg);
    if (!def && arg.rfind("--", 0) != 0) {
      if (!positional.read) throw UsageError("unexpected argument '" + arg + "'");
      if (arg.size() > 1 && arg[0] == '-') throw UsageError("unknown option '" + arg + "'");
      positional.read(options, arg);
      continue;
    }
    const detail::SplitArg split = def ? detail::SplitArg{arg, false, {}} : detail::Split(arg);
    if (!def) def = table.Find(split.name);
    if (!def) throw UsageError("unknown option '" + split.name + "'");
    const OptionText& t = def->text;
    if (t.valueName.empty()) {
      if (split.hasValue) throw UsageError("option " + t.name + " takes no value");
      def->read(options, "");
      if (t.endsParsing) return options;
    } else if (split.hasValue) {
      def->read(options, split.value);
    } else {
      if (i + 1 >= args.size()) throw UsageError("option " + t.name + " needs a value");
      def->read(options, args[++i]);
    }
    given.insert(t.name);
  }
  table.RequireGiven(given);
  return options;
}

// "usage: segsim-cli <command> <required options> [options]", the description, then one
// entry per option: its name and value name, meaning and default.
template <class O>
std::string HelpText(const OptionTable<O>& table) {
  std::string usage = "usage: segsim-cli " + table.Command();
  if (!table.Positional().valueName.empty()) usage += " " + table.Positional().valueName;
  for (const OptionDef<O>& d : table.Options()) {
    if (d.text.required) usage += " " + d.text.name + " " + d.text.valueName;
  }
  usage += " [options]";
  const auto rows = table.Rows();
  return command_line_detail::FormatHelp(usage, table.Description(), rows);
}

// The README's table of the options (option, default, meaning), those in leaveOut left out.
template <class O>
std::string MarkdownTable(const OptionTable<O>& table,
                          std::initializer_list<std::string_view> leaveOut = {}) {
  return command_line_detail::FormatMarkdown(table.Rows(leaveOut));
}

}  // namespace segsim
