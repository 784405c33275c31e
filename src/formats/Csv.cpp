#include "formats/Csv.h"

#include "formats/Decoding.h"

namespace vemora::csv {

namespace {

bool needsQuotes(const QString& field) {
    for (const QChar c : field)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
    // Blanks at the ends, and a leading byte-order mark, which would be taken for the file's.
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\ufeff'; };
    return !field.isEmpty() && (blank(field.front()) || blank(field.back()));
}

QString lineError(int line, const QString& what) {
    return QStringLiteral("Line %1: %2").arg(line).arg(what);
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
    const QString text = formats::decodeText(formats::withoutBom(bytes));
    const qsizetype n = text.size();
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
            while (i < n && text[i] != u',' && text[i] != u'\n' &&
                   !(text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n'))
                field.append(text[i++]);
            row.append(field);
            field.clear();
            if (i < n && text[i] == u',') {
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

}  // namespace vemora::csv
