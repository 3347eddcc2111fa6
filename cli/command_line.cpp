#include "cli/command_line.h"

namespace segsim {

namespace command_line_detail {

SplitArg Split(const std::string& arg) {
  const std::size_t equals = arg.find('=');
  if (equals == std::string::npos) return {arg, false, {}};
  return {arg.substr(0, equals), true, arg.substr(equals + 1)};
}

std::string FormatMarkdown(std::span<const options_detail::HelpRow> rows) {
  std::string table = "| option | default | meaning |\n|---|---|---|\n";
  for (const options_detail::HelpRow& row : rows) {
    std::string label = row.text->name;
    if (!row.text->valueName.empty()) label += " " + row.text->valueName;
    const std::string shown = row.defaultText.empty() ? "" : row.defaultText + " ";
    table += "| `" + label + "` | " + shown + "| " + row.text->meaning + " |\n";
  }
  return table;
}

}  // namespace command_line_detail

}  // namespace segsim
