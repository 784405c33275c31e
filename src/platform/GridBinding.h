#pragma once

#include "data/DataControl.h"

#include <QObject>

class QModelIndex;
class QTableView;

namespace vemora {

// Feeds a grid from a data control and keeps the grid's selected row and the control's
// current row one and the same. A click on a row or its number, or Enter in the grid,
// chooses the row.
class GridBinding final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GridBinding)
public:
    GridBinding(QTableView* grid, DataControl* control, QList<DataControlModel::Column> columns);

    DataControlModel* model() const { return m_model; }

signals:
    void rowChosen();

private:
    void showCurrentRow(int row);
    void takeCurrentRow(const QModelIndex& current);

    QTableView* m_grid;
    DataControl* m_control;
    DataControlModel* m_model;
};

}  // namespace vemora
