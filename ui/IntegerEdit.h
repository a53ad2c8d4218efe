#pragma once
// The suite's entry field TIntegerEdit: a one-line field for whole numbers
// with limits, checked when the focus leaves it.
#include <QEvent>
#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

// The private message the field posts to itself to report refused input
// once the focus change is over; its parameter is the check code.
constexpr int WM_INTEDITERROR = 0x7F09;

// The sound for a refused keystroke. Tests replace it; the default is the
// platform's beep. Returns the previous handler.
using TBeepHandler = std::function<void()>;
TBeepHandler SetBeepHandler(TBeepHandler handler);

class TIntegerEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(bool IsZeroAllowed READ IsZeroAllowed WRITE SetIsZeroAllowed)
  Q_PROPERTY(int Value READ GetValue WRITE SetValue)
  Q_PROPERTY(bool NoBlanks READ NoBlanks WRITE SetNoBlanks)
  Q_PROPERTY(bool Beep READ Beep WRITE SetBeep)
  Q_PROPERTY(int Tag READ Tag WRITE SetTag)

 public:
  // Results of Validate, also the parameter of the deferred error report.
  enum TCheckCode : int {
    icOk = 0,
    icNoNumber = 1,
    icTooBig = 2,
    icTooSmall = 3,
    icZeroNotAllowed = 4,
  };

  // Handler for a mouse button pressed on the field; ShowRange by default.
  using TMouseDownEvent = std::function<void(Qt::MouseButton button)>;

  explicit TIntegerEdit(QWidget* parent = nullptr);

  // MinValue = MaxValue = 0 means the field has no limits.
  std::int32_t MinValue() const { return FMinValue; }
  void SetMinValue(std::int32_t value) { FMinValue = value; }
  std::int32_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(std::int32_t value) { FMaxValue = value; }
  bool HasLimits() const { return FMinValue != 0 || FMaxValue != 0; }
  bool IsZeroAllowed() const { return FIsZeroAllowed; }
  void SetIsZeroAllowed(bool allowed) { FIsZeroAllowed = allowed; }
  // printf-like pattern with one integer conversion (d, i, u or x).
  const std::string& Format() const { return FFormat; }
  // EConvertError when pattern does not hold exactly one integer conversion.
  void SetFormat(const std::string& pattern);
  bool NoBlanks() const { return FNoBlanks; }
  void SetNoBlanks(bool noBlanks) { FNoBlanks = noBlanks; }
  bool Beep() const { return FBeep; }
  void SetBeep(bool beep) { FBeep = beep; }
  // A negative tag switches the range display off.
  int Tag() const { return FTag; }
  void SetTag(int tag) { FTag = tag; }

  // The number in the text when it is a whole number within the limits (any
  // whole number when there are none); otherwise the last accepted value.
  // Never fails.
  std::int32_t GetValue();
  std::int32_t Value() { return GetValue(); }
  // Takes value as accepted and shows it formatted; no range or zero check.
  void SetValue(std::int32_t value);

  // Numbers outside lowest..highest are refused as too big or too small
  // whatever the limits say: what takes the field's value (an attached
  // spinner) cannot hold them. The limits themselves stay as they are.
  void SetHolderRange(std::int32_t lowest, std::int32_t highest);
  void ClearHolderRange() { FHolderRange.reset(); }

  // Classifies the current text (TCheckCode).
  int Validate() const;
  // The check when the focus leaves: a refused text posts the error report,
  // brings back the last accepted value and keeps the focus. Returns whether
  // the text was accepted.
  bool CheckInput();
  // Whether an action may use the field's value now (OK, a readout, a
  // partner listing, another connection type). No, when the field refused
  // an entry and the user has typed nothing since, or when it has the focus
  // with a text it refuses now: the refusal is shown (the report still to
  // come counts), the focus goes back into the field, and the action must do
  // nothing. A field that is not being edited has no entry to refuse. Each
  // refusal stops one action.
  bool EntryAccepted();
  // Shows the permitted range on a right button press.
  void ShowRange(Qt::MouseButton button);
  // Replaces the mouse-down handler (null: none).
  void SetOnMouseDown(TMouseDownEvent handler) { FOnMouseDown = std::move(handler); }

  // The character filter for typed keys: backspace, "+", "-" and digits.
  virtual bool IsValidChar(char key);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

  // The deferred error report for code (1..4; anything else shows nothing).
  void ShowInputError(int code);

 private:
  bool RangeDisplayWanted() const;
  std::string FormatValue(std::int32_t value) const;
  void ReclaimFocus();

  std::int32_t FMinValue = 0;
  std::int32_t FMaxValue = 0;
  bool FIsZeroAllowed = true;
  std::int32_t FValue = 0;
  std::string FFormat = "%3d";
  bool FNoBlanks = true;
  bool FBeep = true;
  int FTag = 0;
  TMouseDownEvent FOnMouseDown;
  std::optional<std::pair<std::int32_t, std::int32_t>> FHolderRange;
  // The check code of the last refusal no action has taken yet, and
  // whether its report has been shown.
  int FRefusal = icOk;
  bool FRefusalShown = false;
};
