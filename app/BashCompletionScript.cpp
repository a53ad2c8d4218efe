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

#include "app/CommandLineOptions.h"
#include "config/SettingsCheck.h"

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

// Words are taken apart at blanks only, so that Key=Value stays one word;
// bash itself replaces only what follows the word's last '='.
constexpr std::string_view kTemplate =
    R"(# bash completion for @PROGRAM@, generated from its option table.
_@PROGRAM@() {
  local line=${COMP_LINE:0:COMP_POINT}
  local cur=${line##*[[:space:]]}
  local before=${line%"$cur"}
  before=${before%"${before##*[![:space:]]}"}
  local prev=${before##*[[:space:]]}
  local candidates=()
  case $prev in
    @FOLDER_OPTIONS@)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return ;;
    @SETTING_OPTIONS@)
      case $cur in
@LISTED_VALUES@        *=*) return ;;
        *) candidates=(@SETTING_KEYS@)
           compopt -o nospace 2>/dev/null ;;
      esac ;;
    *) candidates=(@LONG_OPTIONS@) ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "${candidates[*]}" -- "$cur")
  if [[ $cur == *=* && $COMP_WORDBREAKS == *=* ]]; then
    COMPREPLY=("${COMPREPLY[@]#"${cur%=*}="}")
  fi
}
complete -F _@PROGRAM@ @PROGRAM@
)";

void ReplaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
  for (auto at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size()))
    text.replace(at, placeholder.size(), value);
}

std::string Script() {
  std::string script(kTemplate);
  ReplaceAll(script, "@PROGRAM@", std::string(kProgram));
  ReplaceAll(script, "@FOLDER_OPTIONS@", Pattern(TValueCompletion::Folder));
  ReplaceAll(script, "@SETTING_OPTIONS@", Pattern(TValueCompletion::Setting));
  ReplaceAll(script, "@LISTED_VALUES@", ListedValueCases());
  ReplaceAll(script, "@SETTING_KEYS@", SettingKeysWithEquals());
  ReplaceAll(script, "@LONG_OPTIONS@", LongNames(' '));
  return script;
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
