#include "core/ContactStore.h"
#include "core/StoreFixture.h"
#include "core/WordStore.h"
#include "data/DataControl.h"
#include "support/Contacts.h"

#include <QSignalSpy>

#include <random>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

QList<QVariantList> rowsOf(const Recordset& rows) {
    QList<QVariantList> list;
    for (int row = 0; row < rows.rowCount(); ++row) list.append(rows.row(row));
    return list;
}

// A grid's data control over a listing, re-read after changes made through the shared
// connection, as the address-book and dictionary tabs re-read theirs.
class RereadTest : public StoreTest {
protected:
    void show(const Statement& listing) {
        grid.setConnectionString(database.ConnectionString());
        grid.setRecordSource(listing);
        ASSERT_TRUE(grid.refresh().ok());
    }
    void begin() { grid.beginChange(database.DbConnection()); }
    void reread(const DataControl::RowsChange& change) {
        ASSERT_TRUE(grid.refreshAfter(database.DbConnection(), change).ok());
    }
    // The held rows, every column, against a read of their own.
    void expectAsFreshRead() {
        DataControl fresh;
        fresh.setConnectionString(database.ConnectionString());
        fresh.setRecordSource(grid.recordSource());
        ASSERT_TRUE(fresh.refresh().ok());
        EXPECT_EQ(grid.recordset().columns(), fresh.recordset().columns());
        EXPECT_EQ(rowsOf(grid.recordset()), rowsOf(fresh.recordset()));
        EXPECT_EQ(grid.currentRow(), 0);
    }
    void addWord(const QString& word) {
        begin();
        ASSERT_EQ(refusal(WordStore(database).add(1, word, u"d"_s)), Refusal::None);
        reread(WordStore::changedRows({WordStore::addedWord(word)}));
    }
    // Only the file patches: a server keeps no data version to tell that nobody else wrote,
    // so every re-read there is a full one.
    static bool patches() { return !testServer(); }

    DataControl grid;
};

// Names that sort together: equal first names, letter case alone, blanks around them, a
// non-ASCII letter that NOCASE does not fold.
QString pick(std::mt19937& random, const QStringList& from) {
    return from.at(int(random() % from.size()));
}
QStringList randomContact(std::mt19937& random) {
    QStringList texts =
        contact(pick(random, {u"ann"_s, u"Ann"_s, u" ANN"_s, u"bob"_s, u"Bob "_s, u"éva"_s,
                              u"Éva"_s, u"zed"_s, u"Carl"_s}),
                pick(random, {u"a"_s, u"B"_s}), pick(random, {u"x"_s, u"Y"_s, u"x "_s}));
    texts[4] = pick(random, {u"1 Main St"_s, u"2 Side St"_s, u"3 High St"_s});
    return texts;
}
ContactNames namesAt(const Recordset& rows, int row) {
    const auto text = [&](int column) {
        return rows.value(row, rows.columnIndex(QString(kContactColumns[size_t(column)])))
            .toString();
    };
    return {text(0), text(1), text(2)};
}

TEST_F(RereadTest, PatchedContactsEqualAFreshReadThroughRandomChanges) {
    // Equal first names, told apart by the middle one.
    for (const auto& [name, middle] :
         {std::pair{u"ann"_s, u"m"_s}, {u"Bob"_s, u"m"_s}, {u"carl"_s, u"m"_s}, {u"Ann"_s, u"n"_s}})
        storeContact(files, contact(name, middle, u"l"_s));
    storeContact(files, contact(u"ann"_s, u"m"_s, u"l"_s), 2);  // another user's
    show(ContactStore::listing(1));
    ContactStore contacts(database);
    std::mt19937 random(19);
    int patched = 0;
    for (int step = 0; step < 150; ++step) {
        SCOPED_TRACE(step);
        const Recordset& held = grid.recordset();
        const int row = held.rowCount() ? int(random() % held.rowCount()) : 0;
        const QStringList texts = randomContact(random);
        const int action = held.rowCount() ? int(random() % 3) : 0;
        QList<ContactNames> changed;
        begin();
        Result<Change> done = Change{};
        if (action == 0) {
            done = contacts.add(1, texts);
            changed = {ContactStore::storedNames(texts)};
        } else if (action == 1) {
            // Half the saves keep the names and change the address.
            const ContactNames loaded = namesAt(held, row);
            QStringList saved = texts;
            if (random() % 2)
                std::copy_n(QStringList{loaded.name, loaded.middle, loaded.last}.begin(), 3,
                            saved.begin());
            done = contacts.save(1, loaded, saved);
            changed = {loaded, ContactStore::storedNames(saved)};
        } else {
            const ContactNames loaded = namesAt(held, row);
            done = contacts.remove(1, loaded);
            changed = {loaded};
        }
        if (refusal(done) != Refusal::None) continue;
        reread(ContactStore::changedRows(1, changed));
        patched += grid.patched();
        expectAsFreshRead();
        if (HasFailure()) return;
    }
    if (patches())
        EXPECT_GT(patched, 100);
    else
        EXPECT_EQ(patched, 0);
}

TEST_F(RereadTest, PatchedWordsKeepTheirOrderAndFindForward) {
    for (const char* word : {"apple", "Banana", "cherry"})
        ASSERT_EQ(refusal(WordStore(database).add(1, QString::fromLatin1(word), u"d"_s)),
                  Refusal::None);
    show(WordStore::listing());
    for (const QString& word :
         {u"BAND"_s, u" banana"_s, u"a`b"_s, u"Ωmega"_s, u"ωmega"_s, u"[x"_s, u"aa"_s}) {
        addWord(word);
        EXPECT_EQ(grid.patched(), patches());
        expectAsFreshRead();
    }
    // A new word, and a word whose letter case alone changes.
    begin();
    ASSERT_EQ(refusal(WordStore(database).save(1, {u"BAND"_s, u"d"_s, 1}, u" bandana "_s, u"e"_s)),
              Refusal::None);
    reread(WordStore::changedRows({u"BAND"_s, WordStore::savedWord(u" bandana "_s)}));
    begin();
    ASSERT_EQ(refusal(WordStore(database).save(1, {u"apple"_s, u"d"_s, 1}, u"APPLE"_s, u"d"_s)),
              Refusal::None);
    reread(WordStore::changedRows({u"apple"_s, u"APPLE"_s}));
    EXPECT_EQ(grid.patched(), patches());
    expectAsFreshRead();

    // Found by binary search on the patched rows, from the current row on.
    grid.moveFirst();
    ASSERT_TRUE(grid.findForward(u"dict_name", u"bandA"_s).ok());
    EXPECT_EQ(grid.field(u"dict_name").toString(), u"bandana"_s);
    grid.moveFirst();
    ASSERT_TRUE(grid.findForward(u"dict_name", u"BAN"_s).ok());
    EXPECT_EQ(grid.field(u"dict_name").toString(), u"Banana"_s);
    ASSERT_TRUE(grid.findForward(u"dict_name", u"apple"_s).ok());
    EXPECT_TRUE(grid.eof());
    grid.moveFirst();
    ASSERT_TRUE(grid.findForward(u"dict_name", u"ω"_s).ok());
    EXPECT_EQ(grid.field(u"dict_name").toString(), u"ωmega"_s);
}

// Another program's write comes before, between or after our own: the grid shows our change
// at once, and the other's once the read of every row that follows lands.
TEST_F(RereadTest, AnotherWritersChangeStillAppearsAfterASave) {
    show(WordStore::listing());
    const auto otherWrites = [this](const QString& word) {
        query(Statement("INSERT INTO dictionary_tbl VALUES (2, ").value(word).sql(", 'o')"));
    };
    const auto holds = [this](const QString& word) {
        const Recordset& rows = grid.recordset();
        for (int row = 0; row < rows.rowCount(); ++row)
            if (rows.value(row, rows.columnIndex(u"dict_name")).toString() == word) return true;
        return false;
    };
    // Ours is held before the read of every row ends; after it, the rows are a fresh read's.
    const auto expectRereadAfter = [&](const QString& mine) {
        EXPECT_TRUE(holds(mine));
        EXPECT_EQ(grid.rereading(), patches());
        ASSERT_TRUE(grid.finishReread().ok());
        EXPECT_FALSE(grid.rereading());
        EXPECT_FALSE(grid.patched());
        expectAsFreshRead();
    };
    otherWrites(u"before"_s);
    addWord(u"mine1"_s);
    expectRereadAfter(u"mine1"_s);

    begin();
    otherWrites(u"between"_s);
    ASSERT_EQ(refusal(WordStore(database).add(1, u"mine2"_s, u"d"_s)), Refusal::None);
    reread(WordStore::changedRows({u"mine2"_s}));
    expectRereadAfter(u"mine2"_s);

    begin();
    ASSERT_EQ(refusal(WordStore(database).add(1, u"mine3"_s, u"d"_s)), Refusal::None);
    otherWrites(u"after"_s);
    reread(WordStore::changedRows({u"mine3"_s}));
    expectRereadAfter(u"mine3"_s);
    EXPECT_EQ(grid.rowCount(), 6);

    // With nobody else writing, the next change is patched again.
    addWord(u"mine4"_s);
    EXPECT_EQ(grid.patched(), patches());
    EXPECT_FALSE(grid.rereading());
    expectAsFreshRead();
}

// The read of every row lands through the event loop; the current row moved meanwhile stays on
// its word, and a row another program removed meanwhile gives way to the first.
TEST_F(RereadTest, TheRereadLandsThroughTheEventLoopKeepingTheCurrentWord) {
    VEMORA_SKIP_ON_SERVER("a server re-reads every row at once");
    show(WordStore::listing());
    for (const QString& word : {u"alpha"_s, u"beta"_s, u"gamma"_s}) addWord(word);
    query(Statement("INSERT INTO dictionary_tbl VALUES (2, 'aaa', 'o')"));
    addWord(u"delta"_s);
    ASSERT_TRUE(grid.rereading());
    ASSERT_TRUE(grid.findFromFirst(u"dict_name", u"gam"_s).ok());
    QSignalSpy replaced(&grid, &DataControl::rowsReplaced);
    ASSERT_TRUE(replaced.wait(5000));
    EXPECT_FALSE(grid.rereading());
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(grid.field(u"dict_name").toString(), u"gamma"_s);

    query(Statement("INSERT INTO dictionary_tbl VALUES (2, 'omega', 'o')"));
    query(Statement("DELETE FROM dictionary_tbl WHERE dict_name = 'beta'"));
    addWord(u"epsilon"_s);
    ASSERT_TRUE(grid.findFromFirst(u"dict_name", u"bet"_s).ok());
    ASSERT_EQ(grid.field(u"dict_name").toString(), u"beta"_s);
    ASSERT_TRUE(grid.finishReread().ok());
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(grid.rowCount(), 6);
}

// A write while the rows are read in a worker thread, seen by that read or not: the next
// change reads everything.
TEST_F(RereadTest, AWriteDuringABackgroundReadMeansAFullReadNext) {
    grid.setConnectionString(database.ConnectionString());
    grid.setRecordSource(WordStore::listing());
    grid.startRefresh();
    query(Statement("INSERT INTO dictionary_tbl VALUES (2, 'during', 'o')"));
    ASSERT_TRUE(grid.finishRefresh().ok());
    addWord(u"mine1"_s);
    EXPECT_EQ(grid.rereading(), patches());
    ASSERT_TRUE(grid.finishReread().ok());
    expectAsFreshRead();
    EXPECT_EQ(grid.rowCount(), 2);

    addWord(u"mine2"_s);
    EXPECT_EQ(grid.patched(), patches());
    expectAsFreshRead();
}

// The shared connection replaced between the two calls (a failed open retried) is not the
// writer the grid was told of.
TEST_F(RereadTest, AnotherSharedConnectionMeansAFullRead) {
    show(WordStore::listing());
    begin();
    ASSERT_TRUE(database.open().ok());
    ASSERT_EQ(refusal(WordStore(database).add(1, u"word"_s, u"d"_s)), Refusal::None);
    reread(WordStore::changedRows({u"word"_s}));
    EXPECT_EQ(grid.rereading(), patches());
    ASSERT_TRUE(grid.finishReread().ok());
    EXPECT_FALSE(grid.patched());
    expectAsFreshRead();
}

}  // namespace
}  // namespace vemora::test
