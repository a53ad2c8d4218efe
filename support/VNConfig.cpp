#include "VNConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <optional>

#include "VNErrors.h"
#include "VNUtils.h"

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

// The settings file exists afterwards, even when there was nothing in it; an
// unwritable folder leaves it missing, which changes nothing for reading.
void CreateEmptySettingsFile(const QString& fileName) {
  if (QFileInfo::exists(fileName)) return;
  QDir().mkpath(QFileInfo(fileName).absolutePath());
  QFile file(fileName);
  (void)file.open(QIODevice::WriteOnly);
}

}  // namespace

void ReadOptions() {
  TVNOptionsX options;
  options.TempPath = QDir::tempPath().toStdString();

  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Arbelon", "Vornic 7");
  CreateEmptySettingsFile(settings.fileName());

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
