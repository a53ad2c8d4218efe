#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/CommandLineOptions.h"
#include "app/DiagnoseMode.h"
#include "app/HWConfiguratorClass.h"
#include "app/JsonOutput.h"
#include "app/ModeOutput.h"
#include "app/ReadMode.h"
#include "app/ScanMode.h"
#include "app/ScanReport.h"
#include "app/SetMode.h"
#include "app/VerifyMode.h"
#include "config/ChannelEntryCheck.h"
#include "config/ChannelTreeModel.h"
#include "config/ConfigReading.h"
#include "config/ConnectionType.h"
#include "config/SettingsTable.h"
#include "config/VNList.h"
#include "plc/CardServices.h"
#include "plc/PlcReads.h"
#include "plc/WireLimitCheck.h"
#include "support/Localization.h"

namespace {

enum class TMode {
  Dialog,
  Help,
  Version,
  Show,
  Set,
  Check,
  ReadInfo,
  ListPartners,
  Diagnose,
  Scan,
  Verify,
  Read
};

struct TRequest {
  TMode Mode = TMode::Dialog;
  std::string DriverFolder;
  std::vector<std::string> Assignments;
  TScanRequest Scan;
  // --read: the channel paths given, none for every channel of the file.
  std::vector<std::string> Channels;
  // One JSON document on standard output instead of the text.
  bool Json = false;
};

// The modes, each chosen by the option of its name; whether it prints its
// result as JSON with --json.
struct TModeOption {
  const char* Option;
  TMode Mode;
  bool TakesJson;
};
constexpr TModeOption kModes[] = {
    {"show", TMode::Show, true},
    {"set", TMode::Set, false},
    {"check", TMode::Check, true},
    {"read-info", TMode::ReadInfo, true},
    {"list-partners", TMode::ListPartners, true},
    {"diagnose", TMode::Diagnose, true},
    {"scan", TMode::Scan, true},
    {"verify", TMode::Verify, true},
    {"read", TMode::Read, true},
};

// The modes' options as a message lists them ("--show, --set, ..."); with
// onlyJson those that take --json.
std::string ModeOptions(bool onlyJson) {
  std::string list;
  for (const TModeOption& mode : kModes) {
    if (onlyJson && !mode.TakesJson) continue;
    if (!list.empty()) list += ", ";
    list += std::string("--") + mode.Option;
  }
  return list;
}

// The arguments reach the parser as Latin-1, one character per byte: the
// option names are ASCII, and every value comes back as the very bytes the
// user gave (a file name or text need not be valid in any encoding).
QString ArgumentText(const char* bytes) {
  return QString::fromLatin1(bytes);
}
std::string ArgumentBytes(const QString& argument) {
  return argument.toLatin1().toStdString();
}
// A text of the toolkit for the user.
std::string UserText(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

// The parser takes every option of the table; modes ask for them by long name.
void AddOptions(QCommandLineParser& parser) {
  for (const TCommandLineOption& option : CommandLineOptions()) {
    QStringList names;
    if (!option.ShortName.empty()) names << QString::fromLatin1(option.ShortName);
    names << QString::fromLatin1(option.LongName);
    const QString valueName =
        option.TakesArguments ? QString() : QString::fromLatin1(option.ValueName);
    parser.addOption(QCommandLineOption(names, {}, valueName));
  }
}

QStringList ArgumentsOf(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << ArgumentText(argv[i]);
  return arguments;
}

// The parser's own texts are the toolkit's and follow its translation,
// loaded once the core application exists.
// jsonWanted: set as soon as the mode is known to print a JSON document, so
// that a refusal after it still gets one.
TResultOr<TRequest> ParseRequest(const QStringList& arguments, bool* jsonWanted = nullptr) {
  using TParsed = TResultOr<TRequest>;
  QCommandLineParser parser;
  AddOptions(parser);
  if (!parser.parse(arguments)) return TParsed::Failed(UsageError(UserText(parser.errorText())));
  // Only --read takes arguments of its own: the channels.
  if (!parser.positionalArguments().isEmpty() && !parser.isSet("read")) {
    return TParsed::Failed(UsageError(FillIn(
        Tr("Unexpected argument \"%s\"."), {ArgumentBytes(parser.positionalArguments().first())})));
  }

  TRequest request;
  if (parser.isSet("help")) {
    request.Mode = TMode::Help;
    return {{}, request};
  }
  if (parser.isSet("version")) {
    request.Mode = TMode::Version;
    return {{}, request};
  }
  for (const TModeOption& mode : kModes) {
    if (!parser.isSet(mode.Option)) continue;
    if (request.Mode != TMode::Dialog)
      return TParsed::Failed(
          UsageError(FillIn(Tr("Only one of %s at a time."), {ModeOptions(false)})));
    request.Mode = mode.Mode;
    request.Json = parser.isSet("json");
    if (request.Json && !mode.TakesJson)
      return TParsed::Failed(
          UsageError(FillIn(Tr("The option --json goes only with %s."), {ModeOptions(true)})));
  }
  if (jsonWanted) *jsonWanted = request.Json;
  if (parser.isSet("json") && !request.Json)
    return TParsed::Failed(
        UsageError(FillIn(Tr("The option --json goes only with %s."), {ModeOptions(true)})));
  for (const QString& assignment : parser.values("set"))
    request.Assignments.push_back(ArgumentBytes(assignment));
  if (parser.isSet("port") && request.Mode != TMode::Scan)
    return TParsed::Failed(UsageError(Tr("The option --port goes only with --scan.")));
  if (request.Mode == TMode::Scan) {
    const std::string port = ArgumentBytes(parser.value("port"));
    const auto scan =
        ScanRequestOf(ArgumentBytes(parser.value("scan")),
                      parser.isSet("port") ? std::optional<std::string_view>(port) : std::nullopt);
    if (!scan.Result) return TParsed::Failed(scan.Result);
    request.Scan = scan.Value;
  }

  if (request.Mode == TMode::Read) {
    for (const QString& channel : parser.positionalArguments())
      request.Channels.push_back(ArgumentBytes(channel));
    // A path is refused before anything is read.
    if (const auto paths = ChannelArgumentsOf(request.Channels); !paths.Result)
      return TParsed::Failed(paths.Result);
  }

  if (parser.isSet("dir")) {
    const std::string dir = ArgumentBytes(parser.value("dir"));
    if (dir.empty()) return TParsed::Failed(UsageError(Tr("The option --dir needs a folder.")));
    request.DriverFolder = (std::filesystem::path(dir) / "drv").string();
  } else {
    request.DriverFolder = CurrentDriverFolder();
  }
  return {{}, request};
}

// The help's options, from the option table: each name in a column of its
// own, its text beside it, continuation lines indented below the text.
std::string OptionsHelp() {
  constexpr std::size_t kTextColumn = 23;
  const std::string indent(kTextColumn, ' ');
  std::string help;
  for (const TCommandLineOption& option : CommandLineOptions()) {
    std::string line = "  " + OptionSpelling(option);
    line +=
        line.size() + 1 < kTextColumn ? std::string(kTextColumn - line.size(), ' ') : "\n" + indent;
    const std::string text = Tr(option.Help);
    for (const char c : text) line += c == '\n' ? "\n" + indent : std::string(1, c);
    help += line + '\n';
  }
  return help;
}

std::string UsageText(const std::string& program) {
  return FillIn(Tr("Usage: %s [option]\n"
                   "Without options the configuration dialog is shown.\n"
                   "\n"
                   "Options:\n"),
                {program}) +
         OptionsHelp() +
         Tr("\n"
            "Exit codes:\n"
            "  0  success\n"
            "  1  the operation failed (PLC, file or channel errors)\n"
            "  2  unusable command line or refused value\n"
            "\n"
            "Environment:\n"
            "  LANGUAGE, LC_ALL, LC_MESSAGES, LANG  the language of all texts\n"
            "  VN_S7_COMn           the device of serial port COMn\n"
            "                       (default /dev/ttyS<n-1>)\n"
            "  QT_QPA_PLATFORM      the display the dialog uses\n");
}

int Show(const TCardServices& card, bool json) {
  TStrings lines;
  card.Settings().SaveToList(lines);
  const std::string& file = card.Settings().ConfigFileName;
  const std::size_t channelLines = card.ChannelTree().LineCount();
  if (json) {
    TShowResult result{{}, file, channelLines};
    for (const std::string& line : lines) {
      const std::size_t eq = line.find('=');  // keys hold none
      result.Settings.emplace_back(line.substr(0, eq),
                                   AsUserText(line.substr(eq + 1), card.FileEncoding()));
    }
    PrintDocument(ShowJson(result));
    return kExitSuccess;
  }
  for (const std::string& line : lines) PrintResult(AsUserText(line, card.FileEncoding()));
  PrintResult(FillIn(Tr("Configuration file: %s"), {file}));
  PrintResult(FillIn(Tr("Channel lines: %d"), {std::to_string(channelLines)}));
  return kExitSuccess;
}

int Check(const TCardServices& card, bool json) {
  const std::string& file = card.Settings().ConfigFileName;
  // Why the settings in use are not the file's comes first: it concerns
  // the whole file. Then what the wire could not carry.
  std::vector<TReadFinding> read = ReadFindings(card.Reading(), card.FileEncoding());
  for (const TWireLimitFinding& beyond : WireLimitFindings(card.Settings()))
    read.push_back({0, {}, WireLimitText(beyond)});
  const auto refused = CheckChannelLines(card.ChannelTree());
  // The channel lines follow the start marker; lines are counted from 1.
  const std::size_t firstLine = card.ChannelBlockStart().value_or(0) + 2;
  std::vector<TCheckFinding> findings;
  for (const TReadFinding& finding : read)
    findings.push_back({file, finding.Line, finding.Entry, {}, finding.Reason});
  for (const TRefusedChannelEntry& entry : refused) {
    findings.push_back({file,
                        firstLine + entry.Index,
                        AsUserText(entry.Entry, card.FileEncoding()),
                        std::string(entry.Marker),
                        {}});
  }
  if (json) {
    PrintDocument(CheckJson(findings));
  } else {
    for (const TReadFinding& finding : read) PrintResult(FindingText(file, finding));
    for (const TCheckFinding& finding : findings)
      if (finding.Reason.empty())
        PrintResult(finding.File + ":" + std::to_string(finding.Line) + ": " + finding.Entry +
                    finding.Marker);
  }
  return findings.empty() ? kExitSuccess : kExitFailure;
}

void PrintIdentity(const TPlcIdentity& identity) {
  const std::pair<const char*, const std::optional<std::string>*> texts[] = {
      {"System name", &identity.SystemName},     {"Module type", &identity.ModuleTypeName},
      {"Serial number", &identity.SerialNumber}, {"Plant designation", &identity.PlantDesignation},
      {"Module name", &identity.ModuleName},     {"Firmware version", &identity.FirmwareVersion},
  };
  for (const auto& [label, value] : texts)
    if (*value) PrintResult(Tr(label) + ": " + **value);
  if (identity.OperatingState)
    PrintResult(Tr("Operating state") + ": " + StateText(*identity.OperatingState));
}

// The code in the memo's text, for scripts without the label and the
// blanks that fill up its field.
std::optional<std::string> OrderCodeOf(const TResultOr<std::string>& memo) {
  if (!memo.Result || !memo.Value.starts_with(kOrderCodeLabel)) return std::nullopt;
  return BareOrderCode(std::string_view(memo.Value).substr(kOrderCodeLabel.size()));
}

// One connection for the order code and the identity: the card counts its
// connections, so the order-code read inside it reuses this one.
int ReadInfo(TCardServices& card, bool json) {
  const TConfigInfo& settings = card.Settings();
  if (!Reported(card.Connect(settings))) return kExitFailure;
  const TResultOr<std::string> memo = card.ReadOrderCode(settings);
  TPlcIdentity identity;
  // The first failure ends the attempt: what would fail after it only
  // follows from it.
  const bool read = Reported(memo.Result) && Reported(card.ReadIdentity(identity));
  card.Disconnect();
  if (json) {
    PrintDocument(ReadInfoJson(
        {OrderCodeOf(memo), identity, read ? std::nullopt : std::optional(PrintedMessages())}));
  } else {
    PrintResult(memo.Value);
    PrintIdentity(identity);
  }
  return read ? kExitSuccess : kExitFailure;
}

int ListPartners(TCardServices& card, bool json) {
  const TConfigInfo& settings = card.Settings();
  const auto type = ConnectionTypeOf(settings.Connectiontype);
  if (!type || !TraitsOf(*type).ListsPartners) {
    PrintMessage(FillIn(
        Tr("Only the MPI connection types and S7ONLINE can list the partners on their bus; "
           "the file sets %s=%d."),
        {SettingOf(&TConfigInfo::Connectiontype).Key, std::to_string(settings.Connectiontype)}));
    return kExitFailure;
  }
  TIntegerList partners;
  if (!Reported(card.ListPartners(settings, partners))) return kExitFailure;
  std::vector<int> addresses;
  for (int i = 0; i < partners.Count(); ++i) addresses.push_back(partners.Values(i));
  if (json) {
    PrintDocument(PartnersJson(addresses));
  } else {
    for (const int address : addresses) PrintResult(std::to_string(address));
  }
  return kExitSuccess;
}

int RunMode(const TRequest& request, const std::string& program, std::exception_ptr startupError) {
  if (startupError) std::rethrow_exception(startupError);
  THWConfigClass configurator(nullptr, request.DriverFolder);
  TCardServices& card = configurator.Card();
  // --set reads the file itself, once it holds the writers' lock.
  if (request.Mode == TMode::Set) return SetMode(card, request.Assignments);
  if (!Reported(card.LoadConfig())) return kExitFailure;
  switch (request.Mode) {
    case TMode::Show:
      return Show(card, request.Json);
    case TMode::Check:
      return Check(card, request.Json);
    case TMode::ReadInfo:
      return ReadInfo(card, request.Json);
    case TMode::ListPartners:
      return ListPartners(card, request.Json);
    case TMode::Diagnose:
      return DiagnoseMode(card, program, request.Json);
    case TMode::Scan:
      return ScanMode(card, request.Scan, request.Json);
    case TMode::Verify:
      return VerifyMode(card, request.Json);
    case TMode::Read:
      return ReadMode(card, request.Channels, request.Json);
    case TMode::Set:
    case TMode::Dialog:
    case TMode::Help:
    case TMode::Version:
      break;
  }
  return kExitSuccess;
}

// Parses the arguments and runs the mode; json: whether the mode prints a
// JSON document. The exit code.
int RunParsed(const QStringList& arguments, const std::string& program,
              std::exception_ptr startupError, bool& json) {
  try {
    // Once more, now that the parser's texts can be translated.
    const TResultOr<TRequest> request = ParseRequest(arguments, &json);
    if (!request.Result) {
      PrintMessage(request.Result.Message);
      if (request.Result.Kind == TFailure::Usage)
        PrintMessage(FillIn(Tr("\"%s --help\" lists the options."), {program}));
      return ExitCodeOf(request.Result);
    }
    const TRequest& parsed = request.Value;
    if (parsed.Mode == TMode::Help) {
      std::cout << UsageText(program);
      return kExitSuccess;
    }
    if (parsed.Mode == TMode::Version) {
      PrintResult(program + " " + VN_VERSION);
      return kExitSuccess;
    }
    return RunMode(parsed, program, startupError);
  } catch (const std::exception& error) {
    PrintMessage(error.what());
  } catch (...) {
    PrintMessage(Tr("The run ended with an unknown error."));
  }
  return kExitFailure;
}

std::string ProgramName(const char* argv0) {
  return std::filesystem::path(argv0 ? argv0 : "VN_S7_Config_DRV").filename().string();
}

}  // namespace

int RunCommandLine(int argc, char* argv[], std::exception_ptr startupError,
                   const TDialogRun& showDialog) {
  const QStringList arguments = ArgumentsOf(argc, argv);
  // Only --dir alone leaves the dialog as it was; everything else, usage
  // errors included, runs without a display. A usage error is not lost
  // here: the second parse below reports it, in the toolkit's translation.
  const TResultOr<TRequest> request = ParseRequest(arguments);
  if (request.Result && request.Value.Mode == TMode::Dialog)
    return showDialog(request.Value.DriverFolder);

  int coreArgc = argc;
  QCoreApplication core(coreArgc, argv);
  LoadToolkitTranslation();
  const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
  bool json = false;
  const int exitCode = RunParsed(arguments, program, startupError, json);
  // A script that asked for JSON gets one document, also when the run
  // failed before its mode printed one.
  if (json && !DocumentPrinted()) PrintDocument(ErrorJson(PrintedMessages()));
  return exitCode;
}
