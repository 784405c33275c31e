#include "data/Statement.h"
#include "support/TestPlatform.h"
#include "workspace/diary/DayInput.h"
#include "workspace/planner/PlannerTab.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace vemora::test {
namespace {

const QString kNothingToEdit = QStringLiteral("Sorry their is nothing to edit.\r\n Click add button instead!");
const QDate kDay1(2024, 3, 11);
const QDate kDay2(2024, 3, 12);

class PlannerTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.loginAs(1);
        tab = std::make_unique<PlannerTab>(tp.platform);
        tab->show();
        picker = tab->findChild<QDateEdit*>(QStringLiteral("DTPickerPlan"));
        calendar = tab->findChild<QCalendarWidget*>(QStringLiteral("callendarPlan"));
        for (const char* name : {"txtPlanAM", "txtPlanPM", "txtDailyQuote"})
            boxes.append(tab->findChild<QPlainTextEdit*>(QString::fromLatin1(name)));
        for (const char* name : {"txtPlanAM_mem", "txtPlanPM_mem", "txtDaily_mem"})
            memories.append(tab->findChild<QPlainTextEdit*>(QString::fromLatin1(name)));
        save = tab->findChild<QAbstractButton*>(QStringLiteral("cmdSavePlan"));
    }
    void click(const char* button) {
        tab->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
    }
    void store(QDate day, const QString& am, const QString& pm, const QString& quote) {
        tp.query(Statement("INSERT INTO planner_tbl VALUES (1, ").date(day).sql(", ").text(am)
                     .sql(", ").text(pm).sql(", ").text(quote).sql(")"));
    }
    QStringList stored(QDate day) {
        const Recordset r = tp.query(
            Statement("SELECT time_am, time_pm, planner_msg FROM planner_tbl WHERE user_num = 1 "
                      "AND planner_date = ").date(day));
        return {r.text(u"time_am"), r.text(u"time_pm"), r.text(u"planner_msg")};
    }
    static QStringList texts(const QList<QPlainTextEdit*>& list) {
        QStringList result;
        for (const QPlainTextEdit* box : list) result.append(box->toPlainText());
        return result;
    }
    void type(const QStringList& values) {
        for (int i = 0; i < boxes.size(); ++i) {
            boxes[i]->clear();
            QTest::keyClicks(boxes[i], values[i]);
        }
    }

    TestPlatform tp;
    std::unique_ptr<PlannerTab> tab;
    QDateEdit* picker = nullptr;
    QCalendarWidget* calendar = nullptr;
    QList<QPlainTextEdit*> boxes;
    QList<QPlainTextEdit*> memories;
    QAbstractButton* save = nullptr;
};

TEST_F(PlannerTabTest, PickerChangeLoadsAtOnceWhileAPressOnlyMovesTheCalendar) {
    store(kDay1, QStringLiteral("am1"), QStringLiteral("pm1"), QStringLiteral("q1"));
    picker->setDate(kDay1);
    EXPECT_EQ(texts(boxes), (QStringList{QStringLiteral("am1"), QStringLiteral("pm1"), QStringLiteral("q1")}));
    EXPECT_EQ(texts(memories), texts(boxes));
    EXPECT_EQ(calendar->selectedDate(), kDay1);
    EXPECT_TRUE(save->isEnabled());

    picker->setDate(kDay2);
    EXPECT_EQ(texts(boxes), QStringList(3));
    EXPECT_EQ(texts(memories), QStringList(3));
    EXPECT_FALSE(save->isEnabled());

    // Arrow keys move the calendar's selection without loading; Enter on the picker or a press
    // on it brings the calendar back to the picker's day and loads nothing.
    auto* view = calendar->findChild<QTableView*>();
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_EQ(calendar->selectedDate(), kDay2.addDays(7));
    type({QStringLiteral("typed"), QString(), QString()});
    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(boxes[0]->toPlainText(), QStringLiteral("typed"));
    QTest::mousePress(picker->findChild<QLineEdit*>(), Qt::LeftButton);
    EXPECT_EQ(calendar->selectedDate(), kDay2);
    EXPECT_EQ(boxes[0]->toPlainText(), QStringLiteral("typed"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlannerTabTest, AddNeedsAllThreeTextsAndStoresThemOncePerDay) {
    clickDay(calendar, kDay1);
    type({QStringLiteral("it's am"), QStringLiteral(" "), QStringLiteral("quote")});
    click("cmdAddPlan");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Please fill-up the neccessary field, or just put 'none'!"));
    EXPECT_EQ(tp.count(QStringLiteral("planner_tbl")), 0);

    type({QStringLiteral("it's am"), QStringLiteral(" pm "), QStringLiteral("quote")});
    click("cmdAddPlan");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("New plan has been added!"));
    EXPECT_EQ(stored(kDay1), (QStringList{QStringLiteral("it`s am"), QStringLiteral(" pm "), QStringLiteral("quote")}));
    EXPECT_FALSE(save->isEnabled());

    type({QStringLiteral("other"), QStringLiteral("other"), QStringLiteral("other")});
    tp.prompter.answer(Answer::Yes);
    click("cmdAddPlan");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Sorry but you've saved already your plans today!\r\n"
                                                      "Do you want to view and modify your plans today?"));
    EXPECT_EQ(texts(boxes), stored(kDay1));
    EXPECT_EQ(texts(memories), stored(kDay1));
    EXPECT_EQ(tp.count(QStringLiteral("planner_tbl")), 1);
}

TEST_F(PlannerTabTest, SaveStoresOnlyOverThePlanAsLoaded) {
    store(kDay1, QStringLiteral(" am"), QStringLiteral("pm "), QStringLiteral("q"));
    clickDay(calendar, kDay1);
    type({QStringLiteral(" new am"), QStringLiteral("new pm"), QStringLiteral("it's new")});
    click("cmdSavePlan");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("The database has been updated!"));
    EXPECT_EQ(stored(kDay1), (QStringList{QStringLiteral(" new am"), QStringLiteral("new pm"), QStringLiteral("it`s new")}));
    EXPECT_FALSE(save->isEnabled());

    // The row changed since it was loaded: nothing is stored and the typed texts stay.
    clickDay(calendar, kDay1);
    tp.query(Statement("UPDATE planner_tbl SET time_pm = 'elsewhere'"));
    type({QStringLiteral("mine"), QStringLiteral("mine"), QStringLiteral("mine")});
    click("cmdSavePlan");
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_EQ(stored(kDay1)[1], QStringLiteral("elsewhere"));
    EXPECT_EQ(boxes[0]->toPlainText(), QStringLiteral("mine"));
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(PlannerTabTest, ClearEmptiesTheBoxesAndAFollowingSaveHasNothingToEdit) {
    store(kDay1, QStringLiteral("am"), QStringLiteral("pm"), QStringLiteral("q"));
    clickDay(calendar, kDay1);
    tp.prompter.answer(Answer::No);
    click("cmdClearPlan");
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Are you sure?"));
    EXPECT_EQ(boxes[0]->toPlainText(), QStringLiteral("am"));

    tp.prompter.answer(Answer::Yes);
    click("cmdClearPlan");
    EXPECT_EQ(texts(boxes) + texts(memories), QStringList(6));
    EXPECT_TRUE(save->isEnabled());
    click("cmdSavePlan");
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(stored(kDay1), (QStringList{QStringLiteral("am"), QStringLiteral("pm"), QStringLiteral("q")}));
}

TEST_F(PlannerTabTest, ALostConnectionOnAPickerChangeIsReported) {
    tp.session.DbConnection().close();
    picker->setDate(kDay1);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().style, vbOKOnly);
}

}  // namespace
}  // namespace vemora::test
