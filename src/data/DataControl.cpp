#include "data/DataControl.h"

namespace vemora {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

void DataControl::setConnectionString(const QString& text) {
    m_connection.close();
    m_connection.setConnectionString(text);
}

Status DataControl::refresh() {
    m_version.reset();
    m_patched = false;
    Status status;
    if (!m_connection.isOpen()) status = m_connection.open();
    if (status) {
        const Result<std::optional<qint64>> version =
            readTogether([this] { return m_rows.open(m_source, m_connection); });
        status = version.status();
        if (version) m_version = version.value();
    }
    if (!status) m_rows.close();
    announceRows();
    return status;
}

void DataControl::announceRows() {
    emit rowsReplaced();
    emit currentRowChanged(currentRow());
}

Result<std::optional<qint64>> DataControl::readTogether(const std::function<Status()>& read) {
    if (const auto begun = m_connection.execute(Statement("BEGIN")); !begun) return begun.error();
    Result<std::optional<qint64>> version = std::optional<qint64>();
    if (const Status status = read(); !status) {
        version = status.error();
    } else if (m_connection.hasDataVersion()) {
        const Result<qint64> seen = m_connection.dataVersion();
        if (seen)
            version = std::optional<qint64>(seen.value());
        else
            version = seen.error();
    }
    // Ending a read changes nothing; a failure to end it leaves the rows as read.
    (void)m_connection.execute(Statement("COMMIT"));
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
    if (!mark || mark->writer != writer.name()) return refresh();
    Recordset stored;
    std::optional<qint64> writerVersion;
    const Result<std::optional<qint64>> version = readTogether([&]() -> Status {
        if (Status read = stored.open(change.stored, m_connection); !read) return read;
        const Result<qint64> now = writer.dataVersion();
        if (now) writerVersion = now.value();
        return now.status();
    });
    if (!version || writerVersion != mark->writerVersion ||
        !m_rows.patch(change.orderColumn, change.keys, stored))
        return refresh();
    m_version = version.value();
    m_patched = true;
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
