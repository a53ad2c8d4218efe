// Shows the real dialog over a real card on its channel page, which the
// program itself keeps hidden, for screenshots. Run in a folder whose
// drv/libs7drv.CFG holds the channels; the used channels are given as
// arguments ("SPS;E;5"). Ends when the window is closed.
#include <QApplication>
#include <QTabWidget>
#include <filesystem>
#include <string>

#include "plc/Card.h"
#include "support/Localization.h"
#include "ui/ChannelTreeView.h"
#include "ui/NoDave_ConfigDlg.h"

int main(int argc, char** argv) {
  SetupLocalization(VN_BUILD_DIR "/bin/locale");
  QApplication application(argc, argv);
  TCard card(0, (std::filesystem::current_path() / "drv" / "libs7drv.so").string());
  card.LoadConfig();
  for (int i = 1; i < argc; ++i)
    if (TChannel* channel = card.Channels().FindChannel(argv[i])) channel->IsFree = false;
  TConfigDlg dialog(nullptr, card.Config(), &card);
  auto* pages = dialog.findChild<QTabWidget*>("PageControl1");
  auto* page = dialog.findChild<QWidget*>("TabSheet3");
  pages->setTabVisible(pages->indexOf(page), true);
  pages->setCurrentWidget(page);
  auto* tree = dialog.findChild<TChannelTreeView*>("TreeView1");
  tree->expandAll();
  tree->setCurrentIndex(tree->model()->index(0, 0));
  dialog.show();
  return application.exec();
}
