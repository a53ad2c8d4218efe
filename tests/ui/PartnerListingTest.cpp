// The partner listing of the MPI and S7ONLINE frames through a real card in
// front of a scripted S7 library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <string>

#include "FramesTestSupport.h"
#include "HW_FrameMPI.h"
#include "HW_FrameS7Online.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class PartnerListingTest : public FramesTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The frame under test, with its button and list.
  TConnectionFrame* NewFrame(const TConfigInfo& settings, TCollectSettingsEvent collect) {
    if (std::string(GetParam()) == "MPI") {
      auto* frame = win.Add(new TMPIFrame);
      frame->InitFrame(card.get(), settings, std::move(collect));
      return frame;
    }
    auto* frame = win.Add(new TS7OnlineFrame);
    frame->InitFrame(card.get(), settings, std::move(collect));
    return frame;
  }
  void Click(QWidget* frame) {
    QTest::mouseClick(Child<QPushButton>(frame, "ReachablePartners"), Qt::LeftButton);
  }
  static void Store(TConnectionFrame* frame, TConfigInfo& settings) {
    if (auto* mpi = qobject_cast<TMPIFrame*>(frame))
      mpi->StoreSettings(settings);
    else
      qobject_cast<TS7OnlineFrame*>(frame)->StoreSettings(settings);
  }
};

TEST_P(PartnerListingTest, TheAnsweringPartnersReplaceTheListAndKeepTheSelectedOne) {
  fake.answeringAddresses = {0, 2, 3};
  struct Row {
    int previous;
    int selected;  // index in the new list
  };
  const std::vector<Row> rows = {{2, 1}, {5, -1}, {3, 2}};
  std::vector<TConnectionFrame*> frames;
  for (const Row& row : rows) {
    TConfigInfo settings;
    settings.RemoteMPI = row.previous;
    frames.push_back(NewFrame(settings, [](TConfigInfo& c) { c.Connectiontype = 0; }));
  }
  ASSERT_TRUE(win.Show());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Click(frames[i]);
    EXPECT_THAT(Items(frames[i], "Teilnehmerbox"), ElementsAre("0", "2", "3"));
    EXPECT_EQ(Selected(frames[i], "Teilnehmerbox"), rows[i].selected) << rows[i].previous;
    TConfigInfo stored = Distinct();
    Store(frames[i], stored);
    EXPECT_EQ(stored.RemoteMPI, rows[i].selected < 0 ? 77 : rows[i].previous);
  }
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_P(PartnerListingTest, TheCardIsAskedWithWhatTheDialogShowsNow) {
  TConfigInfo settings;  // saved: MPI on COM2
  int collected = 0;
  auto* frame = NewFrame(settings, [&collected](TConfigInfo& c) {
    ++collected;
    c.Connectiontype = 3;  // the dialog now shows PPI on COM4 at 38400
    c.Comport = 4;
    c.Baudrate = 2;
  });
  fake.answeringAddresses = {2};
  ASSERT_TRUE(win.Show());
  Click(frame);
  EXPECT_EQ(collected, 1);
  ASSERT_FALSE(fake.calls.empty());
  EXPECT_EQ(fake.calls.front(), "setPort(COM4,38400,E)");
  EXPECT_EQ(frame->Settings().Connectiontype, 3) << "the copy keeps what was collected";
  EXPECT_EQ(fake.openHandles.size(), 0u) << "the port is closed again";
}

TEST_P(PartnerListingTest, AFailedListingEmptiesThePartnerList) {
  TConfigInfo settings;
  settings.Connectiontype = 5;
  auto* frame = NewFrame(settings, nullptr);
  fake.failOpenS7online = true;
  ASSERT_TRUE(win.Show());
  Click(frame);
  EXPECT_TRUE(Items(frame, "Teilnehmerbox").isEmpty());
  EXPECT_EQ(Selected(frame, "Teilnehmerbox"), -1);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_THAT(recorder.boxes[0].text, HasSubstr("S7ONLINE"));
  // Nothing selected: the partner stays as it was.
  TConfigInfo stored = Distinct();
  Store(frame, stored);
  EXPECT_EQ(stored.RemoteMPI, 77);
}

INSTANTIATE_TEST_SUITE_P(Frames, PartnerListingTest, ::testing::Values("MPI", "S7Online"));

}  // namespace
