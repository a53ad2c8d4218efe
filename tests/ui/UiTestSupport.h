#pragma once
// Helpers for driving the entry fields and frames in a real, active window.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "ui/UpDown.h"

// Counts refused keystrokes instead of sounding the beep.
class BeepCounter {
 public:
  BeepCounter() : FPrevious(SetBeepHandler([this] { ++beeps; })) {}
  ~BeepCounter() { SetBeepHandler(std::move(FPrevious)); }
  BeepCounter(const BeepCounter&) = delete;
  BeepCounter& operator=(const BeepCounter&) = delete;
  int beeps = 0;

 private:
  TBeepHandler FPrevious;
};

// An active top-level window holding the widgets under test and, last, a
// plain edit to move the focus to.
class TestWindow {
 public:
  TestWindow() : window(std::make_unique<QWidget>()) { layout = new QVBoxLayout(window.get()); }
  template <class W>
  W* Add(W* widget) {
    layout->addWidget(widget);
    return widget;
  }
  // Shows the window and waits until it is active, so that focus moves work.
  bool Show() {
    elsewhere = new QLineEdit(window.get());
    elsewhere->setObjectName(QStringLiteral("Elsewhere"));
    layout->addWidget(elsewhere);
    window->show();
    QApplication::setActiveWindow(window.get());
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }

  std::unique_ptr<QWidget> window;
  QVBoxLayout* layout;
  QLineEdit* elsewhere = nullptr;
};

// Focuses field, replaces its text by typing, then leaves it with Tab.
inline void TypeAndLeave(QLineEdit* field, const QString& typed) {
  field->setFocus(Qt::TabFocusReason);
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, typed);
  QTest::keyClick(field, Qt::Key_Tab);
}
