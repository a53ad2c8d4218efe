#pragma once
// The one place where bytes of the configuration file become text the user
// sees (QString) and back: as UTF-8 when the file is valid UTF-8, else as
// Windows-1252. An unedited value goes back as its original bytes.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "support/TextCodec.h"

class QLineEdit;

// The text bytes of the file stand for.
QString FileBytesToText(std::string_view bytes, TTextEncoding encoding);
// text as bytes of the file; none when encoding cannot hold one of its
// characters.
std::optional<std::string> TextToFileBytes(const QString& text, TTextEncoding encoding);
// One of the program's own texts (UTF-8, such as the tree's markers) as
// bytes of the file; every character of it must be one encoding can hold.
std::string OwnTextToFileBytes(std::string_view utf8, TTextEncoding encoding);

// The first character of text that encoding cannot hold; empty when there
// is none.
QString FirstCharacterNotHeld(const QString& text, TTextEncoding encoding);
// Tells the user that character cannot be stored in the file (only a
// Windows-1252 file lacks characters).
void ShowCharacterNotHeld(const QString& character);

// A line edit that shows a value of the file: shows bytes, remembers them
// and the encoding. A typed or pasted character the encoding cannot hold
// is refused with a message and the text stays as it was.
void ShowFileValue(QLineEdit* edit, const std::string& bytes, TTextEncoding encoding);
// Puts text into such an edit as if typed: refused with a message (false)
// when the encoding cannot hold one of its characters.
bool SetFileValueText(QLineEdit* edit, const QString& text);
// The value to store: the original bytes while the text shown is what they
// stand for, else the text in the file's encoding.
std::string FileValueOf(const QLineEdit* edit);
