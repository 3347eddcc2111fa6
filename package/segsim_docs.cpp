// segsim-docs DIR: writes the man pages segsim.1 and segsim-cli.1 and the bash completion of
// segsim-cli into DIR, from the same option tables that read the command lines and write --help.
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "cli/merge_options.h"
#include "cli/plot_options.h"
#include "settings/run_settings.h"
#include "settings/session_settings.h"
#include "settings/sweep_settings.h"
#include "settings/version.h"

namespace {

using segsim::OptionText;

// What the man page and the completion need of one command: its table's texts.
struct Command {
  std::string name;
  std::string description;
  std::string positional;  // "FILE..."; empty: none
  std::vector<segsim::options_detail::HelpRow> rows;
};

template <class O>
Command Describe(const segsim::OptionTable<O>& table) {
  return {table.Command(), table.Description(), table.Positional().valueName, table.Rows()};
}

// Text as roff shows it: backslashes and minus signs escaped, the --help line breaks joined, a
// line that would begin with a control character guarded.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if (c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// Appends the parts in order (GCC 12 warns, wrongly, of overlaps in "..." + std::string&&).
void Append(std::string& out, std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) out += part;
}

// One .TP entry per option: its name (and alias) in bold, its value name in italics, then its
// meaning and default as --help gives them.
std::string RoffOptions(const std::vector<segsim::options_detail::HelpRow>& rows) {
  std::string out;
  for (const auto& row : rows) {
    const OptionText& t = *row.text;
    out += ".TP\n\\fB";
    out += Roff(t.name);
    out += "\\fR";
    if (!t.alias.empty()) {
      out += ", \\fB";
      out += Roff(t.alias);
      out += "\\fR";
    }
    if (!t.valueName.empty()) {
      out += " \\fI";
      out += Roff(t.valueName);
      out += "\\fR";
    }
    out += '\n';
    out += Roff(t.meaning);
    if (t.required) {
      out += " (required)";
    } else if (!row.defaultText.empty()) {
      out += " (default: ";
      out += Roff(row.defaultText);
      out += ')';
    }
    out += '\n';
  }
  return out;
}

std::string Header(const std::string& name, const std::string& summary) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  std::string header = ".TH ";
  header += Roff(upper);
  return header + " 1 \"\" \"segsim " + segsim::Version() + "\" \"User Commands\"\n.SH NAME\n" +
         Roff(name) + " \\- " + Roff(summary) + "\n";
}

std::string SegsimPage() {
  const Command c = Describe(segsim::SessionOptionTable());
  std::string page = Header("segsim", "the interactive model of residential segregation");
  page += ".SH SYNOPSIS\n.B segsim\n[\\fIoptions\\fR]\n.SH DESCRIPTION\n" + Roff(c.description) +
          "\nAgents of several groups live on a grid whose edges wrap round; an agent whose share "
          "of same\\-group neighbours is not above a tolerance threshold moves at random to a "
          "free cell that improves it. The windows show the grid, live charts of satisfaction, "
          "segregation and clusters, and sweeps of one parameter over a range.\n"
          "Qt's own options (\\fB\\-platform\\fR, \\fB\\-style\\fR, ...) are taken as well.\n"
          ".SH OPTIONS\n" +
          RoffOptions(c.rows) + ".SH SEE ALSO\n.BR segsim\\-cli (1)\n";
  return page;
}

std::vector<Command> CliCommands() {
  return {Describe(segsim::RunOptionTable()), Describe(segsim::SweepOptionTable()),
          Describe(segsim::MergeOptionTable()), Describe(segsim::PlotOptionTable())};
}

std::string CliPage(const std::vector<Command>& commands) {
  std::string page = Header("segsim-cli", "the segregation model headless: runs, sweeps, plots");
  page +=
      ".SH SYNOPSIS\n.B segsim\\-cli\n\\fICOMMAND\\fR [\\fIoptions\\fR]\n.br\n"
      ".B segsim\\-cli \\-\\-version\n.br\n.B segsim\\-cli \\-\\-help\n"
      ".SH DESCRIPTION\nThe model of the \\fBsegsim\\fR program without its windows: every run is "
      "repeated exactly from its seed, and a bad option ends with exit status 2 and a message "
      "naming it.\n"
      "Options are written \\fB\\-\\-name\\fR \\fIvalue\\fR or \\fB\\-\\-name=\\fR\\fIvalue\\fR.\n"
      ".SH OPTIONS\n.TP\n\\fB\\-\\-version\\fR\nprint the version and end\n"
      ".TP\n\\fB\\-\\-help\\fR, \\fB\\-h\\fR\nprint the list of commands\n"
      ".SH COMMANDS\n";
  for (const Command& c : commands) {
    page += ".SS \"segsim\\-cli ";
    page += Roff(c.name);
    if (!c.positional.empty()) Append(page, {" ", Roff(c.positional)});
    Append(page, {" [options]\"\n", Roff(c.description), "\n", RoffOptions(c.rows)});
  }
  page +=
      ".SH EXIT STATUS\n0 when the command did its work, 2 for a command line that cannot be "
      "run, 1 for any other failure.\n"
      ".SH SEE ALSO\n.BR segsim (1)\n";
  return page;
}

// complete -F for segsim-cli: the commands first, then each command's options; the value of an
// option that names a file (and a command's positional words) completes as a file name.
std::string Completion(const std::vector<Command>& commands) {
  std::string names;
  for (const Command& c : commands) names += c.name + " ";
  std::string out =
      "# bash completion for segsim-cli, written by segsim-docs from its option tables\n"
      "_segsim_cli()\n{\n"
      "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      "    COMPREPLY=()\n"
      "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
      "        COMPREPLY=($(compgen -W '" +
      names +
      "--help --version' -- \"$cur\"))\n"
      "        return\n    fi\n"
      "    local options= values= files= positional=\n"
      "    case ${COMP_WORDS[1]} in\n";
  for (const Command& c : commands) {
    std::string options, values, files;
    for (const auto& row : c.rows) {
      const OptionText& t = *row.text;
      options += t.name + " ";
      if (t.valueName.empty()) continue;
      values += t.name + " ";
      if (t.valueName == "PICTURE" || t.valueName.find("FILE") != std::string::npos) {
        files += t.name + " ";
      }
    }
    out += "        " + c.name + ")\n            options='" + options + "'\n            values='" +
           values + "'\n            files='" + files +
           "'\n            positional=" + (c.positional.empty() ? "" : "1") + " ;;\n";
  }
  out +=
      "        *) return ;;\n"
      "    esac\n"
      "    if [[ \" $values \" == *\" $prev \"* ]]; then\n"
      "        [[ \" $files \" == *\" $prev \"* ]] && COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      "    elif [[ $cur == -* || -z $positional ]]; then\n"
      "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
      "    else\n"
      "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      "    fi\n"
      "}\n"
      "complete -o filenames -F _segsim_cli segsim-cli\n";
  return out;
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  if (!file) std::fprintf(stderr, "segsim-docs: cannot write %s\n", path.c_str());
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: segsim-docs DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<Command> commands = CliCommands();
  const bool written = Write(dir + "/segsim.1", SegsimPage()) &&
                       Write(dir + "/segsim-cli.1", CliPage(commands)) &&
                       Write(dir + "/segsim-cli", Completion(commands));
  return written ? 0 : 1;
}
