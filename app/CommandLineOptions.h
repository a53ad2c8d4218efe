#pragma once
// The command line's options, one row each. The parser, the --help text,
// the shell completion (generated at build time) and the installation check
// of the manual page all read this table, so an option is in all of them or
// in none. No Qt: the completion generator builds on it alone.
#include <span>
#include <string>
#include <string_view>

// What the shell offers for an option's value.
enum class TValueCompletion {
  // A switch, or a value the shell cannot guess.
  Nothing,
  // A folder.
  Folder,
  // "Key=" for every setting key, then the values of a key that has few.
  Setting,
};

struct TCommandLineOption {
  // Without the dashes; the short name is empty when there is none.
  std::string_view ShortName;
  std::string_view LongName;
  // The value's name in the help ("DIR"); empty for a switch.
  std::string_view ValueName;
  TValueCompletion Completion;
  // The help text in English, the catalogue's identifier for its
  // translation; a line break continues it on the next line of the help.
  const char* Help;
  // The value name stands for the arguments that follow (--read
  // [CHANNEL]...), not for a value of the option itself.
  bool TakesArguments = false;
};

// Every option in the order --help lists them.
std::span<const TCommandLineOption> CommandLineOptions();

// How the help names the option: "-h, --help", "--dir DIR".
std::string OptionSpelling(const TCommandLineOption& option);
