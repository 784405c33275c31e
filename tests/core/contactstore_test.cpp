#include "core/ContactStore.h"
#include "core/RecordKeys.h"
#include "core/StoreFixture.h"
#include "support/Contacts.h"
#include "support/ExactText.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class ContactStoreTest : public StoreTest {
protected:
    void store(const QStringList& texts, qint64 user = 1) { storeContact(files, texts, user); }
    // The user's contacts by first and middle name, each as its nine texts.
    QList<QStringList> stored(qint64 user = 1) {
        Recordset rows = query(Statement("SELECT * FROM addressbook_tbl WHERE user_num = ")
                                   .number(user)
                                   .sql(" ORDER BY name, middle_name"));
        QList<QStringList> list;
        for (; !rows.eof(); rows.moveNext()) {
            list.append(QStringList());
            for (const QLatin1StringView column : kContactColumns)
                list.last().append(rows.text(QString(column)));
        }
        return list;
    }

    ContactStore contacts{database};
};

TEST_F(ContactStoreTest, TheDuplicateCheckFindsNamesThroughAnIndex) {
    VEMORA_SKIP_ON_SERVER("the query plan asked for is SQLite's");
    Statement plan("EXPLAIN QUERY PLAN SELECT * FROM addressbook_tbl");
    Recordset steps = query(whereContact(plan, 1, u" Ann "_s, u"B"_s, u"Cole"_s));
    ASSERT_FALSE(steps.eof());
    EXPECT_TRUE(steps.text(u"detail").contains(u"USING INDEX addressbook_names"_s))
        << steps.text(u"detail").toStdString();
}

TEST_F(ContactStoreTest, AddRefusesABlankFieldBeforeOneThatCannotBeStored) {
    QStringList texts = contact(u"Cy"_s, u"D"_s, u"E"_s);
    texts[3] = kHalfEmoji;
    const Result<Change> unstorable = contacts.add(1, texts);
    EXPECT_EQ(refusal(unstorable), Refusal::Unstorable);
    EXPECT_EQ(unstorable.value().field, 3);
    texts[7] = u"   "_s;  // blanks only
    EXPECT_EQ(refusal(contacts.add(1, texts)), Refusal::Incomplete);
    EXPECT_EQ(count(u"addressbook_tbl"_s), 0);
}

// The lengths are the columns', whoever stores: the window, the importer or another program.
TEST_F(ContactStoreTest, ATextLongerThanItsColumnIsRefusedNamingTheField) {
    QStringList texts = contact(u"Cy"_s, u"D"_s, QString(30, u'e'));
    texts[4] = QString(150, u'a');
    EXPECT_EQ(refusal(contacts.add(1, texts)), Refusal::None);
    texts[2] = QString(31, u'e');
    const Result<Change> longName = contacts.add(1, texts);
    EXPECT_EQ(refusal(longName), Refusal::TooLong);
    EXPECT_EQ(longName.value().field, 2);
    texts[2] = u"E"_s;
    texts[8] = QString(51, u'@');
    const Result<Change> longMail = contacts.save(1, {u"Cy"_s, u"D"_s, QString(30, u'e')}, texts);
    EXPECT_EQ(refusal(longMail), Refusal::TooLong);
    EXPECT_EQ(longMail.value().field, 8);
    EXPECT_EQ(stored().value(0).value(2), QString(30, u'e'));
}

TEST_F(ContactStoreTest, AddFindsTheUsersNamesBlanksAndLetterCaseAsideAndStoresAsTyped) {
    store(contact(u"Ann"_s, u"Marie"_s, u"Lee"_s));
    store(contact(u"Bob"_s, u"X"_s, u"Yu"_s), 2);
    EXPECT_EQ(refusal(contacts.add(1, contact(u"aNN"_s, u" MARIE "_s, u"lee "_s))), Refusal::Taken);
    EXPECT_EQ(refusal(contacts.add(1, contact(u"Ann\t"_s, u"Marie"_s, u"Lee"_s))), Refusal::None);

    // Another user's contact of the same names does not block.
    QStringList bob = contact(u" Bob"_s, u"X"_s, u"Yu"_s);
    bob[4] = u"King's Road"_s;
    EXPECT_EQ(refusal(contacts.add(1, bob)), Refusal::None);
    bob[4] = u"King`s Road"_s;
    EXPECT_EQ(stored().value(0), bob);
    EXPECT_EQ(stored(2).size(), 1);
}

TEST_F(ContactStoreTest, AnApostropheInANameFailsTheCheckAndLeavesNoTransactionOpen) {
    const Result<Change> added = contacts.add(1, contact(u"O'Neil"_s, u"X"_s, u"Yu"_s));
    ASSERT_FALSE(added.ok());
    EXPECT_EQ(added.error().number, kErrSyntax);
    EXPECT_EQ(refusal(contacts.add(1, contact(u"Neil"_s, u"X"_s, u"Yu"_s))), Refusal::None);
    EXPECT_EQ(count(u"addressbook_tbl"_s), 1);  // committed: another connection sees it
}

TEST_F(ContactStoreTest, SaveRefusesTheNamesOfAnotherContactAndAChangeOfLetterCaseOnly) {
    store(contact(u"Ann"_s, u"Q"_s, u"Lee"_s));
    store(contact(u"Bo"_s, u"Q"_s, u"Tan"_s));
    const ContactNames ann{u"Ann"_s, u"Q"_s, u"Lee"_s};
    for (const QStringList& rename :
         {contact(u"ann"_s, u"Q"_s, u"Lee"_s), contact(u"Bo"_s, u"q"_s, u"TAN"_s)})
        EXPECT_EQ(refusal(contacts.save(1, ann, rename)), Refusal::Taken);
    EXPECT_EQ(stored().value(0), contact(u"Ann"_s, u"Q"_s, u"Lee"_s));

    // Blanks around the same names are no rename; the texts are stored as typed.
    const QStringList edited{u"Ann "_s, u"Q"_s, u"Lee"_s, u"M"_s,  u"it's 2"_s,
                             u"1"_s,    u"2"_s, u"3"_s,   u"x@y"_s};
    EXPECT_EQ(refusal(contacts.save(1, ann, edited)), Refusal::None);
    QStringList expected = edited;
    expected[4] = u"it`s 2"_s;
    EXPECT_EQ(stored().value(0), expected);
    EXPECT_EQ(refusal(contacts.save(1, ann, contact(u"Al"_s, u"Q"_s, u"Lee"_s))), Refusal::None);
}

TEST_F(ContactStoreTest, SaveAndRemoveFindTheLoadedNamesOrSayTheContactIsGone) {
    store(contact(u" Ann "_s, u"Q"_s, u"Lee"_s));  // blanks around a stored name: still its key
    store(contact(u"Ann"_s, u"Q"_s, u"Lee"_s), 2);
    const ContactNames loaded{u" Ann "_s, u"Q"_s, u"Lee"_s};
    EXPECT_EQ(refusal(contacts.remove(1, {u"ANN"_s, u"q "_s, u"Lee"_s})), Refusal::None);
    EXPECT_EQ(count(u"addressbook_tbl"_s), 1);  // the other user's contact stays
    EXPECT_EQ(refusal(contacts.remove(1, loaded)), Refusal::Gone);
    EXPECT_EQ(refusal(contacts.save(1, loaded, contact(u"Ann"_s, u"Q"_s, u"Lee"_s))),
              Refusal::Gone);
    EXPECT_EQ(count(u"addressbook_tbl"_s), 1);
}

TEST_F(ContactStoreTest, AChangeOnAClosedConnectionIsAnErrorAndChangesNothing) {
    database.DbConnection().close();
    EXPECT_FALSE(contacts.add(1, contact(u"Ann"_s, u"Q"_s, u"Lee"_s)).ok());
    ContactAdder adder(database);
    EXPECT_FALSE(adder.add(1, contact(u"Ann"_s, u"Q"_s, u"Lee"_s)).ok());
    EXPECT_EQ(count(u"addressbook_tbl"_s), 0);
}

TEST_F(ContactStoreTest, TheAdderAddsByTheRulesOfAdd) {
    store(contact(u" Ann "_s, u"Q"_s, u"Lee"_s));
    store(contact(u"Bo"_s, u"Q"_s, u"Lee"_s), 2);
    ContactAdder adder(database);
    EXPECT_EQ(refusal(adder.add(1, contact(u"ANN"_s, u" q"_s, u"lee "_s))), Refusal::Taken);
    EXPECT_EQ(refusal(adder.add(1, contact(u"Bo"_s, u"Q"_s, u"Lee"_s))), Refusal::None);
    EXPECT_EQ(refusal(adder.add(1, contact(u"Bo"_s, u"Q"_s, u"LEE"_s))), Refusal::Taken);
    EXPECT_EQ(refusal(adder.add(1, contact(u"Cy"_s, u" "_s, u"Lee"_s))), Refusal::Incomplete);
    QStringList lone = contact(u"Di"_s, u"Q"_s, u"Lee"_s);
    lone[8] = QString(QChar(0xd800));
    EXPECT_EQ(adder.add(1, lone).value().field, 8);
    // Apostrophes are stored as backquotes, and so the names are compared.
    QStringList oHara = contact(u"Dee"_s, u"Q"_s, u"O'Hara"_s);
    oHara[4] = u"it's"_s;
    EXPECT_EQ(refusal(adder.add(1, oHara)), Refusal::None);
    EXPECT_EQ(refusal(adder.add(1, contact(u"Dee"_s, u"Q"_s, u"O`Hara"_s))), Refusal::Taken);
    const QList<QStringList> rows = stored();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(1), contact(u"Bo"_s, u"Q"_s, u"Lee"_s));
    EXPECT_EQ(rows.at(2).at(2), u"O`Hara"_s);
    EXPECT_EQ(rows.at(2).at(4), u"it`s"_s);
}

// Contacts of equal first names, letter case aside, list in the order they were added, and a
// save keeps a contact's place among them.
TEST_F(ContactStoreTest, EqualFirstNamesListInTheOrderAddedThroughSaves) {
    for (const QString& last : {u"Zed"_s, u"Abe"_s, u"Mid"_s})
        ASSERT_EQ(
            refusal(contacts.add(1, contact(last == u"Abe"_s ? u"ann"_s : u"Ann"_s, u"m"_s, last))),
            Refusal::None);
    ASSERT_EQ(refusal(contacts.add(1, contact(u"Bo"_s, u"m"_s, u"A"_s))), Refusal::None);
    ASSERT_EQ(refusal(contacts.add(1, contact(u"Al"_s, u"m"_s, u"A"_s))), Refusal::None);
    QStringList address = contact(u"Ann"_s, u"m"_s, u"Zed"_s);
    address[4] = u"9 New Rd"_s;
    ASSERT_EQ(refusal(contacts.save(1, {u"Ann"_s, u"m"_s, u"Zed"_s}, address)), Refusal::None);

    Recordset listed = query(ContactStore::listing(1));
    QStringList order;
    for (; !listed.eof(); listed.moveNext())
        order.append(listed.text(u"name") + u' ' + listed.text(u"last_name"));
    EXPECT_EQ(order, (QStringList{u"Al A"_s, u"Ann Zed"_s, u"ann Abe"_s, u"Ann Mid"_s, u"Bo A"_s}));
    EXPECT_EQ(listed.columns().size(), 10) << "only the table's ten columns";
}

}  // namespace
}  // namespace vemora::test
