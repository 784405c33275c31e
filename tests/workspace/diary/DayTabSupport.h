#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QString>
#include <QTableView>
#include <QTest>

// What the diary and planner tests share: messages, days and calendar input.
namespace vemora::test {

inline const QString kNothingToEdit =
    QStringLiteral("Sorry their is nothing to edit.\r\n Click add button instead!");
inline const QString kFillUp =
    QStringLiteral("Please fill-up the neccessary field, or just put 'none'!");
inline const QDate kDay1(2024, 3, 11);
inline const QDate kDay2(2024, 3, 12);

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
            if (index.data().toInt() == day.day() && (!cell.isValid() || day.day() > 14))
                cell = index;
        }
    }
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

// Chooses the day with the keyboard: arrows move the selection, Enter takes it.
inline void enterDay(QCalendarWidget* calendar, QDate day) {
    auto* view = calendar->findChild<QTableView*>();
    view->setFocus();
    const qint64 steps = calendar->selectedDate().daysTo(day);
    for (qint64 i = 0; i < qAbs(steps); ++i)
        QTest::keyClick(view, steps > 0 ? Qt::Key_Right : Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Return);
}

}  // namespace vemora::test
