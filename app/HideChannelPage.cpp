// The channel page callback lives apart from the configurator so that it can
// be used (and tested) without a card.
#include <QString>
#include <QTabWidget>

#include "app/HWConfiguratorClass.h"

namespace {

const QString kChannelPageCaption = QString::fromUtf8("Kanäle der SPS");

// The caption as the tab shows it: "&" marks the mnemonic and is not shown,
// "&&" shows one "&".
QString DisplayedCaption(const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

void HideChannelPages(QTabWidget& pages) {
  for (int i = 0; i < pages.count(); ++i) {
    if (!DisplayedCaption(pages.tabText(i)).contains(kChannelPageCaption)) continue;
    pages.setTabVisible(i, false);
    if (QWidget* page = pages.widget(i)) page->setVisible(false);
  }
}

}  // namespace

void HideChannelPage(QWidget* control) {
  if (!control) return;
  const QString name = control->objectName();
  if (name.contains(QStringLiteral("PageControl"))) {
    if (auto* pages = qobject_cast<QTabWidget*>(control)) HideChannelPages(*pages);
  }
  if (name.contains(QStringLiteral("TabSheet3"))) control->setVisible(false);
}
