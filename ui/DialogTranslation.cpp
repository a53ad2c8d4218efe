#include "ui/DialogTranslation.h"

#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QObject>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTabWidget>
#include <QVariant>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/Translation.h"

namespace {

struct TIgnoreRule {
  const QMetaObject* Class;
  std::string Property;
};

std::vector<TIgnoreRule>& IgnoreRules() {
  static std::vector<TIgnoreRule> rules{{&QObject::staticMetaObject, "objectName"}};
  return rules;
}

// The string properties that carry text a user reads. Everything else
// (object names, style sheets, input masks, file paths) is data.
constexpr const char* TextProperties[] = {
    "windowTitle", "title",           "text",   "toolTip", "statusTip",        "whatsThis",
    "iconText",    "placeholderText", "prefix", "suffix",  "specialValueText",
};

// The catalogue's translation; an empty text is never looked up, as the
// catalogue answers it with its header.
QString Translated(const QString& text) {
  if (text.isEmpty()) return text;
  return QString::fromStdString(Tr(text.toStdString()));
}

void TranslateProperties(QObject* object) {
  const QMetaObject* meta = object->metaObject();
  for (const char* name : TextProperties) {
    const int index = meta->indexOfProperty(name);
    if (index < 0) continue;
    const QMetaProperty property = meta->property(index);
    if (!property.isWritable() || property.metaType().id() != QMetaType::QString) continue;
    if (IsPropertyIgnored(object, name)) continue;
    const QString text = property.read(object).toString();
    const QString translated = Translated(text);
    if (translated != text) property.write(object, translated);
  }
}

// Memo lines are translated one by one, as a list of lines.
void TranslateMemo(QPlainTextEdit* memo) {
  if (IsPropertyIgnored(memo, "plainText")) return;
  const QString text = memo->toPlainText();
  QStringList lines = text.split('\n');
  for (QString& line : lines) line = Translated(line);
  const QString translated = lines.join('\n');
  if (translated != text) memo->setPlainText(translated);
}

void TranslateItemLists(QObject* object) {
  if (auto* box = qobject_cast<QComboBox*>(object); box && !IsPropertyIgnored(box, "items")) {
    for (int i = 0; i < box->count(); ++i) box->setItemText(i, Translated(box->itemText(i)));
  }
  if (auto* list = qobject_cast<QListWidget*>(object); list && !IsPropertyIgnored(list, "items")) {
    for (int i = 0; i < list->count(); ++i)
      list->item(i)->setText(Translated(list->item(i)->text()));
  }
  if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
    for (int i = 0; i < tabs->count(); ++i) {
      if (!IsPropertyIgnored(tabs, "tabText")) tabs->setTabText(i, Translated(tabs->tabText(i)));
      if (!IsPropertyIgnored(tabs, "tabToolTip"))
        tabs->setTabToolTip(i, Translated(tabs->tabToolTip(i)));
    }
  }
  if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) TranslateMemo(memo);
}

}  // namespace

void IgnoreClassProperty(const QMetaObject& cls, const char* property) {
  auto& rules = IgnoreRules();
  const bool known = std::any_of(rules.begin(), rules.end(), [&](const TIgnoreRule& rule) {
    return rule.Class == &cls && rule.Property == property;
  });
  if (!known) rules.push_back({&cls, property});
}

bool IsPropertyIgnored(const QObject* object, const char* property) {
  const QMetaObject* meta = object->metaObject();
  return std::any_of(IgnoreRules().begin(), IgnoreRules().end(), [&](const TIgnoreRule& rule) {
    return rule.Property == property && meta->inherits(rule.Class);
  });
}

void TranslateComponent(QObject* component) {
  if (!component) return;
  // Iteratively, over a snapshot of each child list: translating never adds
  // or removes objects, but a widget may create helpers while it updates.
  std::vector<QObject*> pending{component};
  while (!pending.empty()) {
    QObject* object = pending.back();
    pending.pop_back();
    TranslateProperties(object);
    TranslateItemLists(object);
    const QObjectList children = object->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
  }
}
