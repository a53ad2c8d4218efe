#pragma once
// The suite's spinner TUpDown, the up/down arrows attached to an integer
// field.
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "ui/IntegerEdit.h"

class QToolButton;

// Up/down arrows attached to an integer field. The field's text and the
// position follow each other: moving writes the position into the field as
// decimal text, reading the position reads the number in the field.
// Positions are 16-bit signed.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* parent = nullptr);

  // The field then refuses numbers outside the positions (-32768..32767).
  void SetAssociate(TIntegerEdit* field);
  TIntegerEdit* Associate() const { return FAssociate; }
  // Range of the arrows: stepping stops at the ends (no wrap-around).
  void SetRange(int min, int max);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  void SetIncrement(int increment) { FIncrement = increment; }
  int Increment() const { return FIncrement; }

  // The number in the field when it is a whole number that fits a position,
  // otherwise the last position.
  int Position();
  // Shows position in the field and makes it the field's accepted value.
  // ERangeError when position is outside -32768..32767.
  void SetPosition(std::int64_t position);
  // One step up (+1) or down (-1), as the arrows do: writes the text only,
  // the field checks it when the focus leaves.
  void Step(int direction);

 protected:
  // Up and down arrow keys in the attached field move the spinner.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* FUpButton;
  QToolButton* FDownButton;
  QPointer<TIntegerEdit> FAssociate;  // a sibling, not owned
  int FMin = 0;
  int FMax = 100;
  int FIncrement = 1;
  int FPosition = 0;
};
