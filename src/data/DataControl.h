#pragma once

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Statement.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QObject>

#include <functional>
#include <future>
#include <optional>

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
    // refresh() in two halves, its read made on a connection of its own in a worker thread so
    // that the caller can read something else meanwhile. startRefresh() starts the read;
    // finishRefresh() waits for it and holds its rows (or, when it never started, is
    // refresh()). Any other read in between first waits for it and drops its rows.
    void startRefresh();
    Status finishRefresh();

    // A change made through another connection to rows this control may hold: the keys of
    // the rows it may have replaced or removed, and a statement reading those keys' rows as
    // stored now (see Recordset::patch) on this control's connection.
    struct RowsChange {
        QList<RowKey> keys;
        Statement stored;
        QString orderColumn;
    };
    // Call before making the change through `writer`.
    void beginChange(Connection& writer);
    // Call after it: the rows of the change are read again and put in their places, and the
    // current row becomes the first. When another connection may have committed since the
    // rows were read, every row is then read again in a worker thread; its rows replace the
    // held ones once the event loop learns that it ended (see finishReread()). On a server, or when
    // the change cannot be patched in, this is refresh().
    Status refreshAfter(Connection& writer, const RowsChange& change);
    // Whether the last read patched the held rows rather than reading them all.
    bool patched() const { return m_patched; }
    // Whether refreshAfter()'s read of every row is still to replace the held rows.
    bool rereading() const { return m_rereading; }
    // Waits for that read and holds its rows now; ok when there was none. The first row stays
    // the first and past the end stays past the end; another current row stays on its values
    // where they are still stored, else the first row becomes current.
    Status finishReread();

    const Recordset& recordset() const { return m_rows; }
    int rowCount() const { return m_rows.rowCount(); }
    int currentRow() const { return m_rows.position(); }
    void setCurrentRow(int row);
    bool eof() const { return m_rows.eof(); }
    void moveFirst() { setCurrentRow(0); }
    QVariant field(QStringView name) const { return m_rows.field(name); }
    // Incremental search: see Recordset::findForward.
    Status findForward(QStringView column, const QString& prefix);
    // The same from the first row, the current row announced once, where the search ends.
    Status findFromFirst(QStringView column, const QString& prefix);

signals:
    void rowsReplaced();
    void currentRowChanged(int row);

private:
    // Runs the reads in one transaction; yields the connection's data version as they saw it,
    // or nothing on a server, which keeps none.
    static Result<std::optional<qint64>> readTogether(Connection& connection,
                                                      const std::function<Status()>& read);
    void announceRows();
    void awaitReading();
    // Starts the read of startRefresh(), whose end is announced to the event loop.
    void startReread(const QString& orderColumn);
    void rereadEnded(quint64 number);

    struct Mark {
        QString writer;
        qint64 writerVersion;
    };
    Connection m_connection;
    Statement m_source;
    Recordset m_rows;
    std::optional<qint64> m_version;           // the data version the rows were read at
    std::optional<Mark> m_mark;                // the writer's data version at beginChange()
    std::future<Result<Recordset>> m_reading;  // startRefresh()'s read
    std::optional<qint64> m_readingVersion;    // this connection's data version before it
    bool m_patched = false;
    bool m_rereading = false;
    quint64 m_readNumber = 0;  // of the newest worker's read
    QString m_rereadOrder;     // the column the current row is found again by
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

// A list of one column's values, for a combo box. A copy of a held column shares its values
// until either is changed.
class ColumnListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColumnListModel)
public:
    explicit ColumnListModel(ColumnValues values, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    ColumnValues m_values;
};

}  // namespace vemora
