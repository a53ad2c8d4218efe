#include "ui/UpDown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

#include "support/VNErrors.h"
#include "support/VNUtils.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A whole number in decimal only, as the spinner reads its field.
std::optional<std::int32_t> ParseDecimal(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  std::size_t i = first;
  if (text[i] == '+' || text[i] == '-') ++i;
  if (i == text.size() ||
      !std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), IsDigit))
    return std::nullopt;
  return TryStrToInt(text);
}

}  // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), FUpButton(new QToolButton(this)), FDownButton(new QToolButton(this)) {
  // Like the classic spinner it is no tab stop: the arrow keys of its field
  // move it.
  setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (auto [button, arrow, direction] :
       {std::tuple{FUpButton, Qt::UpArrow, 1}, std::tuple{FDownButton, Qt::DownArrow, -1}}) {
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    // The two arrows share the height of the field beside them.
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    button->setIconSize(QSize(8, 8));
    button->setFixedWidth(16);
    connect(button, &QToolButton::clicked, this,
            [this, direction = direction] { Step(direction); });
    layout->addWidget(button);
  }
  FUpButton->setObjectName(QStringLiteral("UpButton"));
  FDownButton->setObjectName(QStringLiteral("DownButton"));
}

void TUpDown::SetAssociate(TIntegerEdit* field) {
  if (FAssociate) {
    FAssociate->removeEventFilter(this);
    FAssociate->ClearHolderRange();
  }
  FAssociate = field;
  if (FAssociate) {
    FAssociate->installEventFilter(this);
    // Whoever reads the position reads the field: it must hold no more.
    FAssociate->SetHolderRange(std::numeric_limits<std::int16_t>::min(),
                               std::numeric_limits<std::int16_t>::max());
    setFixedHeight(FAssociate->sizeHint().height());
  }
}

void TUpDown::SetRange(int min, int max) {
  FMin = min;
  FMax = max;
}

int TUpDown::Position() {
  if (FAssociate) {
    const auto number = ParseDecimal(FAssociate->text().toUtf8().toStdString());
    if (number && *number >= std::numeric_limits<std::int16_t>::min() &&
        *number <= std::numeric_limits<std::int16_t>::max())
      FPosition = *number;
  }
  return FPosition;
}

void TUpDown::SetPosition(std::int64_t position) {
  if (position < std::numeric_limits<std::int16_t>::min() ||
      position > std::numeric_limits<std::int16_t>::max()) {
    throw ERangeError("Range check error: " + std::to_string(position) +
                      " is outside -32768..32767 and cannot be shown by " +
                      objectName().toStdString());
  }
  FPosition = static_cast<int>(position);
  // The stored number becomes the field's accepted value, so that a refused
  // entry brings back this number rather than the field's design value.
  if (FAssociate) {
    FAssociate->SetValue(FPosition);
    FAssociate->setText(QString::number(FPosition));
  }
}

void TUpDown::Step(int direction) {
  const long long next = static_cast<long long>(Position()) + 1LL * direction * FIncrement;
  // No wrap-around: stepping stops at either end.
  FPosition = static_cast<int>(std::max<long long>(FMin, std::min<long long>(next, FMax)));
  if (FAssociate) FAssociate->setText(QString::number(FPosition));
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
  // The type first: while the field is being destroyed it is no field any more.
  if (event->type() == QEvent::KeyPress && watched == FAssociate && isEnabled()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        Step(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}
