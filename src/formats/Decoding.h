#pragma once

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

// Whether the first line that is not blank (after a byte-order mark) is `marker` in any case,
// possibly followed by blanks.
bool startsWithLine(QByteArrayView bytes, QByteArrayView marker);

}  // namespace vemora::formats
