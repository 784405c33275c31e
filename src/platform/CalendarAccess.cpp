#include "platform/CalendarAccess.h"

#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHash>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPointer>
#include <QTableView>

#include <utility>

namespace vemora {

namespace {

// Qt's name of the table inside a calendar, and the mark of a calendar whose table is ours.
const char* const kGridName = "qt_calendar_calendarview";
const char* const kHeaded = "vemoraHeadedColumns";

QCalendarWidget* calendarOf(const QWidget* grid) {
    for (QWidget* up = grid->parentWidget(); up; up = up->parentWidget())
        if (auto* calendar = qobject_cast<QCalendarWidget*>(up)) return calendar;
    return nullptr;
}

// The name and the long name of the column's heading. The calendar's model holds the weekday
// names in its first row when it shows them, the week numbers in its first column.
std::pair<QString, QString> columnHeading(const QTableView* grid, int column) {
    const QCalendarWidget* calendar = calendarOf(grid);
    if (!calendar) return {};
    const int weekColumns =
        calendar->verticalHeaderFormat() == QCalendarWidget::ISOWeekNumbers ? 1 : 0;
    if (column < weekColumns) return {QStringLiteral("Week"), QStringLiteral("Week")};
    const auto day = Qt::DayOfWeek((calendar->firstDayOfWeek() - 1 + column - weekColumns) % 7 + 1);
    const QString full = calendar->locale().dayName(day, QLocale::LongFormat);
    if (calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader)
        return {full, full};
    return {grid->model()->index(0, column).data().toString(), full};
}

// A cell of the grid; with the row -1 a column's heading, with the column -1 a row's.
class CalendarCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CalendarCell(QTableView* grid, int row, int column)
        : m_grid(grid), m_row(row), m_column(column) {}

    bool isValid() const override {
        return m_grid && m_grid->model() && m_row < m_grid->model()->rowCount() &&
               m_column < m_grid->model()->columnCount();
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_grid);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override {
        if (m_row < 0) {
            if (m_column < 0) return {};
            const auto [name, full] = columnHeading(m_grid, m_column);
            return kind == QAccessible::Name          ? name
                   : kind == QAccessible::Description ? full
                                                      : QString();
        }
        if (m_column < 0) return {};
        const QModelIndex cell = index();
        if (kind == QAccessible::Description)
            return cell.data(Qt::AccessibleDescriptionRole).toString();
        if (kind != QAccessible::Name) return {};
        const QString text = cell.data(Qt::AccessibleTextRole).toString();
        return text.isEmpty() ? cell.data().toString() : text;
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (m_row < 0 || m_column < 0) return {};
        QRect area = m_grid->visualRect(index());
        if (area.isNull()) return {};
        return area.translated(m_grid->viewport()->mapToGlobal(QPoint()));
    }
    QAccessible::Role role() const override {
        return m_row < 0      ? QAccessible::ColumnHeader
               : m_column < 0 ? QAccessible::RowHeader
                              : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        // The grid draws its headings as its first row; Qt's header views stay hidden.
        if (m_row < 0 || m_column < 0) {
            state.invisible = true;
            return state;
        }
        const QModelIndex cell = index();
        const QItemSelectionModel* selection = m_grid->selectionModel();
        state.invisible = !m_grid->viewport()->rect().intersects(m_grid->visualRect(cell));
        state.selected = selection->isSelected(cell);
        state.focused = selection->currentIndex() == cell;
        const bool selectable = cell.flags() & Qt::ItemIsSelectable;
        state.selectable = selectable;
        state.focusable = selectable;
        state.disabled = !(cell.flags() & Qt::ItemIsEnabled);
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override {
        return m_row >= 0 && m_column >= 0 && m_grid->selectionModel()->isSelected(index());
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QAccessibleInterface* grid = parent();
        QAccessibleTableInterface* table = grid ? grid->tableInterface() : nullptr;
        if (m_row < 0 || !table) return {};
        // The heading lives in the grid's cache of cells, which owns it.
        return {table->cellAt(-1, m_column)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QModelIndex index() const { return m_grid->model()->index(m_row, m_column); }

    QPointer<QTableView> m_grid;
    int m_row;
    int m_column;
};

// The grid as Qt's own table shows it, cell for cell and in the same order of children (the
// view's focus events count on it), with the weekday names as its column headings.
class CalendarGrid final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit CalendarGrid(QTableView* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
    ~CalendarGrid() override { forgetCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // Children: first the corner and the column headings, then each row after its heading.
    int childCount() const override { return (rowCount() + 1) * (columnCount() + 1); }
    QAccessibleInterface* child(int at) const override {
        if (at < 0 || at >= childCount()) return nullptr;
        return cell(at / (columnCount() + 1) - 1, at % (columnCount() + 1) - 1);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return (it.key().first + 1) * (columnCount() + 1) + it.key().second + 1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex at = grid()->indexAt(grid()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? cell(at.row(), at.column()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = grid()->currentIndex();
        return grid()->hasFocus() && current.isValid() ? cell(current.row(), current.column())
                                                       : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < -1 || column < -1 || row >= rowCount() || column >= columnCount()) return nullptr;
        return cell(row, column);
    }
    int selectedCellCount() const override { return int(selected().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const QModelIndex& at : selected()) cells.append(cell(at.row(), at.column()));
        return cells;
    }
    QString columnDescription(int column) const override {
        return columnHeading(grid(), column).second;
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return model() ? model()->columnCount() : 0; }
    int rowCount() const override { return model() ? model()->rowCount() : 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    // A calendar chooses one day, never a whole row or column.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            forgetCells();
    }

private:
    QTableView* grid() const { return static_cast<QTableView*>(widget()); }
    QAbstractItemModel* model() const { return grid()->model(); }
    QModelIndexList selected() const {
        return grid()->selectionModel() ? grid()->selectionModel()->selectedIndexes()
                                        : QModelIndexList();
    }

    // Kept by place, which stays a cell's own when the calendar adds or drops its headings.
    QAccessibleInterface* cell(int row, int column) const {
        const std::pair place(row, column);
        if (const auto known = m_cells.constFind(place); known != m_cells.cend())
            return QAccessible::accessibleInterface(known.value());
        auto* made = new CalendarCell(grid(), row, column);
        m_cells.insert(place, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    void forgetCells() {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    mutable QHash<std::pair<int, int>, QAccessible::Id> m_cells;
};

QAccessibleInterface* calendarGrid(const QString& className, QObject* object) {
    // Asked first for the object's own class, Qt's calendar view, before Qt's factory is.
    auto* grid = qobject_cast<QTableView*>(object);
    if (!grid || className != QLatin1String(object->metaObject()->className()) ||
        grid->objectName() != QLatin1String(kGridName))
        return nullptr;
    const QCalendarWidget* calendar = calendarOf(grid);
    if (!calendar || !calendar->property(kHeaded).toBool()) return nullptr;
    return new CalendarGrid(grid);
}

}  // namespace

void headCalendarColumns(QCalendarWidget* calendar) {
    static const bool installed = [] {
        QAccessible::installFactory(calendarGrid);
        return true;
    }();
    Q_UNUSED(installed);
    auto* grid = calendar->findChild<QTableView*>(QString::fromLatin1(kGridName));
    if (!grid) return;
    calendar->setProperty(kHeaded, true);
    // A table Qt made for the grid before now gives way to ours.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(grid);
    if (made && !dynamic_cast<CalendarGrid*>(made)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        QAccessible::queryAccessibleInterface(grid);
    }
}

}  // namespace vemora
