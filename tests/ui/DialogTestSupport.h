#pragma once
// The configuration dialog over a real card: a temporary driver folder with
// a prepared configuration file, the scripted S7 library behind the card,
// message boxes recorded instead of shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "config/ConfigFile.h"
#include "plc/Card.h"
#include "tests/plc/FakeNoDave.h"
#include "tests/support/testsupport/TempFolder.h"
#include "ui/ChannelItemModel.h"
#include "ui/ChannelTreeEditor.h"
#include "ui/ChannelTreeView.h"
#include "ui/NoDave_ConfigDlg.h"
#include "ui/NodeIcon.h"
#include "ui/ShowConfigDialog.h"

template <class T>
T* Child(const QObject* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

// The channel tree's nodes as the tree view reaches them: by model index.
inline const TChannelItemModel& ModelOf(const QModelIndex& node) {
  return *static_cast<const TChannelItemModel*>(node.model());
}
inline std::string NodeText(const QModelIndex& node) {
  if (!node.isValid()) return {};
  return std::string(ModelOf(node).Channels().Text(ModelOf(node).NodeOf(node)));
}
inline int NodeImage(const QModelIndex& node) {
  return node.isValid() ? ModelOf(node).Image(ModelOf(node).NodeOf(node)) : -1;
}
inline int NodeDataWord(const QModelIndex& node) {
  return node.isValid() ? ModelOf(node).DataWord(ModelOf(node).NodeOf(node)) : 0;
}
inline int NodeLevel(const QModelIndex& node) {
  int level = 0;
  for (QModelIndex up = node.parent(); up.isValid(); up = up.parent()) ++level;
  return level;
}
inline int ChildCount(const QModelIndex& node) {
  return node.model()->rowCount(node);
}
inline QModelIndex ChildOf(const QModelIndex& node, int row) {
  return node.model()->index(row, 0, node);
}
// The top-level node of row.
inline QModelIndex TopNode(const QAbstractItemView* tree, int row = 0) {
  return tree->model()->index(row, 0);
}

// The node reached by the texts of path ("SPS;E;5"); invalid when there is none.
inline QModelIndex NodeAt(const QAbstractItemView* tree, const std::string& path) {
  const QAbstractItemModel* nodes = tree->model();
  QModelIndex container;
  QModelIndex found;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(';', start), path.size());
    const std::string part = path.substr(start, end - start);
    found = {};
    for (int i = 0; i < nodes->rowCount(container) && !found.isValid(); ++i)
      if (NodeText(nodes->index(i, 0, container)) == part) found = nodes->index(i, 0, container);
    if (!found.isValid()) return {};
    container = found;
    start = end + 1;
  }
  return found;
}

inline std::vector<std::string> ChildTexts(const QModelIndex& node) {
  std::vector<std::string> texts;
  for (int i = 0; i < ChildCount(node); ++i) texts.push_back(NodeText(ChildOf(node, i)));
  return texts;
}

// The dialog over a card whose S7 library is the real one.
class DialogFileTest : public TempFolderTest {
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

  BoxRecorder boxes;
  std::unique_ptr<TCard> card;
  std::unique_ptr<TConfigDlg> dialog;
};

// The dialog over a card that talks to the scripted S7 library.
class DialogTest : public DialogFileTest {
 protected:
  FakeNoDave fake;
};
