// Two organizers on two connections to one database (two computers on a server), both showing
// the same record of one user: the second's change, made on what it loaded, changes nothing
// once the first has changed the record, and the first's change stays.
#include "core/ContactStore.h"
#include "core/DayStore.h"
#include "core/StoreFixture.h"
#include "core/WordStore.h"
#include "support/Contacts.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

const QDate kDay(2024, 2, 29);

class TwoComputersTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(second.open().ok());
    }

    Database second{files.database.directory(), Database::Lock::None};
};

TEST_F(TwoComputersTest, DiaryAndPlannerKeepTheFirstSaveOfALoadedDay) {
    for (const DayBook* book : {&DayBook::diary(), &DayBook::planner()}) {
        DayStore first(database, *book);
        DayStore other(second, *book);
        const QStringList original(book->columns.size(), u"as loaded"_s);
        ASSERT_EQ(refusal(first.add(1, kDay, original)), Refusal::None);
        const auto loadedHere = first.load(1, kDay);
        const auto loadedThere = other.load(1, kDay);
        ASSERT_TRUE(loadedHere && loadedHere.value() && loadedThere && loadedThere.value());

        const QStringList mine(book->columns.size(), u"first computer"_s);
        const QStringList theirs(book->columns.size(), u"second computer"_s);
        EXPECT_EQ(refusal(first.save(1, kDay, *loadedHere.value(), mine)), Refusal::None);
        EXPECT_EQ(refusal(other.save(1, kDay, *loadedThere.value(), theirs)), Refusal::Gone)
            << book->table.toStdString();
        EXPECT_EQ(other.load(1, kDay).value(), mine) << book->table.toStdString();
        // Loaded again, the second computer's save goes through.
        EXPECT_EQ(refusal(other.save(1, kDay, mine, theirs)), Refusal::None);
        EXPECT_EQ(first.load(1, kDay).value(), theirs);
    }
}

TEST_F(TwoComputersTest, AContactRenamedOnOneComputerIsGoneForTheOther) {
    ContactStore first(database);
    ContactStore other(second);
    ASSERT_EQ(refusal(first.add(1, contact(u"Ann"_s, u"B"_s, u"Cole"_s))), Refusal::None);
    const ContactNames loaded{u"Ann"_s, u"B"_s, u"Cole"_s};

    EXPECT_EQ(refusal(first.save(1, loaded, contact(u"Anne"_s, u"B"_s, u"Cole"_s))), Refusal::None);
    EXPECT_EQ(refusal(other.save(1, loaded, contact(u"Annie"_s, u"B"_s, u"Cole"_s))),
              Refusal::Gone);
    EXPECT_EQ(refusal(other.remove(1, loaded)), Refusal::Gone);
    const Recordset rows = query(Statement("SELECT name FROM addressbook_tbl"));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.text(u"name"), u"Anne"_s);
}

TEST_F(TwoComputersTest, AWordChangedOnOneComputerIsGoneForTheOther) {
    WordStore first(database);
    WordStore other(second);
    ASSERT_EQ(refusal(first.add(1, u"word"_s, u"meaning"_s)), Refusal::None);
    const LoadedWord loaded{u"word"_s, u"meaning"_s, 1};

    EXPECT_EQ(refusal(first.save(1, loaded, u"word"_s, u"better meaning"_s)), Refusal::None);
    EXPECT_EQ(refusal(other.save(1, loaded, u"word"_s, u"other meaning"_s)), Refusal::Gone);
    const Recordset rows = query(Statement("SELECT dict_description FROM dictionary_tbl"));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.text(u"dict_description"), u"better meaning"_s);
}

}  // namespace
}  // namespace vemora::test
