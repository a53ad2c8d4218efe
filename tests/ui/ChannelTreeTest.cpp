// The channel tree editor inside the real dialog over a real card: loading
// and storing, the "SPS" root, depths and images, the entry checks, adding
// with the proposed number, deleting, used channels, in-place editing and
// the right-click rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include "config/FileStore.h"
#include "tests/support/testsupport/ChannelCleanUpCases.h"
#include "tests/ui/DialogTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// E with addresses 0 and 5, A with 0, 3, 7, empty M, T, Z, and DB with the
// data blocks 10 (offsets 2, 3) and 11 (offset 1).
const TStrings kChannelLines = {"SPS",    "\tE",     "\t\t0",   "\t\t5",  "\tA",    "\t\t0",
                                "\t\t3",  "\t\t7",   "\tM",     "\tT",    "\tZ",    "\tDB",
                                "\t\t10", "\t\t\t2", "\t\t\t3", "\t\t11", "\t\t\t1"};

const char* const kMarkerAddress = "<-- ungültig; nur innerhalb [0..255]";
const char* const kMarkerDataBlock = "<-- ungültig; nur innerhalb [1..255]";
const char* const kMarkerOffset = "<-- ungültig; nur innerhalb [0..4090]";
const char* const kMarkerNoNumber = "<-- ungültig";

}  // namespace

class ChannelTreeTest : public DialogTest {
 protected:
  // The dialog over a card whose file holds lines; used: channels a
  // hardware block uses.
  void Open(const TStrings& lines, std::initializer_list<const char*> used = {}) {
    dialog.reset();
    WriteConfig(TConfigInfo(), lines);
    MakeCard();
    for (const char* path : used) UseChannel(path);
    MakeDialog();
    editor = dialog->ChannelTree();
    tree = Child<TChannelTreeView>(dialog.get(), "TreeView1");
  }
  // Shows the dialog on its channel page, as editing in place needs.
  void ShowChannelPage() {
    auto* pages = Child<QTabWidget>(dialog.get(), "PageControl1");
    auto* page = Child<QWidget>(dialog.get(), "TabSheet3");
    pages->setTabVisible(pages->indexOf(page), true);
    pages->setCurrentWidget(page);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    tree->ExpandAllNodes();
  }
  QModelIndex Node(const std::string& path) {
    const QModelIndex node = NodeAt(tree, path);
    EXPECT_TRUE(node.isValid()) << path;
    return node;
  }
  int Image(const std::string& path) {
    const QModelIndex node = Node(path);
    return node.isValid() ? NodeImage(node) : -2;
  }
  // What the end of an in-place edit with text does.
  std::string Edit(const std::string& path, const std::string& text) {
    const QModelIndex node = Node(path);
    std::string edited = text;
    editor->TreeView1Edited(node, edited);
    return NodeText(node);
  }
  // Selects path and presses key on the tree.
  void Press(const std::string& path, Qt::Key key) {
    tree->setCurrentIndex(Node(path));
    QTest::keyClick(tree, key);
  }
  QLineEdit* OpenEditor() const {
    for (auto* line : tree->viewport()->findChildren<QLineEdit*>())
      if (line->isVisible()) return line;
    return nullptr;
  }
  TStrings StoredLines() {
    dialog->OKBtnClick();
    return dialog->ChannelLines();
  }

  TChannelTreeEditor* editor = nullptr;
  TChannelTreeView* tree = nullptr;
};

// OK's output on hand-made files, row by row.
TEST_F(ChannelTreeTest, OkStoresTheNormalisedTree) {
  for (const TCleanUpCase& c : kCleanUpCases) {
    SCOPED_TRACE(c.what);
    Open(c.lines);
    EXPECT_EQ(StoredLines(), c.stored);
  }
}

TEST_F(ChannelTreeTest, ATreeAsDeepAsTheSizeLimitAllowsIsShownExpandedAndStored) {
  // Line k is k TABs and a digit: the deepest chain a file within the size
  // limit can hold.
  TStrings lines;
  std::size_t bytes = 1024;  // the settings lines and the markers
  for (std::size_t level = 0; bytes + level + 3 <= kMaxConfigFileSize; ++level) {
    lines.push_back(std::string(level, '\t') + "1");
    bytes += level + 3;
  }
  ASSERT_GT(lines.size(), 11000u);
  lines.front() = "SPS";
  Open(lines);
  ShowChannelPage();  // expands every node
  QModelIndex deepest = TopNode(tree);
  while (ChildCount(deepest) > 0) deepest = ChildOf(deepest, 0);
  EXPECT_EQ(NodeLevel(deepest), static_cast<int>(lines.size()) - 1);
  tree->scrollTo(deepest);
  QApplication::processEvents();
  // The empty line the card read before the end marker is gone, as always.
  EXPECT_EQ(StoredLines(), lines);
  dialog.reset();
}

TEST_F(ChannelTreeTest, AForeignRootStaysOnlyWhileItHoldsAUsedChannel) {
  Open({"PLC2", "\tE", "\t\t4", "SPS", "\tE", "OLD", "\tE", "\t\t4"}, {"PLC2;E;4"});
  EXPECT_EQ(StoredLines(), (TStrings{"PLC2", "\tE", "\t\t4", "SPS", "\tE"}));
  EXPECT_EQ(Image("PLC2"), NodeUsed);
  // Renumbered, the data block above the used offset leaves the root without a used channel.
  Open({"SPS", "\tE", "PLC2", "\tDB", "\t\t10", "\t\t\t2"}, {"PLC2;DB;10;2"});
  EXPECT_TRUE(editor->TreeView1Editing(Node("PLC2;DB;10")));
  Edit("PLC2;DB;10", "11");
  EXPECT_EQ(StoredLines(), (TStrings{"SPS", "\tE"}));
}

TEST_F(ChannelTreeTest, NewRootHasTheSixAreasWithTheirDepths) {
  Open({});
  ASSERT_EQ(tree->model()->rowCount(), 1);
  const QModelIndex root = TopNode(tree);
  EXPECT_EQ(NodeText(root), "SPS");
  EXPECT_EQ(NodeDataWord(root), 0);
  EXPECT_EQ(NodeImage(root), NodeValid);
  EXPECT_THAT(ChildTexts(root), ElementsAre("E", "A", "M", "T", "Z", "DB"));
  for (int i = 0; i < ChildCount(root); ++i) {
    EXPECT_EQ(NodeImage(ChildOf(root, i)), NodeValid);
    EXPECT_EQ(NodeDataWord(ChildOf(root, i)), NodeText(ChildOf(root, i)) == "DB" ? 2 : 1);
  }
  // Built collapsed: only the top level shows.
  EXPECT_FALSE(tree->isExpanded(root));
}

TEST_F(ChannelTreeTest, DepthsAndImagesAfterLoading) {
  Open(kChannelLines, {"SPS;DB;10;2"});
  struct Expect {
    const char* path;
    int depth;
    int image;
  };
  for (const Expect& e : std::initializer_list<Expect>{{"SPS", 0, NodeUsed},
                                                       {"SPS;E", 1, NodeValid},
                                                       {"SPS;E;5", 0, NodeValid},
                                                       {"SPS;M", 1, NodeValid},
                                                       {"SPS;DB", 2, NodeUsed},
                                                       {"SPS;DB;10", 1, NodeUsed},
                                                       {"SPS;DB;10;2", 0, NodeUsed},
                                                       {"SPS;DB;10;3", 0, NodeValid},
                                                       {"SPS;DB;11", 1, NodeValid}}) {
    SCOPED_TRACE(e.path);
    EXPECT_EQ(NodeDataWord(Node(e.path)), e.depth);
    EXPECT_EQ(Image(e.path), e.image);
  }
  // A marker from the file shows red up to the root, over the used channel.
  Open({"SPS", "\tE", "\t\t300<-- ungültig", "\tDB", "\t\t10", "\t\t\t2"}, {"SPS;DB;10;2"});
  EXPECT_EQ(Image("SPS;E;300<-- ungültig"), NodeInvalid);
  EXPECT_EQ(Image("SPS;E"), NodeInvalid);
  EXPECT_EQ(Image("SPS;DB"), NodeUsed);
  EXPECT_EQ(Image("SPS"), NodeInvalid);
}

TEST_F(ChannelTreeTest, EntriesAreCheckedForTheirPlace) {
  struct Case {
    const char* path;
    const char* typed;
    std::string shown;
    int image;
  };
  const Case cases[] = {
      {"SPS;A;3", "300", std::string("300") + kMarkerAddress, NodeInvalid},
      {"SPS;A;3", "255", "255", NodeValid},
      {"SPS;A;3", "-1", std::string("-1") + kMarkerAddress, NodeInvalid},
      {"SPS;A;3", "abc", std::string("ABC") + kMarkerNoNumber, NodeInvalid},
      {"SPS;A;3", " 12 ", "12", NodeValid},
      {"SPS;A;3", "$1F", "$1F", NodeValid},
      {"SPS;A;3", "0x10", "0X10", NodeValid},
      {"SPS;A;3", "", kMarkerNoNumber, NodeInvalid},
      {"SPS;A;3", "99999999999", std::string("99999999999") + kMarkerNoNumber, NodeInvalid},
      {"SPS;DB;10", "0", std::string("0") + kMarkerDataBlock, NodeInvalid},
      {"SPS;DB;10", "255", "255", NodeValid},
      {"SPS;DB;10", "256", std::string("256") + kMarkerDataBlock, NodeInvalid},
      {"SPS;DB;10;2", "4091", std::string("4091") + kMarkerOffset, NodeInvalid},
      {"SPS;DB;10;2", "4090", "4090", NodeValid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " <- '" + c.typed + "'");
    Open(kChannelLines);
    const QModelIndex node = Node(c.path);
    EXPECT_EQ(Edit(c.path, c.typed), c.shown);
    EXPECT_EQ(NodeImage(node), c.image);
    // The worst state shows on every ancestor.
    for (QModelIndex up = node.parent(); up.isValid(); up = up.parent())
      EXPECT_EQ(NodeImage(up), c.image) << NodeText(up);
  }
}

TEST_F(ChannelTreeTest, CheckCoversTheWholeLevelAndCorrectionRestoresTheCheckMark) {
  Open({"SPS", "\tM", "\t\t1", "\t\tq2", "\t\t3<-- ungültig", "\tE", "\t\t1"});
  EXPECT_EQ(Edit("SPS;M;1", "300"), std::string("300") + kMarkerAddress);
  // The siblings were checked too: old markers gone, new ones set.
  EXPECT_THAT(ChildTexts(Node("SPS;M")), ElementsAre(std::string("300") + kMarkerAddress,
                                                     std::string("Q2") + kMarkerNoNumber, "3"));
  EXPECT_EQ(Image("SPS;M;3"), NodeValid);
  EXPECT_EQ(Image("SPS"), NodeInvalid);

  const QModelIndex m = Node("SPS;M");
  std::string corrected = "30";
  editor->TreeView1Edited(ChildOf(m, 0), corrected);
  corrected = "2";
  editor->TreeView1Edited(ChildOf(m, 1), corrected);
  EXPECT_THAT(ChildTexts(m), ElementsAre("30", "2", "3"));
  EXPECT_EQ(Image("SPS;M;30"), NodeValid);
  EXPECT_EQ(Image("SPS;M"), NodeValid);
  EXPECT_EQ(Image("SPS"), NodeValid);
  // Other levels are not touched.
  EXPECT_THAT(ChildTexts(Node("SPS;E")), ElementsAre("1"));
}

TEST_F(ChannelTreeTest, AddingProposesTheNextNumber) {
  Open({"SPS", "\tE", "\tA", "\t\t0", "\t\t3", "\t\t7", "\tM", "\t\tX7", "\tT", "\t\t$1F", "\tZ",
        "\t\t5<-- ungültig", "\tDB"});
  ShowChannelPage();
  struct Step {
    const char* selected;
    const char* container;
    std::vector<std::string> children;
  };
  const Step steps[] = {
      {"SPS;E", "SPS;E", {"0"}},
      {"SPS;E", "SPS;E", {"0", "1"}},
      {"SPS;E;0", "SPS;E", {"0", "1", "2"}},
      {"SPS;DB", "SPS;DB", {"1"}},
      {"SPS;DB;1", "SPS;DB;1", {"0"}},
      {"SPS;DB;1;0", "SPS;DB;1", {"0", "1"}},
      // One more than the last child, not than the selected one.
      {"SPS;A;3", "SPS;A", {"0", "3", "7", "8"}},
      // A first character that is no digit is kept.
      {"SPS;M;X7", "SPS;M", {"X7", "X8"}},
      // Unreadable previous entries give the number of children.
      {"SPS;T;$1F", "SPS;T", {"$1F", "2"}},
      {"SPS;Z", "SPS;Z", {"5", "2"}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.selected));
    Press(s.selected, Qt::Key_Insert);
    const QModelIndex container = Node(s.container);
    ASSERT_TRUE(container.isValid());
    EXPECT_EQ(ChildTexts(container), s.children);
    const QModelIndex added = ChildOf(container, ChildCount(container) - 1);
    EXPECT_EQ(tree->currentIndex(), added);
    EXPECT_TRUE(tree->isExpanded(container));
    EXPECT_EQ(NodeDataWord(added), NodeDataWord(container) - 1);
    // The new entry is open for editing; cancelling keeps the proposal.
    QLineEdit* line = OpenEditor();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text().toStdString(), s.children.back());
    QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_EQ(NodeText(added), s.children.back());
  }
  // The marker of the Z entry came back with the check of the new entry.
  EXPECT_THAT(ChildTexts(Node("SPS;Z")), ElementsAre(std::string("5"), "2"));
}

TEST_F(ChannelTreeTest, NothingIsAddedAtTheTopLevel) {
  Open(kChannelLines);
  const TStrings before = StoredLines();
  Open(kChannelLines);
  tree->setCurrentIndex(Node("SPS"));
  editor->NeuerEintrag1Click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "At this position it is not allowed to add an element!");
  EXPECT_TRUE(boxes.boxes[0].flags & MB_ICONERROR);
  EXPECT_EQ(StoredLines(), before);

  tree->setCurrentIndex({});
  editor->NeuerEintrag1Click();
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(ChannelTreeTest, DeletingRechecksTheFollowingEntries) {
  Open({"SPS", "\tE", "\t\t1", "\t\tabc", "\t\t2", "\tA", "\t\tq"});
  // Loaded as it stands: no marker, so the entry looks valid until checked.
  EXPECT_EQ(Image("SPS;E;abc"), NodeValid);
  Press("SPS;E;1", Qt::Key_Delete);
  EXPECT_THAT(ChildTexts(Node("SPS;E")), ElementsAre(std::string("ABC") + kMarkerNoNumber, "2"));
  EXPECT_EQ(Image("SPS;E"), NodeInvalid);
  EXPECT_EQ(Image("SPS;A;q"), NodeValid) << "another level was checked";

  // The last entry has no followers: nothing to check.
  Press("SPS;A;q", Qt::Key_Delete);
  EXPECT_THAT(ChildTexts(Node("SPS;A")), IsEmpty());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ChannelTreeTest, UsedChannelsAreProtected) {
  Open(kChannelLines, {"SPS;E;5", "SPS;DB;10;2"});
  ShowChannelPage();
  EXPECT_EQ(Image("SPS;E;5"), NodeUsed);
  EXPECT_EQ(Image("SPS;E"), NodeUsed);

  struct Rule {
    const char* path;
    bool editable;
  };
  for (const Rule& r : std::initializer_list<Rule>{{"SPS", false},
                                                   {"SPS;E", false},
                                                   {"SPS;DB", false},
                                                   {"SPS;E;0", true},
                                                   {"SPS;E;5", false},
                                                   {"SPS;DB;10", true},
                                                   {"SPS;DB;10;2", false},
                                                   {"SPS;DB;10;3", true}}) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(editor->TreeView1Editing(Node(r.path)), r.editable);
    Press(r.path, Qt::Key_Return);
    EXPECT_EQ(OpenEditor() != nullptr, r.editable);
    if (QLineEdit* line = OpenEditor()) QTest::keyClick(line, Qt::Key_Escape);
  }

  // Deleting a used channel, an area or the root does nothing, silently.
  for (const char* path : {"SPS;E;5", "SPS;E", "SPS", "SPS;DB;10;2"}) Press(path, Qt::Key_Delete);
  EXPECT_THAT(ChildTexts(Node("SPS;E")), ElementsAre("0", "5"));
  EXPECT_THAT(ChildTexts(Node("SPS;DB;10")), ElementsAre("2", "3"));
  // A data block number goes only with its free offsets.
  Press("SPS;DB;10", Qt::Key_Delete);
  EXPECT_THAT(ChildTexts(Node("SPS;DB")), ElementsAre("10", "11"));
  EXPECT_THAT(ChildTexts(Node("SPS;DB;10")), ElementsAre("2"));
  Press("SPS;DB;11", Qt::Key_Delete);
  EXPECT_THAT(ChildTexts(Node("SPS;DB")), ElementsAre("10"));
  EXPECT_EQ(Image("SPS;DB;10;2"), NodeUsed);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ChannelTreeTest, InPlaceEditingChecksTheTypedText) {
  Open(kChannelLines);
  ShowChannelPage();
  Press("SPS;A;3", Qt::Key_Return);
  QLineEdit* line = OpenEditor();
  ASSERT_NE(line, nullptr);
  line->selectAll();
  QTest::keyClicks(line, "300");
  QTest::keyClick(line, Qt::Key_Return);
  // The editor commits through a queued call.
  EXPECT_TRUE(QTest::qWaitFor([&] { return OpenEditor() == nullptr; }, 2000));
  EXPECT_EQ(NodeText(tree->currentIndex()), std::string("300") + kMarkerAddress);
  EXPECT_EQ(Image("SPS;A"), NodeInvalid);

  // A cancelled edit changes nothing.
  Press("SPS;A;7", Qt::Key_Return);
  line = OpenEditor();
  ASSERT_NE(line, nullptr);
  line->selectAll();
  QTest::keyClicks(line, "9");
  QTest::keyClick(line, Qt::Key_Escape);
  EXPECT_EQ(NodeText(Node("SPS;A;7")), "7");
  EXPECT_TRUE(dialog->isVisible()) << "Escape in the editor closed the dialog";
}

TEST_F(ChannelTreeTest, RightClickRules) {
  Open(kChannelLines);
  ShowChannelPage();
  auto* menu = Child<QMenu>(dialog.get(), "PopupMenu1");
  ASSERT_NE(menu, nullptr);
  const auto rightClickAt = [&](const QPoint& at) {
    QTest::mousePress(tree->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &request);
  };
  const auto centre = [&](const char* path) { return tree->visualRect(Node(path)).center(); };

  // The root: the refusal, no menu.
  rightClickAt(centre("SPS"));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "At this position it is not allowed to add an element!");
  EXPECT_FALSE(menu->isVisible());

  // Empty space: nothing.
  rightClickAt(QPoint(5, tree->viewport()->height() - 2));
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_FALSE(menu->isVisible());

  // An area: selected, and the menu opens once.
  rightClickAt(centre("SPS;T"));
  EXPECT_EQ(tree->currentIndex(), Node("SPS;T"));
  EXPECT_TRUE(menu->isVisible());
  EXPECT_FALSE(editor->AutoPopup());
  Child<QAction>(dialog.get(), "NeuerEintrag1")->trigger();
  menu->close();
  EXPECT_THAT(ChildTexts(Node("SPS;T")), ElementsAre("0"));
  if (QLineEdit* line = OpenEditor()) QTest::keyClick(line, Qt::Key_Escape);

  // The context-menu key alone opens no menu.
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5), tree->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(tree, &key);
  EXPECT_FALSE(menu->isVisible());

  // The delete item works on the right-clicked entry.
  rightClickAt(centre("SPS;A;3"));
  EXPECT_TRUE(menu->isVisible());
  Child<QAction>(dialog.get(), "Eintraglschen1")->trigger();
  menu->close();
  EXPECT_THAT(ChildTexts(Node("SPS;A")), ElementsAre("0", "7"));

  // A left click is no business of the right-click rule.
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, centre("SPS"));
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(ChannelTreeTest, EnteringThePageRestoresThePlcRoot) {
  Open(kChannelLines);
  ShowChannelPage();
  Child<QWidget>(dialog.get(), "OKBtn")->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !tree->hasFocus(); }, 2000));
  TChannelItemModel* nodes = editor->Model();
  nodes->Load(TChannelTreeModel::FromLines({"XYZ"}));

  tree->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return tree->hasFocus(); }, 2000));
  ASSERT_EQ(tree->model()->rowCount(), 1);
  EXPECT_EQ(NodeText(TopNode(tree)), "SPS");
  EXPECT_THAT(ChildTexts(TopNode(tree)), ElementsAre("E", "A", "M", "T", "Z", "DB"));
}
