#include "app/JsonOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "plc/scan/ScanRange.h"

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void PutIfKnown(QJsonObject& object, const char* key, const std::optional<std::string>& value) {
  if (value) object.insert(key, Text(*value));
}

// The identity's fields under their keys; what the PLC refused stays out.
void PutIdentity(QJsonObject& object, const TPlcIdentity& identity, bool withPlantDesignation) {
  PutIfKnown(object, "system_name", identity.SystemName);
  PutIfKnown(object, "module_type", identity.ModuleTypeName);
  PutIfKnown(object, "serial_number", identity.SerialNumber);
  if (withPlantDesignation) PutIfKnown(object, "plant_designation", identity.PlantDesignation);
  PutIfKnown(object, "module_name", identity.ModuleName);
  PutIfKnown(object, "firmware", identity.FirmwareVersion);
  if (identity.OperatingState)
    object.insert("state", Text(OperatingStateKeyword(*identity.OperatingState)));
}

std::string Document(const QJsonDocument& document) {
  return document.toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

std::string ShowJson(const TShowResult& result) {
  QJsonObject settings;
  for (const auto& [key, value] : result.Settings) settings.insert(Text(key), Text(value));
  return Document(QJsonDocument(QJsonObject{
      {"settings", settings},
      {"file", Text(result.File)},
      {"channel_lines", static_cast<qint64>(result.ChannelLines)},
  }));
}

std::string CheckJson(const std::vector<TCheckFinding>& findings) {
  QJsonArray array;
  for (const TCheckFinding& finding : findings) {
    QJsonObject object{{"file", Text(finding.File)}};
    if (finding.Line > 0) {
      object.insert("line", static_cast<qint64>(finding.Line));
      object.insert("entry", Text(finding.Entry));
    }
    if (finding.Reason.empty())
      object.insert("marker", Text(finding.Marker));
    else
      object.insert("reason", Text(finding.Reason));
    array.append(object);
  }
  return Document(QJsonDocument(array));
}

std::string ReadInfoJson(const TReadInfoResult& result) {
  QJsonObject object;
  PutIfKnown(object, "order_code", result.OrderCode);
  PutIdentity(object, result.Identity, true);
  PutIfKnown(object, "error", result.Error);
  return Document(QJsonDocument(object));
}

std::string DiagnoseJson(const TDiagnoseResult& result) {
  QJsonArray steps;
  for (const TDiagnoseStep& step : result.Steps) {
    steps.append(QJsonObject{
        {"step", Text(step.Step)},
        {"ok", step.Ok},
        {"ms", static_cast<qint64>(step.Ms)},
        {"detail", Text(step.Detail)},
    });
  }
  QJsonObject object{{"steps", steps}};
  PutIfKnown(object, "suggestion", result.Suggestion);
  PutIfKnown(object, "error", result.Error);
  return Document(QJsonDocument(object));
}

std::string VerifyJson(const TVerifyResult& result) {
  QJsonArray refusals;
  for (const TVerifyRefusal& refusal : result.Refusals) {
    refusals.append(QJsonObject{
        {"first", Text(refusal.First)},
        {"last", Text(refusal.Last)},
        {"first_line", static_cast<qint64>(refusal.FirstLine)},
        {"last_line", static_cast<qint64>(refusal.LastLine)},
        {"count", static_cast<qint64>(refusal.Count)},
        {"cause", Text(refusal.Cause)},
        {"item_return_code",
         refusal.ItemReturnCode ? QJsonValue(*refusal.ItemReturnCode) : QJsonValue()},
    });
  }
  return Document(QJsonDocument(QJsonObject{
      {"checked", static_cast<qint64>(result.Checked)},
      {"refused", static_cast<qint64>(result.Refused)},
      {"refusals", refusals},
  }));
}

std::string ReadJson(const std::vector<TReadValue>& values) {
  QJsonArray array;
  for (const TReadValue& value : values) {
    QJsonObject object{{"channel", Text(value.Channel)}};
    if (value.Raw) {
      object.insert("value",
                    value.Value ? QJsonValue(static_cast<qint64>(*value.Value)) : QJsonValue());
      object.insert("raw", *value.Raw);
    } else {
      object.insert("error", Text(value.Error));
    }
    array.append(object);
  }
  return Document(QJsonDocument(array));
}

std::string ErrorJson(const std::string& text) {
  return Document(QJsonDocument(QJsonObject{{"error", Text(text)}}));
}

std::string PartnersJson(const std::vector<int>& partners) {
  QJsonArray array;
  for (const int partner : partners) array.append(partner);
  return Document(QJsonDocument(array));
}

std::string ScanJson(const std::vector<TScanRecord>& records) {
  QJsonArray array;
  for (const TScanRecord& record : records) {
    QJsonObject object{
        {"address", Text(IPv4Text(record.Address))},
        {"port", record.Port},
        {"rack", record.Rack},
        {"slot", record.Slot},
    };
    PutIfKnown(object, "order_code", record.OrderCode);
    PutIdentity(object, record.Identity, false);
    array.append(object);
  }
  return Document(QJsonDocument(array));
}
