#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text decoding shared by the readers of this folder.
namespace vemora::formats {

// The bytes after a UTF-8 byte-order mark, if there is one.
QByteArrayView withoutBom(QByteArrayView bytes);

// The bytes as Windows-1252.
QString fromCp1252(QByteArrayView bytes);

// The bytes as UTF-8 when they are valid UTF-8, else as Windows-1252, which is what other
// programs write when they do not write UTF-8. A leading U+FEFF is kept as a character.
QString decodeText(QByteArrayView bytes);

// Text in UTF-16 or UTF-32, told by its byte-order mark or, without one, by beginning with
// `first`, as UTF-8 bytes without the mark; any other bytes as they are.
QByteArray unicodeAsUtf8(const QByteArray& bytes, char16_t first = 0);

// What the first "BEGIN:" line within the first 64 KiB opens ("VCARD", "VCALENDAR", ...), in
// upper case; empty when there is none. Blanks before it and any case are allowed.
QByteArray firstBegin(QByteArrayView bytes);

}  // namespace vemora::formats
