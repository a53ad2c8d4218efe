#include "ui/FileText.h"

#include <QLineEdit>
#include <QVariant>

#include "support/MessageBox.h"
#include "support/Translation.h"
#include "support/VNErrors.h"

namespace {

// Dynamic properties of a line edit bound to a value of the file.
constexpr const char* kOriginalBytes = "vnFileBytes";
constexpr const char* kEncoding = "vnFileEncoding";
constexpr const char* kAcceptedText = "vnAcceptedText";

TTextEncoding EncodingOf(const QLineEdit* edit) {
  return static_cast<TTextEncoding>(edit->property(kEncoding).toInt());
}

QString AsText(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Keeps edit's text to what its encoding can hold: an edit that brought in
// another character is undone, with a message.
void RefuseCharactersNotHeld(QLineEdit* edit) {
  const QString missing = FirstCharacterNotHeld(edit->text(), EncodingOf(edit));
  if (missing.isEmpty()) {
    edit->setProperty(kAcceptedText, edit->text());
    return;
  }
  const int cursor = edit->cursorPosition();
  const QString accepted = edit->property(kAcceptedText).toString();
  edit->setText(accepted);
  edit->setCursorPosition(std::min(cursor, static_cast<int>(accepted.size())));
  ShowCharacterNotHeld(missing);
}

}  // namespace

QString FileBytesToText(std::string_view bytes, TTextEncoding encoding) {
  // Bytes that are not UTF-8 in a UTF-8 file cannot be: the file would be
  // Windows-1252 then. Decoding them as such anyway shows them faithfully.
  if (encoding == TTextEncoding::Utf8 && IsValidUtf8(bytes)) return AsText(bytes);
  return AsText(Windows1252ToUtf8(bytes));
}

std::optional<std::string> TextToFileBytes(const QString& text, TTextEncoding encoding) {
  const QByteArray utf8 = text.toUtf8();
  const std::string_view view(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  if (encoding == TTextEncoding::Utf8) return std::string(view);
  return Utf8ToWindows1252(view);
}

std::string OwnTextToFileBytes(std::string_view utf8, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8) return std::string(utf8);
  return Utf8ToWindows1252(utf8).value_or(std::string(utf8));
}

QString FirstCharacterNotHeld(const QString& text, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8) return {};
  for (const char32_t c : text.toUcs4())
    if (!CharToWindows1252(c)) return QString::fromUcs4(&c, 1);
  return {};
}

void ShowCharacterNotHeld(const QString& character) {
  ShowMessageBox(FillIn(Tr("The character \"%s\" cannot be stored in this configuration file, "
                           "which is written in the Windows-1252 code page."),
                        {character.toStdString()}),
                 Tr("Error"), MB_ICONWARNING | MB_TASKMODAL);
}

void ShowFileValue(QLineEdit* edit, const std::string& bytes, TTextEncoding encoding) {
  edit->setProperty(kOriginalBytes, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  edit->setProperty(kEncoding, static_cast<int>(encoding));
  edit->setText(FileBytesToText(bytes, encoding));
  edit->setProperty(kAcceptedText, edit->text());
  if (!edit->property("vnGuarded").toBool()) {
    edit->setProperty("vnGuarded", true);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] { RefuseCharactersNotHeld(edit); });
  }
}

bool SetFileValueText(QLineEdit* edit, const QString& text) {
  const QString missing = FirstCharacterNotHeld(text, EncodingOf(edit));
  if (!missing.isEmpty()) {
    ShowCharacterNotHeld(missing);
    return false;
  }
  edit->setText(text);
  edit->setProperty(kAcceptedText, text);
  return true;
}

std::string FileValueOf(const QLineEdit* edit) {
  const QByteArray original = edit->property(kOriginalBytes).toByteArray();
  const TTextEncoding encoding = EncodingOf(edit);
  const std::string originalBytes(original.constData(), static_cast<std::size_t>(original.size()));
  if (edit->text() == FileBytesToText(originalBytes, encoding)) return originalBytes;
  if (auto bytes = TextToFileBytes(edit->text(), encoding)) return *std::move(bytes);
  // Typed characters the file cannot hold are refused as they come; one
  // that came in another way must not be replaced behind the user's back.
  throw EConvertError(
      "The character \"" + FirstCharacterNotHeld(edit->text(), encoding).toStdString() +
      "\" cannot be stored in the Windows-1252 code page of the configuration file");
}
