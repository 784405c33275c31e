#include "formats/Csv.h"

#include "formats/Decoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace vemora::csv {

namespace {

bool needsQuotes(const QString& field) {
    for (const QChar c : field)
        if (c == u',' || c == u';' || c == u'\t' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    // Blanks at the ends, and a leading byte-order mark, which would be taken for the file's.
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\ufeff'; };
    return !field.isEmpty() && (blank(field.front()) || blank(field.back()));
}

QString lineError(int line, const QString& what) {
    return QStringLiteral("Line %1: %2").arg(line).arg(what);
}

// The text as its byte-order mark says, else UTF-8 or Windows-1252.
QString textOf(const QByteArray& bytes) {
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    if (!marked || *marked == QStringConverter::Utf8)
        return formats::decodeText(formats::withoutBom(bytes));
    QStringDecoder decoder(*marked, QStringDecoder::Flag::Stateless);
    // Through UTF-8 and back, so that a lone surrogate reads as the U+FFFD it is written as.
    return QString::fromUtf8(QString(decoder(bytes)).toUtf8());
}

// The separator the header line uses most outside quotes; a comma when it uses none.
QChar separatorOf(QStringView text) {
    std::array<qsizetype, 3> counts{};
    static constexpr std::array<char16_t, 3> kSeparators{u',', u';', u'\t'};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (c == u'\n' || c == u'\r') break;
        for (std::size_t s = 0; s < kSeparators.size(); ++s)
            if (c == kSeparators[s]) ++counts[s];
    }
    return kSeparators[std::size_t(std::max_element(counts.begin(), counts.end()) -
                                   counts.begin())];
}

}  // namespace

QByteArray write(const QList<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        // A lone empty field is quoted: an empty line is not a row.
        const bool lone = row.size() == 1 && row.front().isEmpty();
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0) text.append(u',');
            const QString& field = row[i];
            if (lone || needsQuotes(field)) {
                text.append(u'"');
                text.append(QString(field).replace(u'"', QStringLiteral("\"\"")));
                text.append(u'"');
            } else {
                text.append(field);
            }
        }
        text.append(QStringLiteral("\r\n"));
    }
    return text.toUtf8();
}

std::optional<Table> read(const QByteArray& bytes, QString* error) {
    const QString text = textOf(bytes);
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n && (text[start] == u'\r' || text[start] == u'\n')) ++start;
    const QChar separator = separatorOf(QStringView(text).sliced(start));
    QList<QStringList> rows;
    int line = 1;
    qsizetype i = 0;
    while (i < n) {
        const int rowLine = line;
        if (text[i] == u'\n' || (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')) {
            i += text[i] == u'\r' ? 2 : 1;  // a blank line holds no row
            ++line;
            continue;
        }
        QStringList row;
        QString field;
        for (;;) {
            if (i < n && text[i] == u'"') {
                ++i;
                for (;;) {
                    const qsizetype quote = text.indexOf(u'"', i);
                    if (quote < 0) {
                        if (error)
                            *error = lineError(rowLine, QStringLiteral("a quote is not closed."));
                        return std::nullopt;
                    }
                    const QStringView part = QStringView(text).sliced(i, quote - i);
                    field.append(part);
                    line += int(part.count(u'\n'));
                    i = quote + 1;
                    if (i < n && text[i] == u'"') {
                        field.append(u'"');
                        ++i;
                    } else {
                        break;
                    }
                }
            }
            // Unquoted text, or what follows a closing quote, runs to the next separator.
            while (i < n && text[i] != separator && text[i] != u'\n' &&
                   !(text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n'))
                field.append(text[i++]);
            row.append(field);
            field.clear();
            if (i < n && text[i] == separator) {
                ++i;
                continue;
            }
            if (i < n) {
                i += text[i] == u'\r' ? 2 : 1;
                ++line;
            }
            break;
        }
        if (!rows.isEmpty() && row.size() != rows.front().size()) {
            if (error)
                *error =
                    lineError(rowLine, QStringLiteral("the row's field count (%1) differs from the "
                                                      "header's (%2).")
                                           .arg(row.size())
                                           .arg(rows.front().size()));
            return std::nullopt;
        }
        rows.append(row);
    }
    if (rows.isEmpty()) {
        if (error) *error = QStringLiteral("The file has no header row.");
        return std::nullopt;
    }
    Table table;
    table.header = rows.takeFirst();
    table.rows = std::move(rows);
    return table;
}

bool guessesCharset(QByteArrayView bytes) {
    if (QStringConverter::encodingForData(bytes)) return false;
    // Invalid or cut sequences come back as U+FFFD, which is encoded otherwise.
    return QString::fromUtf8(bytes).toUtf8() != bytes;
}

}  // namespace vemora::csv
