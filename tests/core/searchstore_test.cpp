#include "core/SearchStore.h"
#include "core/StoreFixture.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

const QDate kMonday(2025, 6, 2);
const QDate kTuesday(2025, 6, 3);
const QDate kWednesday(2025, 6, 4);

using Found = QList<std::pair<QDate, SearchPlace>>;

// Texts written as another program would, through SQL: the index follows them by itself.
class SearchStoreTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        diaryEntry(1, kMonday, u"Coffee at the Café de Flore with Zoë, then the cafeteria."_s);
        diaryEntry(1, kTuesday, u"ÉTÉ indien.\nNothing else: (AND) NEAR * - done"_s);
        plan(1, kWednesday, {u"meet Bob"_s, u"dentist at three"_s, u"\"To be or not to be\""_s});
        diaryEntry(2, kMonday, u"my café secret"_s);
    }
    void diaryEntry(qint64 user, QDate day, const QString& text) {
        files.addDiaryEntry(user, day, text);
    }
    void plan(qint64 user, QDate day, const QStringList& texts) { files.addPlan(user, day, texts); }
    Found find(const QString& typed, qint64 user = 1, SearchOrder order = SearchOrder::Newest) {
        const SearchTerms terms = SearchTerms::parse(typed);
        const Result<QList<SearchHit>> hits = store.find(user, terms, order, 50);
        EXPECT_TRUE(hits.ok()) << typed.toStdString() << ": "
                               << (hits ? "" : hits.error().description.toStdString());
        Found found;
        for (const SearchHit& hit : hits ? hits.value() : QList<SearchHit>())
            found.append({hit.day, hit.place});
        const Result<qint64> counted = store.count(user, terms, 1000);
        EXPECT_TRUE(counted.ok()) << typed.toStdString();
        EXPECT_EQ(counted ? counted.value() : -1, found.size()) << typed.toStdString();
        return found;
    }

    SearchStore store{database};
};

TEST_F(SearchStoreTest, WholeWordsAndTheWordBeingTypedLetterCaseAndAccentsAside) {
    const Found monday{{kMonday, SearchPlace::Diary}};
    // "cafe" still being typed finds cafeteria too; followed by a space it is a whole word.
    EXPECT_EQ(find(u"cafe"_s), monday);
    EXPECT_EQ(find(u"cafe "_s), monday);
    EXPECT_EQ(find(u"cafet"_s), monday);
    EXPECT_EQ(find(u"cafet "_s), Found());
    EXPECT_EQ(find(u"ete "_s), (Found{{kTuesday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"É"_s), (Found{{kTuesday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"ZOE "_s), monday);
    EXPECT_EQ(find(u"zoe\u0308 "_s), monday);
    // Every word must be in one text.
    EXPECT_EQ(find(u"dentist three"_s), (Found{{kWednesday, SearchPlace::Afternoon}}));
    EXPECT_EQ(find(u"bob dentist"_s), Found());
    EXPECT_EQ(find(u"be"_s), (Found{{kWednesday, SearchPlace::Quote}}));
    EXPECT_EQ(find(u"meet"_s), (Found{{kWednesday, SearchPlace::Morning}}));
}

TEST_F(SearchStoreTest, QuotedWordsAreAPhrase) {
    EXPECT_EQ(find(u"\"to be or\""_s), (Found{{kWednesday, SearchPlace::Quote}}));
    EXPECT_EQ(find(u"\"be to\""_s), Found());
    // An unpaired quote runs to the end, its last word still being typed.
    EXPECT_EQ(find(u"\"not to b"_s), (Found{{kWednesday, SearchPlace::Quote}}));
    EXPECT_EQ(find(u"“the cafeteria”"_s), (Found{{kMonday, SearchPlace::Diary}}));
}

TEST_F(SearchStoreTest, AnyTypedTextIsSearchedAsTextNeverAsTheEnginesSyntax) {
    const QStringList hostile{u"\""_s,
                              u"*"_s,
                              u"-"_s,
                              u":"_s,
                              u"("_s,
                              u")"_s,
                              u"AND"_s,
                              u"NEAR(cafe"_s,
                              u"cafe\""_s,
                              u"body:cafe"_s,
                              u"-cafe"_s,
                              u"cafe OR"_s,
                              u"'; DROP"_s,
                              u"\\"_s,
                              u"a\\'b"_s,
                              QString(QChar(0)) + u"cafe"_s,
                              u"☕ cafe"_s,
                              u"\u200fcafe"_s,
                              u"^cafe"_s,
                              u"cafe:*"_s,
                              u"!& | <->"_s,
                              u"\"\"\""_s,
                              QString(600, u'x'),
                              u"{body}: x"_s};
    for (const QString& typed : hostile) find(typed);
    // Operators are words like any other.
    EXPECT_EQ(find(u"AND"_s), (Found{{kTuesday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"near "_s), (Found{{kTuesday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"-cafe "_s), (Found{{kMonday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"☕ \u200fzoe"_s), (Found{{kMonday, SearchPlace::Diary}}));
    EXPECT_EQ(find(u"*"_s), Found());
}

TEST_F(SearchStoreTest, OnlyTheUsersOwnTextsInEitherOrder) {
    EXPECT_EQ(find(u"secret"_s), Found());
    EXPECT_EQ(find(u"secret"_s, 2), (Found{{kMonday, SearchPlace::Diary}}));
    // A day's texts in the order of its tabs: diary, AM, PM, quote.
    Found expected{{kWednesday, SearchPlace::Afternoon},
                   {kWednesday, SearchPlace::Quote},
                   {kMonday, SearchPlace::Diary}};
    EXPECT_EQ(find(u"t"_s), expected);
    Found best = find(u"t"_s, 1, SearchOrder::Relevance);
    std::sort(best.begin(), best.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(best, expected);
}

TEST_F(SearchStoreTest, PagesFollowOneAnotherWithoutGapOrRepeat) {
    for (int day = 0; day < 30; ++day) diaryEntry(3, kMonday.addDays(day), u"page word"_s);
    QList<QDate> seen;
    for (int offset = 0; offset < 40; offset += 7) {
        const auto page =
            store.find(3, SearchTerms::parse(u"page"_s), SearchOrder::Newest, 7, offset);
        ASSERT_TRUE(page.ok());
        for (const SearchHit& hit : page.value()) seen.append(hit.day);
    }
    ASSERT_EQ(seen.size(), 30);
    // Counting stops where it was asked to.
    EXPECT_EQ(store.count(3, SearchTerms::parse(u"page"_s), 12).value(), 12);
    EXPECT_EQ(store.count(3, SearchTerms::parse(u"page"_s), 31).value(), 30);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(seen[i], kMonday.addDays(29 - i));
}

TEST_F(SearchStoreTest, TheIndexFollowsChangesMadeThroughSql) {
    query(Statement("UPDATE diary_tbl SET diary_message = 'rewritten' WHERE user_num = 1 AND "
                    "diary_date = ")
              .date(kMonday));
    EXPECT_EQ(find(u"zoe"_s), Found());
    EXPECT_EQ(find(u"rewritten"_s), (Found{{kMonday, SearchPlace::Diary}}));
    query(Statement("UPDATE planner_tbl SET planner_date = ")
              .date(kMonday)
              .sql(u" WHERE user_num = 1"));
    EXPECT_EQ(find(u"dentist"_s), (Found{{kMonday, SearchPlace::Afternoon}}));
    query(Statement("DELETE FROM planner_tbl"));
    EXPECT_EQ(find(u"dentist"_s), Found());
    query(Statement("UPDATE diary_tbl SET diary_message = '' WHERE user_num = 1"));
    EXPECT_EQ(find(u"rewritten"_s), Found());
}

TEST_F(SearchStoreTest, OnThisDayListsTheSameDayOfEarlierYearsNewestFirst) {
    diaryEntry(1, QDate(2024, 6, 3), u"a year before"_s);
    plan(1, QDate(2020, 6, 3), {u"am"_s, QString(), u"quote"_s});
    diaryEntry(2, QDate(2023, 6, 3), u"someone else's"_s);
    diaryEntry(1, QDate(2024, 2, 29), u"leap"_s);
    diaryEntry(1, QDate(2026, 6, 3), u"later"_s);
    const auto hits = store.onThisDay(1, kTuesday);
    ASSERT_TRUE(hits.ok()) << hits.error().description.toStdString();
    Found found;
    for (const SearchHit& hit : hits.value()) found.append({hit.day, hit.place});
    EXPECT_EQ(found, (Found{{QDate(2024, 6, 3), SearchPlace::Diary},
                            {QDate(2020, 6, 3), SearchPlace::Morning},
                            {QDate(2020, 6, 3), SearchPlace::Quote}}));
    EXPECT_EQ(hits.value().front().text, u"a year before"_s);
    // A 29 February looks at leap years only; no other day stands in for it.
    const auto leap = store.onThisDay(1, QDate(2028, 2, 29));
    ASSERT_TRUE(leap.ok());
    ASSERT_EQ(leap.value().size(), 1);
    EXPECT_EQ(leap.value().front().day, QDate(2024, 2, 29));
    EXPECT_TRUE(store.onThisDay(1, QDate(2025, 3, 1)).value().isEmpty());
}

}  // namespace
}  // namespace vemora::test
