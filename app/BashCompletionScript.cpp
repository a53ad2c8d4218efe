// Writes the bash completion of VN_S7_Config_DRV, at build time, from the
// option table the help text comes from and from the settings' keys and
// ranges the --set check uses, so that what the shell offers cannot drift
// from what the program takes.
// usage: vn_bash_completion <output file>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "CommandLineOptions.h"
#include "SettingsCheck.h"

namespace {

constexpr std::string_view kProgram = "VN_S7_Config_DRV";
// A number setting with at most this many values is a choice from a list
// (connection type, COM port, transfer rate, bus speed): the shell offers
// each value. Wider ranges (addresses, port numbers) are typed.
constexpr std::int32_t kMostListedValues = 16;

// The long options, all or only those whose value completes so, each
// with its dashes, joined by separator.
std::string LongNames(char separator, std::optional<TValueCompletion> only = {}) {
  std::string names;
  for (const TCommandLineOption& option : CommandLineOptions()) {
    if (only && option.Completion != *only) continue;
    if (!names.empty()) names += separator;
    names += "--" + std::string(option.LongName);
  }
  return names;
}

std::string SettingKeysWithEquals() {
  std::string words;
  for (const std::string_view key : SettingKeys())
    words += (words.empty() ? "" : " ") + std::string(key) + "=";
  return words;
}

// One case branch per key whose values are listed.
std::string ListedValueCases() {
  std::string cases;
  for (const std::string_view key : SettingKeys()) {
    const auto range = SettingRange(key);
    if (!range || range->Max - range->Min + 1 > kMostListedValues) continue;
    cases += "        " + std::string(key) + "=*) candidates=(";
    for (std::int32_t value = range->Min; value <= range->Max; ++value)
      cases += (value == range->Min ? "" : " ") + std::string(key) + "=" + std::to_string(value);
    cases += ") ;;\n";
  }
  return cases;
}

// A case branch's pattern for the options whose value completes so; one
// that no word matches when there is none.
std::string Pattern(TValueCompletion completion) {
  const std::string names = LongNames('|', completion);
  return names.empty() ? "''" : names;
}

std::string Script() {
  const std::string function = "_" + std::string(kProgram);
  return "# bash completion for " + std::string(kProgram) +
         ", generated from its option table.\n" + function +
         "() {\n"
         "  # Words are taken apart at blanks only, so that Key=Value stays one\n"
         "  # word; bash then replaces what follows the word's last '='.\n"
         "  local line=${COMP_LINE:0:COMP_POINT}\n"
         "  local cur=${line##*[[:space:]]}\n"
         "  local before=${line%\"$cur\"}\n"
         "  before=${before%\"${before##*[![:space:]]}\"}\n"
         "  local prev=${before##*[[:space:]]}\n"
         "  local candidates=()\n"
         "  case $prev in\n"
         "    " + Pattern(TValueCompletion::Folder) + ")\n"
         "      compopt -o filenames 2>/dev/null\n"
         "      mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")\n"
         "      return ;;\n"
         "    " + Pattern(TValueCompletion::Setting) + ")\n"
         "      case $cur in\n" + ListedValueCases() +
         "        *=*) return ;;\n"
         "        *) candidates=(" + SettingKeysWithEquals() + ")\n"
         "           compopt -o nospace 2>/dev/null ;;\n"
         "      esac ;;\n"
         "    *) candidates=(" + LongNames(' ') + ") ;;\n"
         "  esac\n"
         "  mapfile -t COMPREPLY < <(compgen -W \"${candidates[*]}\" -- \"$cur\")\n"
         "  if [[ $cur == *=* && $COMP_WORDBREAKS == *=* ]]; then\n"
         "    COMPREPLY=(\"${COMPREPLY[@]#\"${cur%=*}=\"}\")\n"
         "  fi\n"
         "}\n"
         "complete -F " + function + " " + std::string(kProgram) + "\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: vn_bash_completion <output file>\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << Script();
  out.close();
  if (!out) {
    std::cerr << "vn_bash_completion: cannot write " << argv[1] << '\n';
    return 1;
  }
  return 0;
}
