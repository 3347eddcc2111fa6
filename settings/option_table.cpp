#include "settings/option_table.h"

#include <algorithm>

#include "model/numeric.h"

namespace segsim {

namespace {

constexpr std::size_t kHelpWidth = 100;    // --help lines wrap before this column
constexpr std::size_t kLongestLabel = 24;  // a longer label puts its text on the next line
constexpr char kJoined = '\x1f';           // a space that Wrap does not break at

// The words of text, the first at indent, wrapped before kHelpWidth; each further line indented.
std::string Wrap(const std::string& text, std::size_t indent) {
  std::string out;
  std::size_t column = indent;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::size_t length = end - start;
    if (!out.empty()) {
      if (column + 1 + length > kHelpWidth) {
        out += '\n';
        out.append(indent, ' ');
        column = indent;
      } else {
        out += ' ';
        ++column;
      }
    }
    out.append(text, start, length);
    column += length;
    start = end + 1;
  }
  return out;
}

}  // namespace

std::int32_t ParseInt(const std::string& name, const std::string& text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) {
    if (IsIntegerOutOfRange(text)) {
      throw UsageError("the value of " + name + " is out of range: '" + text +
                       "' (an integer from -2147483648 to 2147483647)");
    }
    throw UsageError("the value of " + name + " is no integer: '" + text + "'");
  }
  return value;
}

std::int32_t ParseInRange(const std::string& name, const std::string& text, std::int32_t lo,
                          std::int32_t hi, const std::string& range) {
  if (IsIntegerOutOfRange(text)) throw UsageError(name + " must be " + range + ", not " + text);
  const std::int32_t v = ParseInt(name, text);
  if (v < lo || v > hi) throw UsageError(name + " must be " + range + ", not " + text);
  return v;
}

std::uint32_t ParseSeed(const std::string& text) {
  std::uint32_t value = 0;
  if (!TryStrToSeed(text, value)) {
    throw UsageError("the value of --seed is no 32-bit integer: '" + text + "'");
  }
  return value;
}

namespace options_detail {

std::string FormatHelp(const std::string& usage, const std::string& description,
                       std::span<const options_detail::HelpRow> rows) {
  std::size_t longest = 0;
  std::vector<std::string> labels;
  for (const options_detail::HelpRow& row : rows) {
    std::string label = row.text->name;
    if (!row.text->valueName.empty()) label += " " + row.text->valueName;
    if (label.size() <= kLongestLabel) longest = std::max(longest, label.size());
    labels.push_back(std::move(label));
  }
  const std::size_t column = 2 + longest + 2;
  std::string help = usage + "\n" + description + "\n\n";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string line = "  " + labels[r];
    if (line.size() + 2 > column) {
      line += '\n';
      line.append(column, ' ');
    } else {
      line.append(column - line.size(), ' ');
    }
    std::string text = rows[r].text->meaning;
    if (!rows[r].defaultText.empty() && !rows[r].text->required) {
      // The default stays on one line: its spaces are joined while the words are wrapped.
      std::string shown = "(default: " + rows[r].defaultText + ")";
      std::replace(shown.begin(), shown.end(), ' ', kJoined);
      text += " " + shown;
    }
    std::string wrapped = Wrap(text, column);
    std::replace(wrapped.begin(), wrapped.end(), kJoined, ' ');
    help += line + wrapped + "\n";
  }
  return help;
}

std::string JoinValues(const std::vector<std::string>& values) {
  std::string joined;
  for (const std::string& v : values) joined += (joined.empty() ? "" : " ") + v;
  return joined;
}

}  // namespace options_detail

}  // namespace segsim
