#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QTableView>
#include <QTest>

namespace vemora::test {

// Clicks a day of a month calendar with the mouse.
inline void clickDay(QCalendarWidget* calendar, QDate day) {
    calendar->setCurrentPage(day.year(), day.month());
    auto* view = calendar->findChild<QTableView*>();
    const QAbstractItemModel* model = view->model();
    QModelIndex cell;
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            // The first cells show the month before, the last ones the month after.
            if (index.data().toInt() == day.day() && (!cell.isValid() || day.day() > 14)) cell = index;
        }
    }
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

// Chooses the day with the keyboard: arrows move the selection, Enter takes it.
inline void enterDay(QCalendarWidget* calendar, QDate day) {
    auto* view = calendar->findChild<QTableView*>();
    view->setFocus();
    const qint64 steps = calendar->selectedDate().daysTo(day);
    for (qint64 i = 0; i < qAbs(steps); ++i) QTest::keyClick(view, steps > 0 ? Qt::Key_Right : Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Return);
}

}  // namespace vemora::test
