// The settings of segsim-cli's commands, each defined once as an option: its name, value name,
// default, meaning and how its text is read and checked. The command line's parser and --help
// (cli/command_line.h), the Python module's keyword arguments, the command that repeats a run and
// the README's option table all follow from a command's OptionTable.
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

struct HelpRow {
  const OptionText* text;
  std::string defaultText;
};
std::string JoinValues(const std::vector<std::string>& values);
// The usage line, the description, then one entry per row: its name and value name, meaning and
// default, wrapped before column 100 (the --help of segsim-cli's commands and of segsim).
std::string FormatHelp(const std::string& usage, const std::string& description,
                       std::span<const HelpRow> rows);

}  // namespace options_detail

// The options of one command, in the order of --help and the repeat command.
template <class O>
class OptionTable {
public:
  OptionTable(std::string command, std::string description, std::vector<OptionDef<O>> options,
              PositionalDef<O> positional = {})
      : command_(std::move(command)), description_(std::move(description)),
        options_(std::move(options)), positional_(std::move(positional)) {}

  // Reads one value into options as the option named name (or its alias) reads it; a flag
  // ignores value. Raises UsageError: "unknown option '<name>'", or the option's own refusal.
  void Set(O& options, const std::string& name, const std::string& value) const {
    const OptionDef<O>* def = Find(name);
    if (!def) throw UsageError("unknown option '" + name + "'");
    def->read(options, def->text.valueName.empty() ? std::string() : value);
  }

  // Refuses options that leave out a required one: "<command> needs <name>" for the first in
  // the table's order whose name is not in given.
  void RequireGiven(const std::set<std::string>& given) const {
    for (const OptionDef<O>& d : options_) {
      if (d.text.required && !given.contains(d.text.name)) {
        throw UsageError(command_ + " needs " + d.text.name);
      }
    }
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

  const std::string& Command() const { return command_; }
  const std::string& Description() const { return description_; }
  const std::vector<OptionDef<O>>& Options() const { return options_; }
  const PositionalDef<O>& Positional() const { return positional_; }

  // The option of that name or alias; null for none.
  const OptionDef<O>* Find(const std::string& name) const {
    for (const OptionDef<O>& d : options_) {
      if (d.text.name == name || (!d.text.alias.empty() && d.text.alias == name)) return &d;
    }
    return nullptr;
  }

  // Each option but those in leaveOut with the default --help and the README show: "required",
  // its defaultText, or the defaults' values as the repeat command writes them.
  std::vector<options_detail::HelpRow> Rows(
      std::initializer_list<std::string_view> leaveOut = {}) const {
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

private:
  static bool Contains(std::initializer_list<std::string_view> names, const std::string& name) {
    for (std::string_view n : names) {
      if (n == name) return true;
    }
    return false;
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
