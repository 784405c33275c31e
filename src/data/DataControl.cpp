#include "data/DataControl.h"

#include "data/Logging.h"
#include "data/ServerWait.h"

#include <QScopeGuard>

namespace vemora {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

void DataControl::setConnectionString(const QString& text) {
    m_reading = {};
    m_rereading = false;
    m_connection.close();
    m_connection.setConnectionString(text);
}

Status DataControl::refresh() {
    m_reading = {};
    m_rereading = false;
    m_version.reset();
    m_patched = false;
    Status status;
    if (!m_connection.isOpen()) status = m_connection.open();
    if (status) {
        const Result<std::optional<qint64>> version =
            readTogether(m_connection, [this] { return m_rows.open(m_source, m_connection); });
        status = version.status();
        if (version) m_version = version.value();
    }
    if (!status) m_rows.close();
    announceRows();
    return status;
}

// This connection's data version is taken before the worker's read begins: a commit after it,
// even one the read already saw, makes the next change read everything again.
void DataControl::startRefresh() {
    m_reading = {};
    m_rereading = false;
    m_version.reset();
    m_readingVersion.reset();
    if (!m_connection.isOpen() && !m_connection.open()) return;
    if (m_connection.hasDataVersion()) {
        const Result<qint64> version = m_connection.dataVersion();
        if (!version) return;
        m_readingVersion = version.value();
    }
    // The end is announced to the event loop, as the worker's last step; a control gone by
    // then waited for it first.
    const quint64 number = ++m_readNumber;
    m_reading =
        std::async(std::launch::async,
                   [this, number, text = m_connection.connectionString(),
                    source = m_source]() -> Result<Recordset> {
                       const auto announce = qScopeGuard([this, number] {
                           QMetaObject::invokeMethod(
                               this, [this, number] { rereadEnded(number); }, Qt::QueuedConnection);
                       });
                       Connection reader;
                       reader.setConnectionString(text);
                       if (const Status opened = reader.open(); !opened) return opened.error();
                       Recordset rows;
                       const Result<std::optional<qint64>> read =
                           readTogether(reader, [&] { return rows.open(source, reader); });
                       if (!read) return read.error();
                       return rows;
                   });
}

// A server's read is waited for beside the windows, which are told when it is late.
void DataControl::awaitReading() {
    if (const std::optional<QString> server = m_connection.serverName())
        awaitServer(*server, [this] { m_reading.wait(); }, {});
}

Status DataControl::finishRefresh() {
    m_rereading = false;
    if (!m_reading.valid()) return refresh();
    awaitReading();
    Result<Recordset> read = m_reading.get();
    m_patched = false;
    m_version.reset();
    if (read) {
        m_rows = std::move(read.value());
        m_version = m_readingVersion;
    } else {
        m_rows.close();
    }
    announceRows();
    return read.status();
}

void DataControl::announceRows() {
    emit rowsReplaced();
    emit currentRowChanged(currentRow());
}

Result<std::optional<qint64>> DataControl::readTogether(Connection& connection,
                                                        const std::function<Status()>& read) {
    if (const auto begun = connection.execute(Statement("BEGIN")); !begun) return begun.error();
    Result<std::optional<qint64>> version = std::optional<qint64>();
    if (const Status status = read(); !status) {
        version = status.error();
    } else if (connection.hasDataVersion()) {
        const Result<qint64> seen = connection.dataVersion();
        if (seen)
            version = std::optional<qint64>(seen.value());
        else
            version = seen.error();
    }
    // Ending a read changes nothing; a failure to end it leaves the rows as read.
    logDropped(logData(), "ending a read", connection.execute(Statement("COMMIT")));
    return version;
}

// The writer is asked first: when this connection has seen no other commit since the rows
// were read, the writer's version names a moment the rows were still in step with.
void DataControl::beginChange(Connection& writer) {
    m_mark.reset();
    if (!m_version) return;
    const Result<qint64> writerVersion = writer.dataVersion();
    const Result<qint64> version = m_connection.dataVersion();
    if (writerVersion && version && version.value() == *m_version)
        m_mark = Mark{writer.name(), writerVersion.value()};
}

// The changed rows are read while this connection holds its read: a writer's version that has
// not moved by then means that no connection but the writer committed in between.
Status DataControl::refreshAfter(Connection& writer, const RowsChange& change) {
    const std::optional<Mark> mark = std::exchange(m_mark, std::nullopt);
    if (!m_connection.hasDataVersion()) return refresh();
    const bool marked = mark && mark->writer == writer.name();
    Recordset stored;
    std::optional<qint64> writerVersion;
    const Result<std::optional<qint64>> version = readTogether(m_connection, [&]() -> Status {
        if (Status read = stored.open(change.stored, m_connection); !read || !marked) return read;
        const Result<qint64> now = writer.dataVersion();
        if (now) writerVersion = now.value();
        return now.status();
    });
    if (!version || !m_rows.patch(change.orderColumn, change.keys, stored)) return refresh();
    m_patched = true;
    if (marked && writerVersion == mark->writerVersion) {
        m_version = version.value();
        m_rereading = false;
        m_reading = {};
    } else {
        m_version.reset();
        startReread(change.orderColumn);
    }
    announceRows();
    return {};
}

void DataControl::startReread(const QString& orderColumn) {
    startRefresh();
    m_rereading = m_reading.valid();
    m_rereadOrder = orderColumn;
}

// Only the newest read's end counts; its result is being handed over and is waited for.
void DataControl::rereadEnded(quint64 number) {
    if (number == m_readNumber && m_rereading)
        logDropped(logData(), "reading every row again", finishReread());
}

// A failed read keeps the patched rows; the next change reads everything again.
Status DataControl::finishReread() {
    if (!std::exchange(m_rereading, false) || !m_reading.valid()) return {};
    awaitReading();
    Result<Recordset> read = m_reading.get();
    if (!read) return read.status();
    // The first row stays the first, past the end stays past the end; any other current row
    // keeps its values where they are still stored, else it becomes the first.
    const int current = currentRow();
    Recordset before = std::exchange(m_rows, std::move(read.value()));
    int row = 0;
    if (current >= before.rowCount())
        row = m_rows.rowCount();
    else if (current > 0)
        row = m_rows.rowLike(before, current, m_rereadOrder);
    m_rows.setPosition(row < m_rows.rowCount() || current >= before.rowCount() ? row : 0);
    m_version = m_readingVersion;
    m_patched = false;
    announceRows();
    return {};
}

void DataControl::setCurrentRow(int row) {
    const int before = currentRow();
    m_rows.setPosition(row);
    if (currentRow() != before) emit currentRowChanged(currentRow());
}

Status DataControl::findForward(QStringView column, const QString& prefix) {
    const int before = currentRow();
    Status status = m_rows.findForward(column, prefix);
    if (currentRow() != before) emit currentRowChanged(currentRow());
    return status;
}

Status DataControl::findFromFirst(QStringView column, const QString& prefix) {
    const int before = currentRow();
    m_rows.moveFirst();
    Status status = m_rows.findForward(column, prefix);
    if (currentRow() != before) emit currentRowChanged(currentRow());
    return status;
}

DataControlModel::DataControlModel(DataControl* control, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_control(control), m_columns(std::move(columns)) {
    const auto remap = [this] {
        beginResetModel();
        m_sourceColumns.clear();
        for (const Column& c : std::as_const(m_columns))
            m_sourceColumns.append(m_control->recordset().columnIndex(c.field));
        endResetModel();
    };
    remap();
    connect(control, &DataControl::rowsReplaced, this, remap);
}

int DataControlModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_control->rowCount();
}

int DataControlModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataControlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const int col = m_sourceColumns.value(index.column(), -1);
    if (col < 0) return {};
    return m_control->recordset().value(index.row(), col);
}

QVariant DataControlModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // Screen readers get the caption without the blanks some captions end in.
    if (role == Qt::AccessibleTextRole && orientation == Qt::Horizontal)
        return m_columns.value(section).header.trimmed();
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return m_columns.value(section).header;
}

ColumnListModel::ColumnListModel(ColumnValues values, QObject* parent)
    : QAbstractListModel(parent), m_values(std::move(values)) {}

int ColumnListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_values.size();
}

QVariant ColumnListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return m_values.value(index.row());
}

}  // namespace vemora
