// The channel page callback on synthetic controls: a page control whose page
// caption is the translated "Kanäle der SPS", and controls by name.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/HWConfiguratorClass.h"

namespace {

struct TPagesCase {
  const char* What;
  QString ControlName;
  std::vector<QString> Captions;
  std::vector<bool> TabVisibleAfter;
};

TEST(HideChannelPageTest, HidesThePageWithTheTranslatedChannelCaption) {
  const QString channels = QString::fromUtf8("Kanäle der SPS");
  const std::vector<TPagesCase> cases = {
      {"translated", "PageControl1", {"Connection", channels}, {true, false}},
      {"first of three", "PageControl1", {channels, "A", "B"}, {false, true, true}},
      {"with a mnemonic",
       "PageControl1",
       {"Connection", QString::fromUtf8("&Kan&äle der SPS")},
       {true, false}},
      {"with a shown ampersand",
       "PageControl1",
       {QString::fromUtf8("Kanäle && der SPS"), "x"},
       {true, true}},
      {"inside a longer caption",
       "MyPageControl",
       {"Die " + channels + " (3)", "x"},
       {false, true}},
      {"untranslated", "PageControl1", {"Connection", "Channels of the PLC"}, {true, true}},
      {"other letter case", "PageControl1", {"Connection", "kanäle der sps"}, {true, true}},
      {"not named a page control", "Tabs", {"Connection", channels}, {true, true}},
      {"name in other letter case", "pagecontrol1", {"Connection", channels}, {true, true}},
  };
  for (const auto& c : cases) {
    QTabWidget pages;
    pages.setObjectName(c.ControlName);
    std::vector<QWidget*> sheets;
    for (const auto& caption : c.Captions) sheets.push_back(new QLabel(caption));
    for (std::size_t i = 0; i < sheets.size(); ++i) pages.addTab(sheets[i], c.Captions[i]);
    pages.show();

    HideChannelPage(&pages);

    for (std::size_t i = 0; i < sheets.size(); ++i) {
      const int index = static_cast<int>(i);
      EXPECT_EQ(pages.isTabVisible(index), c.TabVisibleAfter[i]) << c.What << ", page " << i;
      if (!c.TabVisibleAfter[i]) EXPECT_TRUE(sheets[i]->isHidden()) << c.What << ", page " << i;
    }
    // A visible page stays the one shown.
    EXPECT_TRUE(pages.isTabVisible(pages.currentIndex())) << c.What;
  }
}

TEST(HideChannelPageTest, HidesEveryControlNamedTabSheet3) {
  struct TCase {
    QString Name;
    bool HiddenAfter;
  };
  const std::vector<TCase> cases = {
      {"TabSheet3", true}, {"MyTabSheet3Copy", true}, {"TabSheet1", false}, {"tabsheet3", false},
      {"", false},
  };
  for (const auto& c : cases) {
    QWidget parent;
    auto* control = new QLabel("x", &parent);
    control->setObjectName(c.Name);
    parent.show();
    HideChannelPage(control);
    EXPECT_EQ(control->isHidden(), c.HiddenAfter) << c.Name.toStdString();
  }
}

TEST(HideChannelPageTest, AControlNamedPageControlThatIsNoPageControlIsLeftAlone) {
  QWidget parent;
  auto* control = new QLabel(QString::fromUtf8("Kanäle der SPS"), &parent);
  control->setObjectName("PageControl1");
  parent.show();
  HideChannelPage(control);
  EXPECT_FALSE(control->isHidden());
  HideChannelPage(nullptr);  // the card passes what it finds; nothing is no crash
}

}  // namespace
