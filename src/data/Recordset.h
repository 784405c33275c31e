#pragma once

#include "data/DbError.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace vemora {

class Connection;
class Statement;

// One column's values, held together: texts as UTF-8 in one block, whole numbers as numbers, and
// anything else (or a mix of kinds) as variants.
class ColumnValues final {
public:
    void append(const QVariant& value) { insert(size(), value); }
    // Appends a text given as UTF-8.
    void appendText(QByteArrayView utf8);
    void appendInteger(qint64 number);
    void insert(int row, const QVariant& value);
    void erase(int row);
    int size() const { return int(m_nulls.size()); }
    QVariant value(int row) const;
    bool isNull(int row) const { return m_nulls[size_t(row)]; }
    // Whether every value is text or NULL; text() then holds each one as UTF-8.
    bool isText() const { return m_kind == Kind::Text || m_kind == Kind::Nulls; }
    QByteArrayView text(int row) const {
        const Span span = m_spans[row];
        return QByteArrayView(m_bytes.constData() + span.begin, span.size);
    }

private:
    enum class Kind { Nulls, Text, Integer, Variant };
    // Where a text lies in m_bytes. Texts inserted later go to the end of the block, and the
    // bytes of erased ones stay until the next read.
    struct Span {
        quint32 begin = 0;
        quint32 size = 0;
    };
    void become(Kind kind);
    void becomeVariants();
    // Adds the text to the block; false when the block would outgrow 32-bit offsets.
    bool store(QByteArrayView utf8, Span& span);

    Kind m_kind = Kind::Nulls;
    std::vector<bool> m_nulls;
    QByteArray m_bytes;             // Nulls, Text: the texts; shared by copies
    QList<Span> m_spans;            // Nulls, Text: each row's text; shared by copies
    std::vector<qint64> m_numbers;  // Integer
    QVariantList m_variants;        // Variant
};

// The held rows a change may have replaced or removed: those whose texts in `columns` equal
// `texts`, letter case ignored as NOCASE ignores it, and with `trimmed` blanks around them too.
struct RowKey {
    QStringList columns;
    QStringList texts;
    bool trimmed = false;
};

// The rows of one query, read in full and held by column, with a current position.
class Recordset final {
public:
    Recordset() = default;
    Recordset(QStringList columns, const QList<QVariantList>& rows);
    Recordset(QStringList columns, std::vector<ColumnValues> values);

    bool isOpen() const { return m_open; }
    // Closes, then runs the source on the connection and holds its rows.
    Status open(const Statement& source, Connection& connection);
    void close();

    int rowCount() const { return m_rowCount; }
    const QStringList& columns() const { return m_columns; }
    QVariantList row(int index) const;
    QVariant value(int row, int column) const { return m_values[size_t(column)].value(row); }
    int columnIndex(QStringView name) const;  // -1 when there is no such column
    const ColumnValues& values(int column) const { return m_values[size_t(column)]; }

    // Position: 0..rowCount(); rowCount() means past the last row.
    int position() const { return m_position; }
    void setPosition(int row);
    bool eof() const { return m_position >= rowCount(); }
    void moveFirst() { m_position = 0; }
    void moveNext();

    // Column of the current row by name (any letter case); invalid past the last row.
    QVariant field(QStringView name) const;
    QString text(QStringView name) const { return field(name).toString(); }
    QDate date(QStringView name) const;

    // Moves to the first row, from the current one on, whose column begins with the prefix
    // (letter case ignored as the database's NOCASE ignores it: ASCII letters only; NULL begins
    // with nothing); past the last row when none does. A prefix holding an apostrophe and a
    // search over no rows fail, leaving the position past the last row.
    Status findForward(QStringView column, const QString& prefix);

    // Replaces the rows of the keys by `stored`'s rows, which have this recordset's columns
    // and then one more: how many rows with an equal `column` come before that row. The rows
    // go to their places in the column's caseless order, and the position to the first row.
    // False, changing nothing, when the rows are not held in that order or the columns differ;
    // false, holding no rows, when the places do not fit the held rows.
    bool patch(QStringView column, const QList<RowKey>& keys, const Recordset& stored);

    // The first row holding the values of `other`'s row (the same columns), looked for where
    // the column's value sorts when the rows are in its caseless order; rowCount() when none.
    int rowLike(const Recordset& other, int row, QStringView column);

private:
    enum class Order : signed char { Unknown, Sorted, Unsorted };
    // Whether the column's texts are held in its caseless order, NULLs first; found once.
    bool sortedCaseless(int column);
    // The first row not below the text in the column's caseless order, NULLs lowest.
    int lowerBound(int column, QByteArrayView text) const;
    int findSorted(int column, QByteArrayView prefix) const;
    // The rows of the keys, in order.
    std::vector<int> rowsOf(int orderColumn, const QList<RowKey>& keys) const;
    // The column's value as UTF-8 (in `buffer` when it is not held as text), blanks trimmed
    // when asked.
    QByteArrayView keyText(int row, int column, bool trimmed, QByteArray& buffer) const;
    int findByScan(int column, QByteArrayView prefix) const;

    bool m_open = false;
    QStringList m_columns;
    std::vector<ColumnValues> m_values;
    std::vector<Order> m_order;
    int m_rowCount = 0;
    int m_position = 0;
};

}  // namespace vemora
