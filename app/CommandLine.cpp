#include "CommandLine.h"

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

#include "CardServices.h"
#include "ChannelEntryCheck.h"
#include "ChannelTreeModel.h"
#include "CommandLineOptions.h"
#include "ConfigFile.h"
#include "ConnectionType.h"
#include "DiagnoseMode.h"
#include "FileLock.h"
#include "HWConfiguratorClass.h"
#include "Localization.h"
#include "MessageBox.h"
#include "SettingsCheck.h"
#include "SettingsTable.h"
#include "TextCodec.h"
#include "VNList.h"

namespace {

enum class TMode { Dialog, Help, Version, Show, Set, Check, ReadInfo, ListPartners, Diagnose };

struct TRequest {
  TMode Mode = TMode::Dialog;
  std::string DriverFolder;
  std::vector<std::string> Assignments;
};

// The command line cannot be used as given: exit 2.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A value the settings cannot take: exit 2 as well, but the options were
// fine, so no pointer to the help.
class ERefusedValue : public EUsageError {
 public:
  using EUsageError::EUsageError;
};

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

void PrintResult(std::string_view line) {
  std::cout << line << '\n';
}

// A message on standard error, its line breaks as a box would show them.
void PrintMessage(std::string_view text) {
  std::cerr << WithPlainLineBreaks(text) << '\n';
}

// A value as the user can recognise it in one line of a message.
std::string Shown(std::string_view value) {
  std::string shown;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    } else {
      shown += c;
    }
  }
  return shown;
}

// The parser takes every option of the table; modes ask for them by long name.
void AddOptions(QCommandLineParser& parser) {
  for (const TCommandLineOption& option : CommandLineOptions()) {
    QStringList names;
    if (!option.ShortName.empty()) names << QString::fromLatin1(option.ShortName);
    names << QString::fromLatin1(option.LongName);
    parser.addOption(QCommandLineOption(names, {}, QString::fromLatin1(option.ValueName)));
  }
}

QStringList ArgumentsOf(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << ArgumentText(argv[i]);
  return arguments;
}

// The parser's own texts are the toolkit's and follow its translation,
// loaded once the core application exists.
TRequest ParseRequest(const QStringList& arguments) {
  QCommandLineParser parser;
  AddOptions(parser);
  if (!parser.parse(arguments)) throw EUsageError(UserText(parser.errorText()));
  if (!parser.positionalArguments().isEmpty()) {
    throw EUsageError(FillIn(Tr("Unexpected argument \"%s\"."),
                             {ArgumentBytes(parser.positionalArguments().first())}));
  }

  TRequest request;
  if (parser.isSet("help")) {
    request.Mode = TMode::Help;
    return request;
  }
  if (parser.isSet("version")) {
    request.Mode = TMode::Version;
    return request;
  }
  const std::pair<const char*, TMode> modes[] = {
      {"show", TMode::Show},
      {"set", TMode::Set},
      {"check", TMode::Check},
      {"read-info", TMode::ReadInfo},
      {"list-partners", TMode::ListPartners},
      {"diagnose", TMode::Diagnose},
  };
  for (const auto& [option, mode] : modes) {
    if (!parser.isSet(option)) continue;
    if (request.Mode != TMode::Dialog) {
      throw EUsageError(
          Tr("Only one of --show, --set, --check, --read-info, --list-partners and --diagnose at "
             "a time."));
    }
    request.Mode = mode;
  }
  for (const QString& assignment : parser.values("set"))
    request.Assignments.push_back(ArgumentBytes(assignment));

  if (parser.isSet("dir")) {
    const std::string dir = ArgumentBytes(parser.value("dir"));
    if (dir.empty()) throw EUsageError(Tr("The option --dir needs a folder."));
    request.DriverFolder = (std::filesystem::path(dir) / "drv").string();
  } else {
    request.DriverFolder = CurrentDriverFolder();
  }
  return request;
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

// A card operation's failure as the dialog's box says it, on standard
// error; whether there was one decides the exit code.
bool Reported(const TCardResult& result) {
  if (!result) PrintMessage(result.Text());
  return result.Ok();
}

// The file's bytes as the user's text: a Windows-1252 file's characters are
// printed in UTF-8 like everything else.
std::string AsUserText(std::string_view bytes, TTextEncoding encoding) {
  return encoding == TTextEncoding::Windows1252 ? Windows1252ToUtf8(bytes) : std::string(bytes);
}

// The user's text (UTF-8) as bytes of a file in encoding; none when the
// file cannot hold it, so that a value never changes how the whole file
// is read.
std::optional<std::string> AsFileBytes(std::string_view text, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Windows1252) return Utf8ToWindows1252(text);
  if (!IsValidUtf8(text)) return std::nullopt;
  return std::string(text);
}

int Show(const TCardServices& card) {
  TStrings lines;
  card.Settings().SaveToList(lines);
  for (const std::string& line : lines) PrintResult(AsUserText(line, card.FileEncoding()));
  PrintResult(FillIn(Tr("Configuration file: %s"), {card.Settings().ConfigFileName}));
  PrintResult(FillIn(Tr("Channel lines: %d"), {std::to_string(card.ChannelTree().LineCount())}));
  return kExitSuccess;
}

std::string RefusalText(const TRefusedSetting& refused) {
  if (!IsSettingKey(refused.Key)) {
    std::string keys;
    for (const std::string_view key : SettingKeys()) {
      if (!keys.empty()) keys += ", ";
      keys += key;
    }
    return FillIn(Tr("Unknown setting \"%s\"; the settings are: %s."), {Shown(refused.Key), keys});
  }
  if (refused.IsRange()) {
    return FillIn(Tr("The value \"%s\" of %s is refused: allowed are the whole numbers %d to %d."),
                  {Shown(refused.Value), refused.Key, std::to_string(*refused.Min),
                   std::to_string(*refused.Max)});
  }
  return FillIn(Tr("The value \"%s\" of %s is refused: allowed is text on one line."),
                {Shown(refused.Value), refused.Key});
}

// All values are checked before anything is written; then the card takes
// them as it takes the dialog's after OK, and saves its file.
int Set(TCardServices& card, const std::vector<std::string>& assignments) {
  // Read again under the writer lock: a change another writer saved since
  // the card was made is kept, and nobody writes in between.
  const TFileLock turn(card.Settings().ConfigFileName);
  if (!Reported(card.LoadConfig())) return kExitFailure;
  TConfigInfo wanted;
  wanted.CopyFrom(card.Settings());
  for (const std::string& assignment : assignments) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos)
      throw ERefusedValue(FillIn(Tr("\"%s\" is no Key=Value pair."), {Shown(assignment)}));
    const std::string_view key = std::string_view(assignment).substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    // Text settings are stored in the file's own encoding, as the dialog's
    // fields store them.
    const TSetting* setting = FindSetting(key);
    if (setting && setting->Text) {
      const auto bytes = AsFileBytes(value, card.FileEncoding());
      if (!bytes) {
        const bool windows1252 = card.FileEncoding() == TTextEncoding::Windows1252;
        throw ERefusedValue(FillIn(Tr("The value \"%s\" of %s cannot be stored in this "
                                      "configuration file, which is written in %s."),
                                   {Shown(value), key, windows1252 ? "Windows-1252" : "UTF-8"}));
      }
      value = *bytes;
    }
    const auto refused = AssignSetting(wanted, key, value);
    if (refused) throw ERefusedValue(RefusalText(*refused));
  }
  // The channel block is cleaned up as OK cleans it, so that the file is
  // the one OK would write.
  TChannelTreeModel channels = card.ChannelTree();
  channels.CleanUp([&card](std::string_view path) { return card.IsChannelUsed(path); });
  const bool saved = Reported(card.TakeDialogResults(
      [&wanted](TConfigInfo& settings) { settings.CopyFrom(wanted); }, channels.Lines()));
  return saved ? kExitSuccess : kExitFailure;
}

int Check(const TCardServices& card) {
  const auto refused = CheckChannelLines(card.ChannelTree());
  // The channel lines follow the start marker; lines are counted from 1.
  const std::size_t firstLine = card.ChannelBlockStart().value_or(0) + 2;
  const std::string& file = card.Settings().ConfigFileName;
  for (const TRefusedChannelEntry& entry : refused) {
    PrintResult(file + ":" + std::to_string(firstLine + entry.Index) + ": " +
                AsUserText(entry.Entry, card.FileEncoding()) + std::string(entry.Marker));
  }
  return refused.empty() ? kExitSuccess : kExitFailure;
}

std::string StateName(TOperatingState state) {
  switch (state) {
    case TOperatingState::Stop:
      return "STOP";
    case TOperatingState::Startup:
      return "STARTUP";
    case TOperatingState::Run:
      return "RUN";
    case TOperatingState::Hold:
      return "HOLD";
    case TOperatingState::Defect:
      return "DEFECT";
    case TOperatingState::Unknown:
      break;
  }
  return Tr("unknown");
}

void PrintIdentity(const TPlcIdentity& identity) {
  const std::pair<const char*, const std::optional<std::string>*> texts[] = {
      {"Module type", &identity.ModuleTypeName},         {"Serial number", &identity.SerialNumber},
      {"Plant designation", &identity.PlantDesignation}, {"Module name", &identity.ModuleName},
      {"Firmware version", &identity.FirmwareVersion},
  };
  for (const auto& [label, value] : texts)
    if (*value) PrintResult(Tr(label) + ": " + **value);
  if (identity.OperatingState)
    PrintResult(Tr("Operating state") + ": " + StateName(*identity.OperatingState));
}

// One connection for the order code and the identity: the card counts its
// connections, so the order-code read inside it reuses this one.
int ReadInfo(TCardServices& card) {
  const TConfigInfo& settings = card.Settings();
  if (!Reported(card.Connect(settings))) return kExitFailure;
  const TCardRead<std::string> memo = card.ReadOrderCode(settings);
  TPlcIdentity identity;
  // The first failure ends the attempt: what would fail after it only
  // follows from it.
  const bool read = Reported(memo.Result) && Reported(card.ReadIdentity(identity));
  card.Disconnect();
  PrintResult(memo.Value);
  PrintIdentity(identity);
  return read ? kExitSuccess : kExitFailure;
}

int ListPartners(TCardServices& card) {
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
  for (int i = 0; i < partners.Count(); ++i) PrintResult(std::to_string(partners.Values(i)));
  return kExitSuccess;
}

int RunMode(const TRequest& request, const std::string& program, std::exception_ptr startupError) {
  if (startupError) std::rethrow_exception(startupError);
  THWConfigClass configurator(nullptr, request.DriverFolder);
  TCardServices& card = configurator.Card();
  if (!Reported(card.LoadConfig())) return kExitFailure;
  switch (request.Mode) {
    case TMode::Show:
      return Show(card);
    case TMode::Set:
      return Set(card, request.Assignments);
    case TMode::Check:
      return Check(card);
    case TMode::ReadInfo:
      return ReadInfo(card);
    case TMode::ListPartners:
      return ListPartners(card);
    case TMode::Diagnose:
      return DiagnoseMode(card, program, false);
    case TMode::Dialog:
    case TMode::Help:
    case TMode::Version:
      break;
  }
  return kExitSuccess;
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
  std::optional<TRequest> request;
  try {
    request = ParseRequest(arguments);
  } catch (const EUsageError&) {
    // Reported by the second parse.
  }
  if (request && request->Mode == TMode::Dialog) return showDialog(request->DriverFolder);

  int coreArgc = argc;
  QCoreApplication core(coreArgc, argv);
  LoadToolkitTranslation();
  const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
  try {
    // Once more, now that the parser's texts can be translated.
    const TRequest parsed = ParseRequest(arguments);
    if (parsed.Mode == TMode::Help) {
      std::cout << UsageText(program);
      return kExitSuccess;
    }
    if (parsed.Mode == TMode::Version) {
      PrintResult(program + " " + VN_VERSION);
      return kExitSuccess;
    }
    return RunMode(parsed, program, startupError);
  } catch (const ERefusedValue& error) {
    PrintMessage(error.what());
    return kExitUsage;
  } catch (const EUsageError& error) {
    PrintMessage(error.what());
    PrintMessage(FillIn(Tr("\"%s --help\" lists the options."), {program}));
    return kExitUsage;
  } catch (const std::exception& error) {
    PrintMessage(error.what());
  } catch (...) {
    PrintMessage(Tr("The run ended with an unknown error."));
  }
  return kExitFailure;
}
