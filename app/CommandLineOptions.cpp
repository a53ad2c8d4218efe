#include "app/CommandLineOptions.h"

#include <array>

#include "plc/nodave/ComposedText.h"
#include "plc/nodave/WireLimits.h"

namespace {

constexpr nodave::TComposedText kPortHelp =
    nodave::ComposeText({"the TCP port --scan probes (default ", nodave::kIsoTcpPort, ")"});

constexpr std::array kOptions{
    TCommandLineOption{"h", "help", "", TValueCompletion::Nothing, "show this help and end"},
    TCommandLineOption{"v", "version", "", TValueCompletion::Nothing, "show the version and end"},
    TCommandLineOption{"", "dir", "DIR", TValueCompletion::Folder,
                       "search the S7 driver in DIR/drv instead of ./drv\n"
                       "(also for the dialog)"},
    TCommandLineOption{"", "show", "", TValueCompletion::Nothing,
                       "show the settings of the driver's .CFG file,\n"
                       "its path and the number of channel lines"},
    TCommandLineOption{"", "set", "Key=Value", TValueCompletion::Setting,
                       "change a setting (repeatable); all or nothing"},
    TCommandLineOption{"", "check", "", TValueCompletion::Nothing,
                       "check every channel line of the file"},
    TCommandLineOption{"", "read-info", "", TValueCompletion::Nothing,
                       "connect to the PLC, show its order code,\n"
                       "identity and operating state"},
    TCommandLineOption{"", "list-partners", "", TValueCompletion::Nothing,
                       "list the bus addresses that answer (MPI types)"},
    TCommandLineOption{"", "diagnose", "", TValueCompletion::Nothing,
                       "test the PLC connection step by step: one line\n"
                       "per step with result and time; on failure the\n"
                       "cause and what to try"},
    TCommandLineOption{"", "scan", "RANGE", TValueCompletion::Nothing,
                       "find the PLCs in RANGE (A.B.C.D, A.B.C.D/NN\n"
                       "or A.B.C.D-E) and show one line each"},
    TCommandLineOption{"", "port", "N", TValueCompletion::Nothing, kPortHelp.Chars},
    TCommandLineOption{"", "verify", "", TValueCompletion::Nothing,
                       "connect to the PLC and read every channel of the\n"
                       "file; list the channels the PLC refuses"},
    TCommandLineOption{"", "read", "[CHANNEL]...", TValueCompletion::Nothing,
                       "show what the channels hold (paths as in the\n"
                       "file, SPS;DB;10;4; none: every channel of the file)",
                       true},
    TCommandLineOption{"", "json", "", TValueCompletion::Nothing,
                       "print the result as one JSON document\n"
                       "(keys in the manual page)"},
};

}  // namespace

std::span<const TCommandLineOption> CommandLineOptions() {
  return kOptions;
}

std::string OptionSpelling(const TCommandLineOption& option) {
  std::string spelling;
  if (!option.ShortName.empty()) spelling = "-" + std::string(option.ShortName) + ", ";
  spelling += "--" + std::string(option.LongName);
  if (!option.ValueName.empty()) spelling += " " + std::string(option.ValueName);
  return spelling;
}
