// The command-line options of segsim-cli, each defined once: its name, value name, default,
// meaning and how its text is read and checked. A command's OptionTable derives from these the
// parser, the --help text, the command that repeats a run and the README's option table.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace segsim {

// A command line that cannot be run: the message says why; the runner exits with status 2.
class UsageError : public std::runtime_error {
public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Value readers: the strict integer conversion of the window's fields, with the option's name in
// the message.
// "the value of <name> is no integer: '<text>'"
std::int32_t ParseInt(const std::string& name, const std::string& text);
// An integer within lo..hi; otherwise "<name> must be <range>, not <text>".
std::int32_t ParseInRange(const std::string& name, const std::string& text, std::int32_t lo,
                          std::int32_t hi, const std::string& range);
// --seed: any 32-bit value, signed (-1 is 0xFFFFFFFF) or unsigned, decimal or hexadecimal with
// the integer conversion's prefixes ($, x, 0x).
std::uint32_t ParseSeed(const std::string& text);

// What --help and the README say about an option.
struct OptionText {
  OptionText(std::string name_, std::string valueName_, std::string meaning_,
             std::string defaultText_ = {}, bool required_ = false)
      : name(std::move(name_)), valueName(std::move(valueName_)), meaning(std::move(meaning_)),
        defaultText(std::move(defaultText_)), required(required_) {}

  std::string name;         // "--steps"
  std::string valueName;    // "N"; empty: a flag, which takes no value
  std::string meaning;      // what it sets and which values it takes
  std::string defaultText;  // empty: the defaults' values as the repeat command writes them
  bool required = false;
  bool endsParsing = false;  // --help: the rest of the command line is not read
  std::string alias;         // "-h"
};

// One option of a command whose options are held in an O.
template <class O>
struct OptionDef {
  OptionText text;
  // Reads one value into the options, checking it; raises UsageError. A flag is given "". An
  // option given more than once is read each time, in order: a plain option keeps the last
  // value, a repeatable one (a list in O) adds each.
  std::function<void(O&, const std::string&)> read;
  // The values that repeat the option, in order, each written as "name value" (a flag: the name
  // alone for each ""); none: left out. Null: never written (--jobs, --help).
  std::function<std::vector<std::string>(const O&)> write;
};

// The words on the command line that are no option (merge's FILE...); read in order.
template <class O>
struct PositionalDef {
  std::string valueName;  // "FILE..."; empty: the command takes none
  std::function<void(O&, const std::string&)> read;
};

// An option defined on a part of the options (the model's SetupParams) as one of the whole.
template <class O, class Part>
OptionDef<O> Nested(const OptionDef<Part>& def, Part O::*part) {
  OptionDef<O> nested{def.text, nullptr, nullptr};
  nested.read = [read = def.read, part](O& o, const std::string& text) { read(o.*part, text); };
  if (def.write) {
    nested.write = [write = def.write, part](const O& o) { return write(o.*part); };
  }
  return nested;
}

namespace options_detail {

// "--name=value" split at the first '='; the value is absent without one.
struct SplitArg {
  std::string name;
  bool hasValue = false;
  std::string value;
};
SplitArg Split(const std::string& arg);

struct HelpRow {
  const OptionText* text;
  std::string defaultText;
};
std::string FormatHelp(const std::string& usage, const std::string& description,
                       std::span<const HelpRow> rows);
std::string FormatMarkdown(std::span<const HelpRow> rows);
std::string JoinValues(const std::vector<std::string>& values);

}  // namespace options_detail

// The options of one command, in the order of --help and the repeat command.
template <class O>
class OptionTable {
public:
  OptionTable(std::string command, std::string description, std::vector<OptionDef<O>> options,
              PositionalDef<O> positional = {})
      : command_(std::move(command)), description_(std::move(description)),
        options_(std::move(options)), positional_(std::move(positional)) {}

  // Reads the command line into options (which hold the defaults): "--name value" and
  // "--name=value", flags, and the positional words. Raises UsageError for an unknown option,
  // a missing value, a value its option refuses, and a required option not given (unless an
  // option that ends parsing came first).
  O Parse(std::span<const std::string> args, O options = {}) const {
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& arg = args[i];
      const OptionDef<O>* def = Find(arg);
      if (!def && arg.rfind("--", 0) != 0) {
        if (!positional_.read) throw UsageError("unexpected argument '" + arg + "'");
        if (arg.size() > 1 && arg[0] == '-') throw UsageError("unknown option '" + arg + "'");
        positional_.read(options, arg);
        continue;
      }
      const options_detail::SplitArg split =
          def ? options_detail::SplitArg{arg, false, {}} : options_detail::Split(arg);
      if (!def) def = Find(split.name);
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
    for (const OptionDef<O>& d : options_) {
      if (d.text.required && !given.contains(d.text.name)) {
        throw UsageError(command_ + " needs " + d.text.name);
      }
    }
    return options;
  }

  // "usage: segsim-cli <command> <required options> [options]", the description, then one
  // entry per option: its name and value name, meaning and default.
  std::string Help() const {
    std::string usage = "usage: segsim-cli " + command_;
    if (!positional_.valueName.empty()) usage += " " + positional_.valueName;
    for (const OptionDef<O>& d : options_) {
      if (d.text.required) usage += " " + d.text.name + " " + d.text.valueName;
    }
    usage += " [options]";
    const auto rows = Rows({});
    return options_detail::FormatHelp(usage, description_, rows);
  }

  // The options as a command line that repeats what they give: every option that writes itself,
  // in the table's order, defaults written out; those named in leaveOut left out.
  std::string RepeatCommand(const O& options,
                            std::initializer_list<std::string_view> leaveOut = {}) const {
    std::string command;
    for (const OptionDef<O>& d : options_) {
      if (!d.write || Contains(leaveOut, d.text.name)) continue;
      for (const std::string& value : d.write(options)) {
        if (!command.empty()) command += ' ';
        command += d.text.name;
        if (!d.text.valueName.empty()) command += " " + value;
      }
    }
    return command;
  }

  // The README's table of the options (option, default, meaning), those in leaveOut left out.
  std::string MarkdownTable(std::initializer_list<std::string_view> leaveOut = {}) const {
    return options_detail::FormatMarkdown(Rows(leaveOut));
  }

  const std::vector<OptionDef<O>>& Options() const { return options_; }

private:
  const OptionDef<O>* Find(const std::string& name) const {
    for (const OptionDef<O>& d : options_) {
      if (d.text.name == name || (!d.text.alias.empty() && d.text.alias == name)) return &d;
    }
    return nullptr;
  }

  static bool Contains(std::initializer_list<std::string_view> names, const std::string& name) {
    for (std::string_view n : names) {
      if (n == name) return true;
    }
    return false;
  }

  std::vector<options_detail::HelpRow> Rows(
      std::initializer_list<std::string_view> leaveOut) const {
    std::vector<options_detail::HelpRow> rows;
    const O defaults{};
    for (const OptionDef<O>& d : options_) {
      if (Contains(leaveOut, d.text.name)) continue;
      std::string shown = d.text.defaultText;
      if (d.text.required)
        shown = "required";
      else if (shown.empty() && d.write && !d.text.valueName.empty()) {
        shown = options_detail::JoinValues(d.write(defaults));
      }
      rows.push_back({&d.text, shown});
    }
    return rows;
  }

  std::string command_;
  std::string description_;
  std::vector<OptionDef<O>> options_;
  PositionalDef<O> positional_;
};

// Builders for the common kinds of option.

// An integer read with ParseInt into a field, written back as it is.
template <class O>
OptionDef<O> IntOption(OptionText text, std::int32_t O::*field) {
  const std::string name = text.name;
  return {std::move(text),
          [field, name](O& o, const std::string& v) { o.*field = ParseInt(name, v); },
          [field](const O& o) { return std::vector<std::string>{std::to_string(o.*field)}; }};
}

// An integer within lo..hi ("<name> must be <range>, not <text>" otherwise).
template <class O>
OptionDef<O> IntOption(OptionText text, std::int32_t O::*field, std::int32_t lo, std::int32_t hi,
                       std::string range) {
  const std::string name = text.name;
  return {std::move(text),
          [=](O& o, const std::string& v) { o.*field = ParseInRange(name, v, lo, hi, range); },
          [field](const O& o) { return std::vector<std::string>{std::to_string(o.*field)}; }};
}

// A flag that sets a bool; written when set.
template <class O>
OptionDef<O> FlagOption(OptionText text, bool O::*field) {
  return {std::move(text), [field](O& o, const std::string&) { o.*field = true; },
          [field](const O& o) {
            return o.*field ? std::vector<std::string>{""} : std::vector<std::string>{};
          }};
}

// --help / -h: sets the field and ends parsing; never written.
template <class O>
OptionDef<O> HelpOption(bool O::*field) {
  OptionText text("--help", "", "print this text");
  text.endsParsing = true;
  text.alias = "-h";
  return {std::move(text), [field](O& o, const std::string&) { o.*field = true; }, nullptr};
}

}  // namespace segsim
