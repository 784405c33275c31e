#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Comma-separated values (RFC 4180).
namespace vemora::csv {

// UTF-8 without byte-order mark, CR LF line ends; a field is quoted when it holds a comma,
// a semicolon, a tab, a quote, CR or LF, or starts or ends with a blank.
QByteArray write(const QList<QStringList>& rows);

struct Table {
    QStringList header;
    QList<QStringList> rows;
};

// The first row is the header; its first separator outside quotes, a comma, a semicolon or a
// tab, whichever comes most often, separates every row. Accepts CR LF or LF, quoted fields
// with line breaks and "" escapes, and a missing final line end; skips blank lines. The text
// is UTF-8 or UTF-16 as a byte-order mark says, else UTF-8 when it is valid UTF-8, else
// Windows-1252 (spreadsheets). Nothing for an unterminated quote or a row whose field count
// differs from the header's; `error` then says why and on which line.
std::optional<Table> read(const QByteArray& bytes, QString* error = nullptr);

// Whether the bytes carry no byte-order mark and are not UTF-8, so that their character set
// is a guess.
bool guessesCharset(QByteArrayView bytes);

}  // namespace vemora::csv
