#pragma once
// The fixture of the card's PLC operation tests: a card without a
// configuration file over the scripted library, which must show nothing and
// leave nothing open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "Card.h"
#include "FakeNoDave.h"
#include "TempFolder.h"

class CardPlcTest : public TempFolderTest {
 protected:
  void SetUp() override {
    // No configuration file beside the driver: the card starts from defaults.
    card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string());
  }
  void TearDown() override {
    EXPECT_THAT(recorder.boxes, ::testing::IsEmpty()) << "the card shows nothing itself";
    card.reset();
  }

  // Nothing the attempt opened or created may outlive it.
  void ExpectNothingLeftOpen() {
    EXPECT_THAT(dave.openHandles, ::testing::IsEmpty());
    EXPECT_EQ(dave.liveObjects(), 0);
    EXPECT_EQ(dave.doubleFrees, 0);
    EXPECT_EQ(dave.badCloses, 0);
    EXPECT_EQ(card->ConnectCount(), 0);
  }

  FakeNoDave dave;
  BoxRecorder recorder;
  std::unique_ptr<TCard> card;
};
