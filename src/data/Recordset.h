#pragma once

#include "data/DbError.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

namespace vemora {

class Connection;
class Statement;

// The rows of one query, read in full, with a current position.
class Recordset final {
public:
    Recordset() = default;
    Recordset(QStringList columns, QList<QVariantList> rows);

    bool isOpen() const { return m_open; }
    // Closes, then runs the source on the connection and holds its rows.
    Status open(const Statement& source, Connection& connection);
    void close();

    int rowCount() const { return int(m_rows.size()); }
    const QStringList& columns() const { return m_columns; }
    const QVariantList& row(int index) const { return m_rows.at(index); }
    int columnIndex(QStringView name) const;  // -1 when there is no such column

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
    // (letter case ignored); past the last row when none does. A prefix holding an apostrophe
    // and a search over no rows fail, leaving the position past the last row.
    Status findForward(QStringView column, const QString& prefix);

private:
    bool m_open = false;
    QStringList m_columns;
    QHash<QString, int> m_index;
    QList<QVariantList> m_rows;
    int m_position = 0;
};

}  // namespace vemora
