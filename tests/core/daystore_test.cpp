#include "core/DayStore.h"
#include "core/StoreFixture.h"
#include "support/ExactText.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

const QDate kDay1(2024, 3, 11);
const QDate kDay2(2024, 3, 12);

class DayStoreTest : public StoreTest {
protected:
    void storePlan(qint64 user, QDate day, const QStringList& texts) {
        Statement insert("INSERT INTO planner_tbl VALUES (");
        insert.number(user).sql(", ").date(day);
        for (const QString& text : texts) insert.sql(", ").text(text);
        query(insert.sql(")"));
    }
    QStringList storedPlan(QDate day) {
        const Recordset r =
            query(Statement("SELECT * FROM planner_tbl WHERE planner_date = ").date(day));
        return {r.text(u"time_am"), r.text(u"time_pm"), r.text(u"planner_msg")};
    }
    QString storedDiary(QDate day) {
        return query(Statement("SELECT diary_message FROM diary_tbl WHERE diary_date = ").date(day))
            .text(u"diary_message");
    }

    DayStore diary{database, DayBook::diary()};
    DayStore planner{database, DayBook::planner()};
};

TEST_F(DayStoreTest, LoadGivesTheUsersEntryOfTheDayOnly) {
    storePlan(1, kDay1, {u" am"_s, u"pm "_s, u"quote"_s});
    storePlan(2, kDay2, {u"b"_s, u"b"_s, u"b"_s});
    const auto first = planner.load(1, kDay1);
    ASSERT_TRUE(first.ok() && first.value().has_value());
    EXPECT_EQ(*first.value(), (QStringList{u" am"_s, u"pm "_s, u"quote"_s}));
    EXPECT_FALSE(planner.load(1, kDay2).value().has_value());
    EXPECT_FALSE(diary.load(1, kDay1).value().has_value());
}

TEST_F(DayStoreTest, AddNeedsEveryTextAndStoresADayOnce) {
    EXPECT_EQ(refusal(planner.add(1, kDay1, {u"am only"_s, u" "_s, {}})), Refusal::Incomplete);
    const Result<Change> half = planner.add(1, kDay1, {u"am"_s, kHalfEmoji + u"pm"_s, kHalfEmoji});
    EXPECT_EQ(refusal(half), Refusal::Unstorable);
    EXPECT_EQ(half.value().field, 1);
    EXPECT_EQ(count(u"planner_tbl"_s), 0);

    EXPECT_EQ(refusal(planner.add(1, kDay1, {u" it's"_s, u"pm"_s, kEmoji})), Refusal::None);
    EXPECT_EQ(storedPlan(kDay1), (QStringList{u" it`s"_s, u"pm"_s, kEmoji}));
    EXPECT_EQ(refusal(planner.add(1, kDay1, {u"again"_s, u"pm"_s, u"q"_s})), Refusal::Taken);
    EXPECT_EQ(refusal(planner.add(2, kDay1, {u"other"_s, u"user"_s, u"q"_s})), Refusal::None);
    EXPECT_EQ(count(u"planner_tbl"_s), 2);
}

TEST_F(DayStoreTest, WhatCountsAsNothingToEditDependsOnTheBook) {
    // The diary: a blank loaded or typed text.
    EXPECT_EQ(refusal(diary.save(1, kDay1, {u"  "_s}, {u"new"_s})), Refusal::Incomplete);
    EXPECT_EQ(refusal(diary.save(1, kDay1, {u"old"_s}, {u" "_s})), Refusal::Incomplete);
    // The planner: only all loaded texts blank; a blank typed text is stored.
    EXPECT_EQ(refusal(planner.save(1, kDay1, {{}, u" "_s, {}}, {u"a"_s, u"b"_s, u"c"_s})),
              Refusal::Incomplete);
    storePlan(1, kDay1, {{}, u"pm"_s, {}});  // texts missing, as another program may leave them
    const QStringList loaded = *planner.load(1, kDay1).value();
    EXPECT_EQ(refusal(planner.save(1, kDay1, loaded, {u"a"_s, {}, u"c"_s})), Refusal::None);
    EXPECT_EQ(storedPlan(kDay1), (QStringList{u"a"_s, {}, u"c"_s}));
    // The emptied text is stored as empty text, so the entry can be saved again.
    EXPECT_EQ(refusal(planner.save(1, kDay1, {u"a"_s, {}, u"c"_s}, {u"a"_s, u"b"_s, u"c"_s})),
              Refusal::None);
    EXPECT_EQ(count(u"planner_tbl"_s), 1);
    EXPECT_EQ(query(Statement("SELECT COUNT(*) AS n FROM planner_tbl WHERE time_pm = 'b'"))
                  .field(u"n")
                  .toInt(),
              1);
}

TEST_F(DayStoreTest, SaveChangesOnlyAnEntryThatStillHoldsTheLoadedTextsLetterForLetter) {
    storePlan(1, kDay1, {kOtherWritersText, u"pm"_s, u"quote"_s});
    const QStringList loaded{kOtherWritersText, u"pm"_s, u"quote"_s};
    EXPECT_EQ(refusal(planner.save(1, kDay2, loaded, {u"x"_s, u"y"_s, u"z"_s})), Refusal::Gone);
    EXPECT_EQ(refusal(planner.save(1, kDay1, loaded, {u"it's"_s, u"pm"_s, u"quote"_s})),
              Refusal::None);
    EXPECT_EQ(storedPlan(kDay1), (QStringList{u"it`s"_s, u"pm"_s, u"quote"_s}));

    // Another writer changes only the letter case of the quote after the load.
    query(Statement("UPDATE planner_tbl SET planner_msg = 'QUOTE'"));
    EXPECT_EQ(refusal(planner.save(1, kDay1, {u"it`s"_s, u"pm"_s, u"quote"_s},
                                   {u"mine"_s, u"pm"_s, u"q"_s})),
              Refusal::Gone);
    EXPECT_EQ(storedPlan(kDay1), (QStringList{u"it`s"_s, u"pm"_s, u"QUOTE"_s}));

    const Result<Change> half =
        planner.save(1, kDay1, {u"it`s"_s, u"pm"_s, u"QUOTE"_s}, {u"a"_s, u"b"_s, kHalfEmoji});
    EXPECT_EQ(refusal(half), Refusal::Unstorable);
    EXPECT_EQ(half.value().field, 2);
}

TEST_F(DayStoreTest, ADiaryEntryChangedInLetterCaseElsewhereIsLeftAlone) {
    ASSERT_EQ(refusal(diary.add(1, kDay1, {u"Quiet day"_s})), Refusal::None);
    query(Statement("UPDATE diary_tbl SET diary_message = 'QUIET DAY'"));
    EXPECT_EQ(refusal(diary.save(1, kDay1, {u"Quiet day"_s}, {u"mine"_s})), Refusal::Gone);
    EXPECT_EQ(storedDiary(kDay1), u"QUIET DAY"_s);

    // A loaded text holding an apostrophe cannot stand in the statement.
    query(Statement("UPDATE diary_tbl SET diary_message = 'don''t'"));
    const Result<Change> saved = diary.save(1, kDay1, {u"don't"_s}, {u"mine"_s});
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().number, kErrSyntax);
}

TEST_F(DayStoreTest, TheReportSelectionFindsTheUsersWholeRowOfTheDay) {
    storePlan(1, kDay1, {u"a"_s, u"b"_s, u"c"_s});
    storePlan(2, kDay1, {u"x"_s, u"y"_s, u"z"_s});
    const Recordset rows = query(DayStore::selection(DayBook::planner(), 2, kDay1));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.text(u"time_am"), u"x"_s);
    EXPECT_EQ(rows.date(u"planner_date"), kDay1);
}

}  // namespace
}  // namespace vemora::test
