#include "ui/IntegerEdit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "support/MessageBox.h"
#include "support/VNErrors.h"
#include "support/VNString.h"
#include "support/VNUtils.h"

namespace {

// Numbers of the field's texts in the string-resource library.
enum : unsigned {
  kResErrorCaption = 1002,
  kResRangeTitle = 1011,
  kResRangeFrom = 1316,
  kResRangeTo = 1317,
  kResNoLimits = 1551,
  kResZeroNotAllowed = 1552,
  kResFirstInputError = 1553,  // 1553..1556 for the check codes 1..4
};

const char* const kInputErrors[] = {
    "Falsches Zahlenformat",
    "Zahlenwert zu groß",
    "Zahlenwert zu klein",
    "Zahlenwert 0 nicht erlaubt",
};

// The widest field a format pattern may ask for; keeps a typo in a pattern
// from building huge texts.
constexpr int kMaxFormatWidth = 200;

TBeepHandler& BeepHandler() {
  static TBeepHandler handler;
  return handler;
}

void SoundBeep() {
  if (const auto& handler = BeepHandler())
    handler();
  else
    QApplication::beep();
}

QEvent::Type IntEditErrorEventType() {
  static const auto type =
      static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + WM_INTEDITERROR));
  return type;
}

// The posted WM_INTEDITERROR: first parameter 0, second the check code.
class TIntEditErrorEvent : public QEvent {
 public:
  explicit TIntEditErrorEvent(int code) : QEvent(IntEditErrorEventType()), LParam(code) {}
  const int WParam = 0;
  const int LParam;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal real number over the whole text: leading blanks, optional sign,
// digits with an optional "." and fraction, optional exponent. Nothing may
// follow. A number too large even for long double is not a number.
std::optional<long double> ParseReal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  // The syntax is checked above, so strtold reads exactly this text.
  const std::string number = text.substr(start);
  errno = 0;
  const long double value = std::strtold(number.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

// One conversion of a format pattern: "%[-][width][.precision]type".
struct TConversion {
  std::size_t Begin = 0;
  std::size_t End = 0;  // one past the type letter
  char Type = 'd';
};

// The single integer conversion of pattern; EConvertError when there is
// none, more than one, or one that is not for an integer.
TConversion FindConversion(const std::string& pattern) {
  const auto invalid = [&pattern]() {
    return EConvertError("Format '" + pattern + "' invalid or incompatible with argument");
  };
  std::optional<TConversion> found;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      ++i;
      continue;
    }
    if (found) throw invalid();
    TConversion conversion;
    conversion.Begin = i++;
    if (i < pattern.size() && pattern[i] == '-') ++i;
    for (int part = 0; part < 2; ++part) {
      if (part == 1) {
        if (i >= pattern.size() || pattern[i] != '.') break;
        ++i;
      }
      int number = 0;
      while (i < pattern.size() && IsDigit(pattern[i])) {
        number = number * 10 + (pattern[i++] - '0');
        if (number > kMaxFormatWidth) throw invalid();
      }
    }
    if (i >= pattern.size()) throw invalid();
    const char type = pattern[i];
    if (type != 'd' && type != 'i' && type != 'u' && type != 'x' && type != 'X') throw invalid();
    conversion.Type = type;
    conversion.End = i + 1;
    found = conversion;
    i = conversion.End - 1;
  }
  if (!found) throw invalid();
  return *found;
}

std::string FormatInteger(const std::string& pattern, std::int32_t value) {
  const TConversion conversion = FindConversion(pattern);
  // Hexadecimal digits are shown in capitals, as the suite's formatting does.
  std::string conversionText = pattern.substr(conversion.Begin, conversion.End - conversion.Begin);
  if (conversion.Type == 'x') conversionText.back() = 'X';
  std::array<char, 2 * kMaxFormatWidth + 16> buffer{};
  if (conversion.Type == 'd' || conversion.Type == 'i')
    std::snprintf(buffer.data(), buffer.size(), conversionText.c_str(), static_cast<int>(value));
  else
    std::snprintf(buffer.data(), buffer.size(), conversionText.c_str(),
                  static_cast<unsigned>(value));

  std::string result;
  const auto appendLiteral = [&result](std::string_view literal) {
    for (std::size_t i = 0; i < literal.size(); ++i) {
      result += literal[i];
      if (literal[i] == '%') ++i;  // "%%" stands for one "%"
    }
  };
  appendLiteral(std::string_view(pattern).substr(0, conversion.Begin));
  result += buffer.data();
  appendLiteral(std::string_view(pattern).substr(conversion.End));
  return result;
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The character a key press types, as the field's filter sees it; none for
// editing keys, shortcuts and keys without text.
std::optional<QString> TypedText(const QKeyEvent& event) {
  if (event.text().isEmpty() || event.key() == Qt::Key_Delete) return std::nullopt;
  static const QKeySequence::StandardKey kShortcuts[] = {
      QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut,
      QKeySequence::Undo,  QKeySequence::Redo, QKeySequence::SelectAll,
  };
  for (const auto shortcut : kShortcuts)
    if (event.matches(shortcut)) return std::nullopt;
  return event.text();
}

// Set while a field takes the focus back, so that the widget the focus was
// going to does not check its own text on the way out: it never really had
// the focus, and two refusing fields would otherwise pull it to and fro.
bool gReclaimingFocus = false;

}  // namespace

TBeepHandler SetBeepHandler(TBeepHandler handler) {
  return std::exchange(BeepHandler(), std::move(handler));
}

TIntegerEdit::TIntegerEdit(QWidget* parent) : QLineEdit(parent) {
  setText(QStringLiteral("0"));
  // Composed input would pass by the character filter.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  FOnMouseDown = [this](Qt::MouseButton button) { ShowRange(button); };
  // Typing is the answer to a refusal. Leaving the field again with the
  // restored number is not: the click that caused the refusal may move the
  // focus once more before its action asks.
  connect(this, &QLineEdit::textEdited, this, [this] { FRefusal = icOk; });
}

void TIntegerEdit::SetFormat(const std::string& pattern) {
  FindConversion(pattern);  // refuses what could not format a number
  FFormat = pattern;
}

std::string TIntegerEdit::FormatValue(std::int32_t value) const {
  std::string text = FormatInteger(FFormat, value);
  return FNoBlanks ? TrimBlanks(text) : text;
}

std::int32_t TIntegerEdit::GetValue() {
  if (const auto number = TryStrToInt(text().toUtf8().toStdString())) {
    if (!HasLimits() || (*number >= FMinValue && *number <= FMaxValue)) FValue = *number;
  }
  return FValue;
}

void TIntegerEdit::SetValue(std::int32_t value) {
  FValue = value;
  setText(QString::fromUtf8(FormatValue(value)));
}

void TIntegerEdit::SetHolderRange(std::int32_t lowest, std::int32_t highest) {
  FHolderRange = std::pair{lowest, highest};
}

int TIntegerEdit::Validate() const {
  const auto number = ParseReal(text().toUtf8().toStdString());
  if (!number) return icNoNumber;
  int code = icOk;
  if (HasLimits()) {
    if (*number > FMaxValue) code = icTooBig;
    if (*number < FMinValue) code = icTooSmall;  // wins when both hold
  }
  if (code == icOk && FHolderRange) {
    if (*number > FHolderRange->second) code = icTooBig;
    if (*number < FHolderRange->first) code = icTooSmall;
  }
  if (code == icOk && !FIsZeroAllowed && *number == 0) code = icZeroNotAllowed;
  return code;
}

void TIntegerEdit::ReclaimFocus() {
  const bool wasReclaiming = std::exchange(gReclaimingFocus, true);
  setFocus(Qt::OtherFocusReason);
  gReclaimingFocus = wasReclaiming;
  // The restored number is selected, so that what the user types next
  // replaces it instead of being appended to it.
  selectAll();
}

bool TIntegerEdit::CheckInput() {
  if (isReadOnly()) return true;
  const int code = Validate();
  if (code != icOk) {
    // The report waits until the focus change is over; Qt owns the event.
    QCoreApplication::postEvent(this, new TIntEditErrorEvent(code));
    FRefusal = code;
    FRefusalShown = false;
    SetValue(FValue);
    ReclaimFocus();
    return false;
  }
  FValue = GetValue();
  return true;
}

bool TIntegerEdit::EntryAccepted() {
  // A click on a button takes the focus first, so the refusal usually comes
  // from leaving the field on the way there, before the button's handler
  // asks. Actions that take no focus (a wheel on the connection list) find
  // the field still being edited: its text is checked now.
  if (FRefusal == icOk && (!hasFocus() || CheckInput())) return true;
  const int code = std::exchange(FRefusal, icOk);
  if (FRefusalShown) ShowInputError(code);
  ReclaimFocus();
  return false;
}

bool TIntegerEdit::IsValidChar(char key) {
  return key == '\b' || key == '+' || key == '-' || IsDigit(key);
}

void TIntegerEdit::keyPressEvent(QKeyEvent* event) {
  if (const auto typed = TypedText(*event)) {
    const bool allValid = std::all_of(typed->begin(), typed->end(), [this](QChar c) {
      // Characters beyond 8 bits have no place in a number.
      return c.unicode() <= 0xFF && IsValidChar(static_cast<char>(c.unicode()));
    });
    if (!allValid) {
      event->accept();
      if (FBeep) SoundBeep();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void TIntegerEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Only a move of the focus inside the window counts as leaving the field;
  // another window, a popup or a message box coming up does not.
  const auto reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (gReclaimingFocus) return;
  CheckInput();
}

void TIntegerEdit::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (FOnMouseDown) FOnMouseDown(event->button());
}

void TIntegerEdit::contextMenuEvent(QContextMenuEvent* event) {
  // The right button shows the range; the edit menu would cover it.
  if (FOnMouseDown && RangeDisplayWanted()) {
    event->accept();
    return;
  }
  QLineEdit::contextMenuEvent(event);
}

bool TIntegerEdit::event(QEvent* event) {
  if (event->type() == IntEditErrorEventType()) {
    FRefusalShown = true;
    ShowInputError(static_cast<TIntEditErrorEvent*>(event)->LParam);
    return true;
  }
  return QLineEdit::event(event);
}

void TIntegerEdit::ShowInputError(int code) {
  if (code < icNoNumber || code > icZeroNotAllowed) return;
  if (StringLibHandle() != 0) {
    ShowResMessage(kResFirstInputError + static_cast<unsigned>(code - 1), kResErrorCaption,
                   MB_ICONWARNING);
    return;
  }
  ShowMessageBox(kInputErrors[code - 1], "Fehler", MB_ICONWARNING | MB_TASKMODAL);
}

bool TIntegerEdit::RangeDisplayWanted() const {
  return !isReadOnly() && FTag >= 0;
}

void TIntegerEdit::ShowRange(Qt::MouseButton button) {
  if (button != Qt::RightButton || !RangeDisplayWanted()) return;
  const std::string from = std::to_string(FMinValue);
  const std::string to = std::to_string(FMaxValue);
  if (StringLibHandle() == 0) {
    std::string text = "Zulässiger Wertebereich:\n\r";
    text += HasLimits() ? "von: " + from + "\n\r" + "bis: " + to : "keine Einschränkungen";
    if (!FIsZeroAllowed) text += "\r\n(Wert 0 nicht erlaubt)";
    ShowMessageBox(text, "Zulässiger Wertebereich", MB_ICONWARNING | MB_TASKMODAL);
    return;
  }
  std::string text = ResText(kResRangeTitle) + ":" + "\n\r";
  text += HasLimits() ? ResText(kResRangeFrom) + from + "\n\r" + ResText(kResRangeTo) + to
                      : ResText(kResNoLimits);
  if (!FIsZeroAllowed) text += "\r\n" + ResText(kResZeroNotAllowed);
  ShowMessageBox(text, ResText(kResRangeTitle), MB_ICONWARNING);
}
