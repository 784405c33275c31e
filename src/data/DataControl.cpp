#include "data/DataControl.h"

namespace vemora {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

void DataControl::setConnectionString(const QString& text) {
    m_connection.close();
    m_connection.setConnectionString(text);
}

Status DataControl::refresh() {
    Status status;
    if (!m_connection.isOpen()) status = m_connection.open();
    if (status) status = m_rows.open(m_source, m_connection);
    if (!status) m_rows.close();
    emit rowsReplaced();
    emit currentRowChanged(currentRow());
    return status;
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

}  // namespace vemora
