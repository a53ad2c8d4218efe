#pragma once
// The connection frames in a test window, each filled by a real card in
// front of the scripted S7 library, and the lookups the frame tests share.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>
#include <memory>

#include "Card.h"
#include "FakeNoDave.h"
#include "TempFolder.h"
#include "UiTestSupport.h"

template <class W = QWidget>
W* Child(QWidget* frame, const char* name) {
  auto* child = frame->findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline QStringList Items(QWidget* frame, const char* name) {
  auto* box = Child<QComboBox>(frame, name);
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

inline int Selected(QWidget* frame, const char* name) {
  return Child<QComboBox>(frame, name)->currentIndex();
}

// Settings that differ from what any frame would store back.
inline TConfigInfo Distinct() {
  TConfigInfo c;
  c.Connectiontype = 9;
  c.Comport = 77;
  c.Baudrate = 77;
  c.LocalMPI = 77;
  c.LocalPPI = 77;
  c.RemoteMPI = 77;
  c.RemotePPI = 77;
  c.ProfibusSpeedIndex = 77;
  c.IPAddress = "untouched";
  c.IPPort = 77;
  c.Rack = 77;
  c.Slot = 77;
  c.WriteProtocol = 77;
  c.ProtokollFileName = "untouched";
  return c;
}

class FramesTest : public TempFolderTest {
 protected:
  void SetUp() override { card = std::make_unique<TCard>(0, (dir / "libs7drv.so").string()); }

  template <class F>
  F* Frame(const TConfigInfo& settings = TConfigInfo()) {
    auto* frame = win.Add(new F);
    frame->InitFrame(card.get(), settings, nullptr);
    return frame;
  }

  BoxRecorder recorder;
  BeepCounter beeper;
  FakeNoDave fake;
  std::unique_ptr<TCard> card;
  TestWindow win;
};
