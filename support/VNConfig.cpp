#include "support/VNConfig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "support/TrustedPath.h"
#include "support/VNErrors.h"
#include "support/VNUtils.h"

TVNOptionsX Options;

namespace {

constexpr const char* kGroup = "General Settings";

// Reads the values of one settings file, each as text.
class TOptionsReader {
 public:
  explicit TOptionsReader(QSettings& settings) : FSettings(settings) {}

  void Read(const char* name, bool& field) {
    if (const auto number = Number(name)) field = *number != 0;
  }
  void Read(const char* name, std::string& field) {
    if (const auto text = Text(name)) field = *text;
  }
  void Read(const char* name, std::int32_t& field) {
    if (const auto number = Number(name)) field = *number;
  }
  void Read(const char* name, std::uint8_t& field) {
    const auto number = Number(name);
    if (!number) return;
    if (*number < 0 || *number > 255)
      throw ERangeError("Wert " + std::to_string(*number) + " für \"" + name +
                        "\" außerhalb des Bereichs 0..255 in " + FileName());
    field = static_cast<std::uint8_t>(*number);
  }

 private:
  QSettings& FSettings;

  std::string FileName() const { return FSettings.fileName().toStdString(); }

  std::optional<std::string> Text(const char* name) {
    const QVariant value = FSettings.value(QString::fromUtf8(name));
    if (!value.isValid()) return std::nullopt;
    // Only text is read; a list or an encoded binary value is a foreign type.
    if (value.typeId() != QMetaType::QString)
      throw EConvertError(std::string("Ungültiger Datentyp für \"") + name + "\" in " + FileName());
    return value.toString().toStdString();
  }

  std::optional<std::int32_t> Number(const char* name) {
    const auto text = Text(name);
    if (!text) return std::nullopt;
    return TryStrToInt(*text);
  }
};

// Whether folder is there, or was made, as a folder of the running user's
// own: each missing folder is made inside one that is (TrustedPath.h).
bool OwnFolder(const std::string& folder) {
  const TWalk walk = WalkTrusted(folder, TWalkEnd::Folder);
  struct stat status {};
  if (walk.Place)
    return ::fstat(walk.Place->Folder.Get(), &status) == 0 && status.st_uid == ::geteuid();
  const std::size_t slash = folder.rfind('/');
  if (walk.Missing != ENOENT || slash == std::string::npos || slash == 0) return false;
  const std::string parent = folder.substr(0, slash);
  if (!OwnFolder(parent)) return false;
  const TWalk above = WalkTrusted(parent, TWalkEnd::Folder);
  if (!above.Place) return false;
  const std::string name = folder.substr(slash + 1);
  if (::mkdirat(above.Place->Folder.Get(), name.c_str(), 0777) != 0 && errno != EEXIST)
    return false;
  return OwnFolder(folder);
}

// The options file when it is the running user's own: in a folder that
// belongs to the user, reached through folders and links of root's or the
// user's. Root started with another user's HOME (as su without "-" leaves
// it) finds that user's folder there, and a link planted in it must make
// root neither create nor read a file. The file is created empty when
// missing (a folder that refuses it leaves it missing, which changes
// nothing for reading). None: the options keep their defaults, silently,
// as for a missing registry key. The path returned has its links resolved.
std::optional<std::string> OwnOptionsFile(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash == std::string::npos || !OwnFolder(fileName.substr(0, std::max<std::size_t>(slash, 1))))
    return std::nullopt;
  const TWalk walk = WalkTrusted(fileName, TWalkEnd::Entry);
  struct stat status {};
  if (!walk.Place || ::fstat(walk.Place->Folder.Get(), &status) != 0 ||
      status.st_uid != ::geteuid())
    return std::nullopt;
  if (!walk.Place->Exists) {
    const TFileDescriptor created(::openat(walk.Place->Folder.Get(), walk.Place->Name.c_str(),
                                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                           0666));
  }
  return walk.Place->Path();
}

}  // namespace

void ReadOptions() {
  TVNOptionsX options;
  options.TempPath = QDir::tempPath().toStdString();

  // Native is the INI format here; only the user's own file is read, not
  // the organisation's or the system's beside it, as only the user's
  // registry branch is.
  const QString userFile =
      QSettings(QSettings::NativeFormat, QSettings::UserScope, "Arbelon", "Vornic 7").fileName();
  const auto file = OwnOptionsFile(userFile.toStdString());
  if (!file) {
    Options = std::move(options);
    return;
  }
  QSettings settings(QString::fromStdString(*file), QSettings::IniFormat);
  settings.beginGroup(kGroup);
  TOptionsReader reader(settings);
  reader.Read("Auto Info Open", options.AutoInfoOpen);
  reader.Read("Auto Info Save", options.AutoInfoSave);
  reader.Read("Create Bak Files", options.CreateBakFiles);
  reader.Read("Tooltip Help", options.TooltipHelp);
  reader.Read("Default User", options.DefaultUser);
  reader.Read("Default Department", options.DefaultDepartment);
  reader.Read("Temp Path", options.TempPath);
  reader.Read("Default Line Width", options.DefaultLineWidth);
  reader.Read("Default Grid Mode", options.DefaultGridMode);
  reader.Read("Default Float Width", options.DefaultFloatWidth);
  reader.Read("Default Float Precision", options.DefaultFloatPrecision);
  reader.Read("Default Float Notation", options.DefaultFloatNotation);
  for (std::size_t i = 0; i < options.DefaultColors.size(); ++i)
    reader.Read(("Default Color " + std::to_string(i)).c_str(), options.DefaultColors[i]);
  settings.endGroup();

  Options = std::move(options);
}
