#include "data/Statement.h"
#include "support/ExactText.h"
#include "support/TestPlatform.h"
#include "workspace/diary/DayEntry.h"
#include "workspace/diary/DayTabSupport.h"
#include "workspace/planner/PlannerTab.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class PlannerTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.loginAs(1);
        tab = std::make_unique<PlannerTab>(tp.platform);
        tab->show();
        picker = tab->findChild<QDateEdit*>(u"DTPickerPlan"_s);
        calendar = tab->findChild<QCalendarWidget*>(u"callendarPlan"_s);
        save = tab->findChild<QAbstractButton*>(u"cmdSavePlan"_s);
        tp.query(Statement("INSERT INTO planner_tbl VALUES (1, ")
                     .date(kDay1)
                     .sql(", ' am', 'pm ', 'quote')"));
    }
    QStringList texts(const char* am, const char* pm, const char* quote) const {
        QStringList result;
        for (const char* name : {am, pm, quote})
            result.append(
                tab->findChild<QPlainTextEdit*>(QString::fromLatin1(name))->toPlainText());
        return result;
    }
    QStringList boxes() const { return texts("txtPlanAM", "txtPlanPM", "txtDailyQuote"); }
    // The texts of the loaded plan as they were read.
    QStringList memories() const { return tab->findChild<DayEntry*>()->remembered(); }
    QStringList stored() {
        const Recordset r = tp.query(Statement("SELECT * FROM planner_tbl"));
        return {r.text(u"time_am"), r.text(u"time_pm"), r.text(u"planner_msg")};
    }
    QPlainTextEdit* box(const QString& name) const { return tab->findChild<QPlainTextEdit*>(name); }
    void type(const QString& am) {
        box(u"txtPlanAM"_s)->clear();
        QTest::keyClicks(box(u"txtPlanAM"_s), am);
    }
    void click(const QString& button) { tab->findChild<QAbstractButton*>(button)->click(); }

    TestPlatform tp;
    std::unique_ptr<PlannerTab> tab;
    QDateEdit* picker = nullptr;
    QCalendarWidget* calendar = nullptr;
    QAbstractButton* save = nullptr;
};

TEST_F(PlannerTabTest, PickerChangeLoadsAtOnceWhileAPressOnlyMovesTheCalendar) {
    picker->setDate(kDay1);
    EXPECT_EQ(boxes(), (QStringList{u" am"_s, u"pm "_s, u"quote"_s}));
    EXPECT_EQ(memories(), boxes());
    EXPECT_EQ(calendar->selectedDate(), kDay1);
    EXPECT_TRUE(save->isEnabled());
    picker->setDate(kDay2);
    EXPECT_EQ(boxes() + memories(), QStringList(6));
    EXPECT_FALSE(save->isEnabled());

    // Arrow keys move the calendar without loading; Enter on the picker or a press on it brings
    // the calendar back to the picker's day and loads nothing.
    QTest::keyClick(calendar->findChild<QTableView*>(), Qt::Key_Down);
    ASSERT_EQ(calendar->selectedDate(), kDay2.addDays(7));
    type(u"typed"_s);
    QTest::keyClick(picker, Qt::Key_Return);
    QTest::mousePress(picker->findChild<QLineEdit*>(), Qt::LeftButton);
    EXPECT_EQ(calendar->selectedDate(), kDay2);
    EXPECT_EQ(boxes()[0], u"typed"_s);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlannerTabTest, SaveStoresOnlyOverThePlanAsLoaded) {
    clickDay(calendar, kDay1);
    type(u" it's new"_s);
    click(u"cmdSavePlan"_s);
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(), (QStringList{u" it`s new"_s, u"pm "_s, u"quote"_s}));
    EXPECT_FALSE(save->isEnabled());

    // The row changed since it was loaded: nothing is stored and the typed text stays.
    clickDay(calendar, kDay1);
    tp.query(Statement("UPDATE planner_tbl SET time_pm = 'elsewhere'"));
    type(u"mine"_s);
    click(u"cmdSavePlan"_s);
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_EQ(stored()[0], u" it`s new"_s);
    EXPECT_EQ(boxes()[0], u"mine"_s);
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(PlannerTabTest, ClearEmptiesTheBoxesAndAFollowingSaveHasNothingToEdit) {
    clickDay(calendar, kDay1);
    tp.prompter.answer(Answer::No);
    click(u"cmdClearPlan"_s);
    EXPECT_EQ(tp.prompter.last().text, u"Are you sure you want to clear the text boxes?"_s);
    EXPECT_EQ(boxes()[0], u" am"_s);

    tp.prompter.answer(Answer::Yes);
    click(u"cmdClearPlan"_s);
    EXPECT_EQ(boxes() + memories(), QStringList(6));
    EXPECT_TRUE(save->isEnabled());
    click(u"cmdSavePlan"_s);
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(stored()[2], u"quote"_s);
}

TEST_F(PlannerTabTest, AddNeedsAllThreeTexts) {
    clickDay(calendar, kDay2);
    type(u"am only"_s);
    click(u"cmdAddPlan"_s);
    EXPECT_EQ(tp.prompter.last().text, kFillUp);
    EXPECT_EQ(tp.count(u"planner_tbl"_s), 1);
}

TEST_F(PlannerTabTest, APlanHoldingWhatATextBoxWouldChangeCanBeEdited) {
    tp.query(Statement("UPDATE planner_tbl SET time_am = ")
                 .text(kOtherWritersText)
                 .sql(", time_pm = ")
                 .text(kOtherWritersText + u" pm"_s));
    picker->setDate(kDay1);
    EXPECT_EQ(memories(),
              (QStringList{kOtherWritersText, kOtherWritersText + u" pm"_s, u"quote"_s}));
    type(u"rewritten"_s);
    click(u"cmdSavePlan"_s);
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(), (QStringList{u"rewritten"_s, kOtherWritersText + u" pm"_s, u"quote"_s}));
}

TEST_F(PlannerTabTest, HalfACharacterIsRefusedNamingItsBox) {
    clickDay(calendar, kDay2);
    box(u"txtPlanAM"_s)->setPlainText(u"am"_s);
    box(u"txtPlanPM"_s)->setPlainText(kHalfEmoji + u"pm"_s);
    box(u"txtDailyQuote"_s)->setPlainText(kHalfEmoji);
    click(u"cmdAddPlan"_s);
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"PM"_s));
    EXPECT_EQ(tp.count(u"planner_tbl"_s), 1);

    clickDay(calendar, kDay1);
    box(u"txtDailyQuote"_s)->setPlainText(u"a "_s + kHalfEmoji);
    click(u"cmdSavePlan"_s);
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"Daily Qoute"_s));
    EXPECT_EQ(stored(), (QStringList{u" am"_s, u"pm "_s, u"quote"_s}));
}

}  // namespace
}  // namespace vemora::test
