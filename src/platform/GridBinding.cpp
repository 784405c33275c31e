#include "platform/GridBinding.h"

#include "platform/Widgets.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace vemora {

GridBinding::GridBinding(QTableView* grid, DataControl* control,
                         QList<DataControlModel::Column> columns)
    : QObject(grid),
      m_grid(grid),
      m_control(control),
      m_model(new DataControlModel(control, std::move(columns), this)) {
    grid->setModel(m_model);
    connect(control, &DataControl::currentRowChanged, this, &GridBinding::showCurrentRow);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &GridBinding::takeCurrentRow);
    connect(grid, &QTableView::clicked, this, &GridBinding::rowChosen);
    connect(grid->verticalHeader(), &QHeaderView::sectionClicked, this, &GridBinding::rowChosen);
    onEnter(grid, [this] { emit rowChosen(); });
    showCurrentRow(control->currentRow());
}

void GridBinding::showCurrentRow(int row) {
    QItemSelectionModel* selection = m_grid->selectionModel();
    if (row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, std::max(selection->currentIndex().column(), 0));
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index);
}

void GridBinding::takeCurrentRow(const QModelIndex& current) {
    // An empty selection (past the last row) leaves the control where it stands.
    if (current.isValid()) m_control->setCurrentRow(current.row());
}

}  // namespace vemora
