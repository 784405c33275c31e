#pragma once

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Statement.h"

#include <QAbstractTableModel>
#include <QObject>

namespace vemora {

// The hidden data control behind a grid: the rows of its record source, read through a
// connection of its own, and a current row that the grid follows.
class DataControl final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataControl)
public:
    explicit DataControl(QObject* parent = nullptr);

    void setConnectionString(const QString& text);
    void setRecordSource(Statement source) { m_source = std::move(source); }
    const Statement& recordSource() const { return m_source; }

    // Re-runs the record source and replaces the rows; the current row becomes the first.
    // On failure the control holds no rows.
    Status refresh();

    const Recordset& recordset() const { return m_rows; }
    int rowCount() const { return m_rows.rowCount(); }
    int currentRow() const { return m_rows.position(); }
    void setCurrentRow(int row);
    bool eof() const { return m_rows.eof(); }
    void moveFirst() { setCurrentRow(0); }
    QVariant field(QStringView name) const { return m_rows.field(name); }
    // Incremental search: see Recordset::findForward.
    Status findForward(QStringView column, const QString& prefix);

signals:
    void rowsReplaced();
    void currentRowChanged(int row);

private:
    Connection m_connection;
    Statement m_source;
    Recordset m_rows;
};

// Feeds a grid from a data control: the listed columns, with their headers, in row order.
class DataControlModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataControlModel)
public:
    struct Column {
        QString field;
        QString header;
    };
    DataControlModel(DataControl* control, QList<Column> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    DataControl* control() const { return m_control; }

private:
    DataControl* m_control;
    QList<Column> m_columns;
    QList<int> m_sourceColumns;
};

}  // namespace vemora
