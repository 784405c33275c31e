#pragma once

#include <QString>

#include <optional>

namespace vemora {

// Windows-1252 code of a character, or nothing when the code page has no such character.
std::optional<int> cp1252Code(QChar c);
// The character a Windows-1252 code stands for (0-255).
QChar cp1252Char(int code);

// The stored form of a password: every code below 128 moves up by 128, every code above 128
// moves down by 128. Its own inverse. Nothing when a character has no stored form (codes 0
// and 128, or a character outside Windows-1252).
std::optional<QString> EncodePassword(const QString& text);

// Free text made safe to stand between apostrophes: every ' becomes a backquote.
QString ReplaceApostrophes(const QString& text);

// The text without leading and trailing blanks (spaces). Line breaks and tabs are kept.
QString trimBlanks(const QString& text);

// Whether the text is stored and read back exactly as it stands. A lone UTF-16 surrogate
// (half of a character, as a length limit or another program may leave it) has no stored
// form: the engine would take the character after it along, or store a replacement mark.
bool storesExactly(const QString& text);

}  // namespace vemora
