#pragma once
// The configuration dialog over a real card: a temporary driver folder with
// a prepared configuration file, the scripted S7 library behind the card,
// message boxes recorded instead of shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "Card.h"
#include "ChannelTree.h"
#include "ConfigFile.h"
#include "FakeNoDave.h"
#include "NoDave_ConfigDlg.h"
#include "ShowConfigDialog.h"
#include "TempFolder.h"

template <class T>
T* Child(const QObject* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

// The node reached by the texts of path ("SPS;E;5"); null when there is none.
inline QTreeWidgetItem* NodeAt(QTreeWidget* tree, const std::string& path) {
  QTreeWidgetItem* container = tree->invisibleRootItem();
  QTreeWidgetItem* found = nullptr;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(';', start), path.size());
    const std::string part = path.substr(start, end - start);
    found = nullptr;
    for (int i = 0; i < container->childCount() && !found; ++i)
      if (NodeText(container->child(i)) == part) found = container->child(i);
    if (!found) return nullptr;
    container = found;
    start = end + 1;
  }
  return found;
}

inline std::vector<std::string> ChildTexts(const QTreeWidgetItem* node) {
  std::vector<std::string> texts;
  for (int i = 0; i < node->childCount(); ++i) texts.push_back(NodeText(node->child(i)));
  return texts;
}

class DialogTest : public TempFolderTest {
 protected:
  void TearDown() override {
    dialog.reset();
    card.reset();
  }

  std::string DriverPath() const { return (dir / "libs7drv.so").string(); }
  std::string ConfigPath() const { return (dir / "libs7drv.CFG").string(); }

  // Writes the configuration file the card reads: settings, then channel lines.
  void WriteConfig(const TConfigInfo& settings, const TStrings& channelLines) {
    TStrings lines;
    BuildConfigFileLines(settings, channelLines, lines);
    WriteTextLinesAtomic(ConfigPath(), lines);
  }
  std::string FileBytes() const { return ReadBytes(ConfigPath()); }

  TCard& MakeCard() {
    card = std::make_unique<TCard>(0, DriverPath());
    EXPECT_TRUE(card->LoadConfig().Ok());
    return *card;
  }
  TConfigDlg& MakeDialog() {
    if (!card) MakeCard();
    dialog = std::make_unique<TConfigDlg>(nullptr, card->Config(), card.get());
    return *dialog;
  }
  // Marks the channel of path as used by a hardware block.
  void UseChannel(const std::string& path) {
    TChannel* channel = card->Channels().FindChannel(path);
    ASSERT_NE(channel, nullptr) << path;
    channel->IsFree = false;
  }

  // Shows the card's dialog modally; act runs once it is shown and must
  // close it.
  void RunCardDialog(const std::function<void(TConfigDlg&)>& act,
                     TControlCallback callback = nullptr) {
    QTimer::singleShot(0, [act] {
      auto* shown = qobject_cast<TConfigDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(shown, nullptr);
      act(*shown);
      if (shown->isVisible()) {
        ADD_FAILURE() << "the test left the dialog open";
        shown->reject();
      }
    });
    ShowConfigDialog(nullptr, *card, callback);
  }

  FakeNoDave fake;
  BoxRecorder boxes;
  std::unique_ptr<TCard> card;
  std::unique_ptr<TConfigDlg> dialog;
};
