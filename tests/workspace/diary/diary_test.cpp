#include "data/Statement.h"
#include "support/ExactText.h"
#include "support/TestPlatform.h"
#include "workspace/diary/DayEntry.h"
#include "workspace/diary/DayTabSupport.h"
#include "workspace/diary/DiaryTab.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class DiaryTabTest : public ::testing::Test {
protected:
    void open(int userNum = 1) {
        tp.loginAs(userNum);
        tab = std::make_unique<DiaryTab>(tp.platform);
        tab->show();
        picker = tab->findChild<QDateEdit*>(u"DTPickerDiary"_s);
        calendar = tab->findChild<QCalendarWidget*>(u"callendarDiary"_s);
        text = tab->findChild<QPlainTextEdit*>(u"txtDiaryMsg"_s);
        entry = tab->findChild<DayEntry*>();
        add = tab->findChild<QAbstractButton*>(u"cmdAddDiary"_s);
        save = tab->findChild<QAbstractButton*>(u"cmdSaveDiary"_s);
    }
    void store(int userNum, QDate day, const QString& message) {
        tp.query(Statement("INSERT INTO diary_tbl VALUES (")
                     .number(userNum)
                     .sql(", ")
                     .date(day)
                     .sql(", ")
                     .text(message)
                     .sql(")"));
    }
    QString stored(QDate day) {
        return tp
            .query(Statement("SELECT diary_message FROM diary_tbl WHERE diary_date = ").date(day))
            .text(u"diary_message");
    }
    // The text of the loaded entry as it was read.
    QString memory() const { return entry->remembered().value(0); }
    void type(const QString& s) {
        text->clear();
        QTest::keyClicks(text, s);
    }

    TestPlatform tp;
    std::unique_ptr<DiaryTab> tab;
    QDateEdit* picker = nullptr;
    QCalendarWidget* calendar = nullptr;
    QPlainTextEdit* text = nullptr;
    DayEntry* entry = nullptr;
    QAbstractButton *add = nullptr, *save = nullptr;
};

TEST_F(DiaryTabTest, EachUserSeesOnlyTheirOwnEntries) {
    const int ann = tp.addUser(u"ann"_s, u"pw"_s, u"Ann"_s);
    store(1, kDay1, u"admin`s day"_s);
    store(ann, kDay1, u"Ann`s day"_s);
    store(1, kDay2, u"admin only"_s);
    open(ann);
    clickDay(calendar, kDay1);
    EXPECT_EQ(text->toPlainText(), u"Ann`s day"_s);
    EXPECT_EQ(memory(), u"Ann`s day"_s);
    EXPECT_TRUE(save->isEnabled());
    clickDay(calendar, kDay2);
    EXPECT_EQ(text->toPlainText() + memory(), QString());
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(DiaryTabTest, TheCalendarShowsTheUsersDaysWithAnEntryInBold) {
    const int ann = tp.addUser(u"ann"_s, u"pw"_s, u"Ann"_s);
    const QDate april(2024, 4, 20);
    store(ann, kDay1, u"Ann`s day"_s);
    store(ann, april, u"later"_s);
    store(1, kDay2, u"admin only"_s);
    open(ann);
    auto bold = [this](QDate day) {
        return calendar->dateTextFormat(day).fontWeight() == QFont::Bold;
    };
    clickDay(calendar, kDay2);
    EXPECT_TRUE(bold(kDay1));
    EXPECT_FALSE(bold(kDay2));
    calendar->setCurrentPage(2024, 4);
    EXPECT_TRUE(bold(april));

    clickDay(calendar, kDay2);
    type(u"mine too"_s);
    add->click();
    EXPECT_TRUE(bold(kDay2));
}

TEST_F(DiaryTabTest, AfterTheServerEndedItsSessionsTheSaveConnectsAgainAndStores) {
    if (!tp.database.server()) GTEST_SKIP() << "a server's connection";
    store(1, kDay1, u"kept"_s);
    open();
    clickDay(calendar, kDay1);
    type(u"changed"_s);
    tp.endServerSessions();
    save->click();
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(kDay1), u"changed"_s);
}

TEST_F(DiaryTabTest, AddStoresBackquotesOnceADayAndALaterSaveFindsTheEntry) {
    open();
    clickDay(calendar, kDay1);
    type(u"   "_s);
    add->click();
    EXPECT_EQ(tp.prompter.last().text, kFillUp);
    type(u" it's a start "_s);
    add->click();
    EXPECT_EQ(tp.prompter.last().text, u"New diary has been added!"_s);
    EXPECT_EQ(stored(kDay1), u" it`s a start "_s);
    EXPECT_FALSE(save->isEnabled());

    // A second Add asks; No keeps the typed text, Yes shows the stored one.
    type(u"again"_s);
    tp.prompter.answer(Answer::No);
    add->click();
    EXPECT_EQ(tp.prompter.last().text,
              u"Sorry but you've saved already your diary today!\r\n"
              "Do you want to view and modify your today's diary?"_s);
    EXPECT_EQ(text->toPlainText(), u"again"_s);
    tp.prompter.answer(Answer::Yes);
    add->click();
    EXPECT_EQ(memory(), u" it`s a start "_s);
    EXPECT_EQ(tp.count(u"diary_tbl"_s), 1);

    // Loaded again, the entry that begins with a blank can be corrected.
    clickDay(calendar, kDay1);
    type(u" it's going on"_s);
    save->click();
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(kDay1), u" it`s going on"_s);
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(DiaryTabTest, PickerChangeLoadsNothingAndASaveThenStoresNothing) {
    store(1, kDay1, u"day one"_s);
    store(1, kDay2, u"day two"_s);
    open();
    enterDay(calendar, kDay1);
    ASSERT_EQ(text->toPlainText(), u"day one"_s);
    picker->setDate(kDay2);
    EXPECT_EQ(calendar->selectedDate(), kDay2);
    EXPECT_EQ(text->toPlainText(), u"day one"_s);

    type(u"changed"_s);
    save->click();
    EXPECT_EQ(tp.prompter.last().text, kNothingToEdit);
    EXPECT_EQ(text->toPlainText(), u"changed"_s);
    EXPECT_EQ(stored(kDay1) + stored(kDay2), u"day oneday two"_s);

    // A remembered text with an apostrophe cannot stand in the statement.
    tp.query(Statement("UPDATE diary_tbl SET diary_message = 'don''t'"));
    enterDay(calendar, kDay2);
    save->click();
    EXPECT_EQ(tp.prompter.last().title, u"Message Alert!"_s);
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
        EXPECT_EQ(picker->text(), day.toString(u"dd/MM/yyyy"_s));
        type(day.toString(Qt::ISODate));
        add->click();
    }
    for (const QDate day : days) {
        clickDay(calendar, day);
        EXPECT_EQ(text->toPlainText(), day.toString(Qt::ISODate));
        EXPECT_EQ(stored(day), day.toString(Qt::ISODate));
    }
}

TEST_F(DiaryTabTest, ALostConnectionIsReturnedByTheLoaderAndReportedOnAClick) {
    open();
    tp.session.DbConnection().close();
    EXPECT_FALSE(tab->LoadDiary().ok());
    EXPECT_EQ(tp.prompter.count(), 0);
    clickDay(calendar, kDay1);
    EXPECT_EQ(tp.prompter.count(), 1);
}

TEST_F(DiaryTabTest, AnEntryHoldingWhatATextBoxWouldChangeCanBeEdited) {
    store(1, kDay1, kOtherWritersText);
    open();
    clickDay(calendar, kDay1);
    EXPECT_EQ(memory(), kOtherWritersText);
    // Saved unedited, the entry keeps every character it had.
    save->click();
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(kDay1), kOtherWritersText);

    clickDay(calendar, kDay1);
    type(u"rewritten"_s);
    save->click();
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(stored(kDay1), u"rewritten"_s);
}

TEST_F(DiaryTabTest, HalfACharacterIsRefusedByAddAndSaveWhileAWholeOneIsStored) {
    store(1, kDay1, u"stored"_s);
    open();
    clickDay(calendar, kDay2);
    text->setPlainText(u"half "_s + kHalfEmoji + u"x"_s);
    add->click();
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"Daily Diary"_s));
    EXPECT_EQ(tp.prompter.last().title, u"Cannot Store!"_s);
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(tp.count(u"diary_tbl"_s), 1);

    text->setPlainText(u"whole "_s + kEmoji + u"x"_s);
    add->click();
    EXPECT_EQ(stored(kDay2), u"whole "_s + kEmoji + u"x"_s);

    clickDay(calendar, kDay1);
    text->setPlainText(kHalfEmoji);
    save->click();
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"Daily Diary"_s));
    EXPECT_EQ(stored(kDay1), u"stored"_s);
    EXPECT_TRUE(save->isEnabled());
}

}  // namespace
}  // namespace vemora::test
