#include "platform/GridBinding.h"

#include "platform/Widgets.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

namespace vemora {

namespace {

// Each cell on one line, cut at its edge, drawn in one pass: the style's own delegate lays the
// text out, elides it and draws it, which makes the repaint after a search's jump several
// times dearer.
class OneLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
            : option.state & QStyle::State_Active   ? QPalette::Active
                                                    : QPalette::Inactive;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) return;
        const QWidget* view = option.widget;
        const int margin =
            (view ? view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) : 2) +
            1;
        const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
        const QFontMetrics& metrics = option.fontMetrics;
        painter->save();
        painter->setClipRect(box, Qt::IntersectClip);
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        // Line breaks would draw as nothing: they show as blanks, as on one line they should.
        QString line = text;
        line.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        painter->drawText(QPoint(box.left(), box.top() + (box.height() - metrics.height()) / 2 +
                                                 metrics.ascent()),
                          line);
        painter->restore();
    }
};

}  // namespace

GridBinding::GridBinding(QTableView* grid, DataControl* control,
                         QList<DataControlModel::Column> columns)
    : QObject(grid),
      m_grid(grid),
      m_control(control),
      m_model(new DataControlModel(control, std::move(columns), this)) {
    grid->setModel(m_model);
    grid->setItemDelegate(new OneLineDelegate(grid));
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
