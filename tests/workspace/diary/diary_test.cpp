#include "data/Statement.h"
#include "support/TestPlatform.h"
#include "workspace/diary/DayInput.h"
#include "workspace/diary/DiaryTab.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace vemora::test {
namespace {

const QString kNothingToEdit = QStringLiteral("Sorry their is nothing to edit.\r\n Click add button instead!");
const QDate kDay1(2024, 3, 11);
const QDate kDay2(2024, 3, 12);

class DiaryTabTest : public ::testing::Test {
protected:
    void open(int userNum = 1) {
        tp.loginAs(userNum);
        tab = std::make_unique<DiaryTab>(tp.platform);
        tab->show();
        picker = tab->findChild<QDateEdit*>(QStringLiteral("DTPickerDiary"));
        calendar = tab->findChild<QCalendarWidget*>(QStringLiteral("callendarDiary"));
        text = tab->findChild<QPlainTextEdit*>(QStringLiteral("txtDiaryMsg"));
        memory = tab->findChild<QPlainTextEdit*>(QStringLiteral("txtDiaryMsgMem"));
        add = tab->findChild<QAbstractButton*>(QStringLiteral("cmdAddDiary"));
        save = tab->findChild<QAbstractButton*>(QStringLiteral("cmdSaveDiary"));
    }
    void store(int userNum, QDate day, const QString& message) {
        tp.query(Statement("INSERT INTO diary_tbl VALUES (").number(userNum).sql(", ").date(day)
                     .sql(", ").text(message).sql(")"));
    }
    QString stored(int userNum, QDate day) {
        return tp.query(Statement("SELECT diary_message FROM diary_tbl WHERE user_num = ")
                            .number(userNum).sql(" AND diary_date = ").date(day))
            .text(u"diary_message");
    }
    void type(const QString& s) {
        text->clear();
        QTest::keyClicks(text, s);
    }

    TestPlatform tp;
    std::unique_ptr<DiaryTab> tab;
    QDateEdit* picker = nullptr;
    QCalendarWidget* calendar = nullptr;
    QPlainTextEdit* text = nullptr;
    QPlainTextEdit* memory = nullptr;
    QAbstractButton* add = nullptr;
    QAbstractButton* save = nullptr;
};

TEST_F(DiaryTabTest, EachUserSeesOnlyTheirOwnEntryOfTheDay) {
    const int ann = tp.addUser(QStringLiteral("ann"), QStringLiteral("pw"), QStringLiteral("Ann"));
    store(1, kDay1, QStringLiteral("admin`s day"));
    store(ann, kDay1, QStringLiteral("Ann`s day"));
    open(ann);
    clickDay(calendar, kDay1);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("Ann`s day"));
    EXPECT_EQ(memory->toPlainText(), QStringLiteral("Ann`s day"));
    EXPECT_TRUE(save->isEnabled());

    // A day of the other user only is empty for this one.
    clickDay(calendar, kDay2);
    store(1, kDay2, QStringLiteral("admin only"));
    ASSERT_TRUE(tab->LoadDiary().ok());
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(DiaryTabTest, AddStoresBackquotesAndALaterSaveFindsTheEntryAgain) {
    open();
    clickDay(calendar, kDay1);
    type(QStringLiteral("   "));
    add->click();
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Please fill-up the neccessary field, or just put 'none'!"));
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 0);

    type(QStringLiteral(" it's a start "));
    add->click();
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("New diary has been added!"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Successfuly Added!"));
    EXPECT_EQ(stored(1, kDay1), QStringLiteral(" it`s a start "));
    EXPECT_FALSE(save->isEnabled());

    // Loaded again, the entry that begins with a blank can be corrected.
    clickDay(calendar, kDay1);
    ASSERT_TRUE(save->isEnabled());
    type(QStringLiteral(" it's going on"));
    save->click();
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("The database has been updated!"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Successfuly Edited!"));
    EXPECT_EQ(stored(1, kDay1), QStringLiteral(" it`s going on"));
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(DiaryTabTest, ASecondAddForTheDayAsksAndYesShowsTheStoredEntry) {
    store(1, kDay1, QStringLiteral("first"));
    open();
    picker->setDate(kDay1);
    type(QStringLiteral("second"));
    tp.prompter.answer(Answer::No);
    add->click();
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Sorry but you've saved already your diary today!\r\n"
                                                      "Do you want to view and modify your today's diary?"));
    EXPECT_EQ(tp.prompter.last().style, vbQuestion | vbYesNo);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("second"));

    tp.prompter.answer(Answer::Yes);
    add->click();
    EXPECT_EQ(text->toPlainText(), QStringLiteral("first"));
    EXPECT_EQ(memory->toPlainText(), QStringLiteral("first"));
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 1);
}

TEST_F(DiaryTabTest, PickerChangeOnlyMovesTheCalendarAndSaveThenStoresNothing) {
    store(1, kDay1, QStringLiteral("day one"));
    store(1, kDay2, QStringLiteral("day two"));
    open();
    enterDay(calendar, kDay1);
    ASSERT_EQ(text->toPlainText(), QStringLiteral("day one"));

    picker->setDate(kDay2);
    EXPECT_EQ(calendar->selectedDate(), kDay2);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("day one"));
    EXPECT_TRUE(save->isEnabled());

    type(QStringLiteral("changed"));
    save->click();
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Sorry!"));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("changed"));
    EXPECT_EQ(memory->toPlainText(), QStringLiteral("day one"));
    EXPECT_EQ(stored(1, kDay1), QStringLiteral("day one"));
    EXPECT_EQ(stored(1, kDay2), QStringLiteral("day two"));
}

TEST_F(DiaryTabTest, SaveRefusesWhatCannotBeStored) {
    open();
    save->setEnabled(true);
    save->click();  // nothing loaded
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_FALSE(save->isEnabled());

    // A remembered text holding an apostrophe cannot stand in the statement.
    tp.query(Statement("INSERT INTO diary_tbl VALUES (1, '2024-03-11', 'don' || char(39) || 't')"));
    clickDay(calendar, kDay1);
    type(QStringLiteral("do"));
    save->click();
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Message Alert!"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(stored(1, kDay1), QStringLiteral("don't"));
}

TEST_F(DiaryTabTest, DaysAroundTheYearAndLeapDayLoadBackUnderADayFirstLocale) {
    struct LocaleGuard {
        QLocale before;
        ~LocaleGuard() { QLocale::setDefault(before); }
    } guard;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    open();
    const QList<QDate> days{QDate(2023, 12, 31), QDate(2024, 1, 1), QDate(2024, 2, 29)};
    for (const QDate day : days) {
        picker->setDate(day);
        EXPECT_EQ(picker->text(), day.toString(QStringLiteral("dd/MM/yyyy")));
        type(day.toString(Qt::ISODate));
        add->click();
    }
    for (const QDate day : days) {
        clickDay(calendar, day);
        EXPECT_EQ(text->toPlainText(), day.toString(Qt::ISODate));
        EXPECT_EQ(stored(1, day), day.toString(Qt::ISODate));
    }
}

TEST_F(DiaryTabTest, ALostConnectionOnACalendarClickIsReported) {
    open();
    tp.session.DbConnection().close();
    EXPECT_FALSE(tab->LoadDiary().ok());
    EXPECT_EQ(tp.prompter.count(), 0);
    clickDay(calendar, kDay1);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_TRUE(tp.prompter.last().text.contains(QStringLiteral("closed")));
}

}  // namespace
}  // namespace vemora::test
