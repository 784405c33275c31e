#include "workspace/frmtags/WorkspaceFixture.h"

#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportPreview.h"
#include "workspace/addressbook/AddressBookTab.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace vemora;
using namespace vemora::test;

namespace {

// The nine fields in tab order: name, middle, last, sex, address, phone, cell, fax, e-mail.
using Contact = QStringList;
const char* const kFields[] = {"txtName",    "txtMidName",  "txtLastName", "cmbo_Sex", "txtAddress",
                               "txtPhoneNum", "txtCellNum", "txtFaxNum",   "txtEmail"};

Contact contact(const char* name, const char* middle, const char* last) {
    return {QString::fromLatin1(name), QString::fromLatin1(middle), QString::fromLatin1(last),
            QStringLiteral("F"), QStringLiteral("1 Main St"), QStringLiteral("555-01"),
            QStringLiteral("0917"), QStringLiteral("555-02"), QStringLiteral("a@b.c")};
}

class AddressBookTest : public WorkspaceTest {
protected:
    void store(qint64 user, const Contact& c) {
        Statement insert("INSERT INTO addressbook_tbl VALUES (");
        insert.number(user);
        for (const QString& value : c) insert.sql(", ").text(value);
        tp.query(insert.sql(")"));
    }
    QList<Contact> stored(qint64 user = 1) {
        Recordset rows = tp.query(Statement("SELECT * FROM addressbook_tbl WHERE user_num = ")
                                      .number(user).sql(" ORDER BY name, middle_name"));
        QList<Contact> list;
        for (; !rows.eof(); rows.moveNext()) {
            Contact c;
            for (int i = 1; i < rows.columns().size(); ++i) c.append(rows.row(rows.position()).at(i).toString());
            list.append(c);
        }
        return list;
    }
    QLineEdit* box(const char* name) {
        if (auto* combo = find<QComboBox>(name)) return combo->lineEdit();
        return find<QLineEdit>(name);
    }
    void type(const char* name, const QString& text) {
        box(name)->clear();
        QTest::keyClicks(box(name), text);
    }
    void fill(const Contact& c) {
        for (int i = 0; i < 9; ++i) type(kFields[i], c.at(i));
    }
    Contact shown() {
        Contact c;
        for (const char* name : kFields) c.append(box(name)->text());
        return c;
    }
    void click(const char* button) { QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton); }
    QTableView* grid() { return find<QTableView>("dtg_AddressBook"); }
    void chooseRow(int row) {
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Add, Save, Clear, Delete: the letter when enabled, '-' when not.
    QString buttons() {
        QString state;
        for (const char* name : {"cmdAddInfo", "cmdSave", "cmdClear", "cmdDelete"})
            state += find<QAbstractButton>(name)->isEnabled() ? QLatin1Char(name[3]) : QLatin1Char('-');
        return state;
    }
    QString lastBox() { return tp.prompter.last().title; }
};

}  // namespace

TEST_F(AddressBookTest, GridListsOnlyOwnContactsInFirstNameOrder) {
    store(1, contact("Zoe", "Q", "Last"));
    store(1, contact("adam", "Q", "First"));
    store(tp.addUser(QStringLiteral("bea"), QStringLiteral("pw"), QStringLiteral("Bea")),
          contact("Bob", "Q", "Other"));
    open();
    QAbstractItemModel* model = grid()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("adam"));
    EXPECT_EQ(model->index(1, 8).data().toString(), QStringLiteral("a@b.c"));
    QStringList headers;
    for (int i = 0; i < model->columnCount(); ++i)
        headers.append(model->headerData(i, Qt::Horizontal).toString());
    EXPECT_EQ(headers.join(QLatin1Char('|')),
              QStringLiteral("First name|Middle name|Last name|Sex|Address|Phone #|Cellular #|Fax #|E-mail"));
    // Widths keep the grid's proportions: e-mail (2220) over sex (510).
    QHeaderView* header = grid()->horizontalHeader();
    EXPECT_NEAR(double(header->sectionSize(8)) / header->sectionSize(3), 2220.0 / 510, 0.2);
}

TEST_F(AddressBookTest, AddChecksEveryFieldAndDuplicatesOfTheSameUser) {
    store(1, contact("Ann", "Marie", "Lee"));
    store(tp.addUser(QStringLiteral("bea"), QStringLiteral("pw"), QStringLiteral("Bea")),
          contact("Bob", "X", "Yu"));
    open();
    Contact blank = contact("Cy", "D", "E");
    blank[7] = QStringLiteral("   ");
    fill(blank);
    click("cmdAddInfo");
    EXPECT_EQ(lastBox(), QStringLiteral("Incomplete!"));

    fill(contact("aNN", " MARIE ", "lee "));  // letter case and blanks do not matter
    click("cmdAddInfo");
    EXPECT_EQ(lastBox(), QStringLiteral("Already Stored!"));

    fill(contact("O'Neil", "X", "Yu"));
    click("cmdAddInfo");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Please do not use ' character, their's a conflict in JET Engine used in this project!"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(stored().size(), 1);

    // Another user's contact of the same names does not block; sex left at "M" counts.
    Contact bob = contact(" Bob", "X", "Yu");
    bob[3] = QStringLiteral("M");
    bob[4] = QStringLiteral("King's Road");
    fill(bob);
    click("cmdAddInfo");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("The database has been updated!"));
    EXPECT_EQ(lastBox(), QStringLiteral("Successfuly Added!"));
    bob[4] = QStringLiteral("King`s Road");
    EXPECT_EQ(stored().value(0), bob);  // stored as typed, the apostrophe as a backquote

    // The tab is back at its start, the grid shows the new list.
    EXPECT_EQ(shown(), (Contact{{}, {}, {}, QStringLiteral("M"), {}, {}, {}, {}, {}}));
    EXPECT_TRUE(box("txtSearch")->text().isEmpty());
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
    EXPECT_EQ(grid()->model()->index(0, 0).data().toString(), QStringLiteral(" Bob"));
    EXPECT_TRUE(tp.session.DbConnection().isOpen());
}

TEST_F(AddressBookTest, SearchMovesTheGridAndSetsTheButtons) {
    store(1, contact("Ann", "Q", "Lee"));
    store(1, contact("Bea", "Q", "Cruz"));
    store(1, contact("Ben", "Q", "Abad"));
    open();
    type("txtSearch", QStringLiteral("  be"));
    EXPECT_EQ(grid()->currentIndex().row(), 1);
    EXPECT_EQ(buttons(), QStringLiteral("----"));
    type("txtSearch", QStringLiteral("bex"));
    EXPECT_FALSE(grid()->currentIndex().isValid());
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
    type("txtSearch", QStringLiteral("b'"));  // cannot run: finds nothing
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
    type("txtSearch", QStringLiteral("   "));  // only blanks: the first row
    EXPECT_EQ(grid()->currentIndex().row(), 0);

    // Picking "Last name" from the list by keyboard; typed text is no choice.
    auto* field = find<QComboBox>("cmbo_Search");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(find<AddressBookTab>("AddressBookTab")->SearchField(), QStringLiteral("last_name"));
    type("cmbo_Search", QStringLiteral("Nothing"));
    QTest::keyClick(field, Qt::Key_Enter);
    type("txtSearch", QStringLiteral("ab"));
    EXPECT_EQ(grid()->currentIndex().row(), 2);
    box("txtSearch")->clear();
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
}

TEST_F(AddressBookTest, SearchOverAnEmptyListFindsNothing) {
    open();
    type("txtSearch", QStringLiteral("a"));
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(AddressBookTest, ChoosingARowLoadsItWhileItsSearchMovesTheGrid) {
    store(1, contact("Ann", "One", "Lee"));
    store(1, contact("Ann", "Two", "Lee"));
    store(1, contact("Cy", "Q", "Dee"));
    open();
    const QString chosenMiddle = grid()->model()->index(1, 1).data().toString();
    chooseRow(1);
    EXPECT_EQ(shown().value(1), chosenMiddle);
    EXPECT_EQ(box("txtMidNameMem")->text(), chosenMiddle);
    EXPECT_EQ(box("txtSearch")->text(), QStringLiteral("Ann"));
    EXPECT_EQ(grid()->currentIndex().row(), 0);  // the first "Ann"
    EXPECT_EQ(buttons(), QStringLiteral("-S-D"));

    // Emptying the search box by hand keeps the loaded fields.
    box("txtSearch")->selectAll();
    QTest::keyClick(box("txtSearch"), Qt::Key_Backspace);
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
    EXPECT_EQ(shown().value(1), chosenMiddle);

    // Searching another column: the chosen first name is found nowhere, yet the row loads.
    for (int i = 0; i < 4; ++i)  // to "Phone #"
        QTest::keyClick(find<QComboBox>("cmbo_Search"), Qt::Key_Down);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Enter);  // the keyboard chooses the current row
    EXPECT_EQ(shown(), contact("Cy", "Q", "Dee"));
    EXPECT_EQ(buttons(), QStringLiteral("ASCD"));

    click("cmdClear");
    EXPECT_EQ(shown(), (Contact{{}, {}, {}, QStringLiteral("M"), {}, {}, {}, {}, {}}));
    EXPECT_TRUE(box("txtNameMem")->text().isEmpty());
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));
}

TEST_F(AddressBookTest, SaveRewritesTheRememberedRowUnlessTheNamesAreTaken) {
    store(1, contact("Ann", "Q", "Lee"));
    store(1, contact("Bo", "Q", "Tan"));
    open();
    chooseRow(0);
    Contact edited{QStringLiteral("Ann "), QStringLiteral("Q"), QStringLiteral("Lee"), QStringLiteral("M"),
                   QStringLiteral("2 Side St"), QStringLiteral("1"), QStringLiteral("2"),
                   QStringLiteral("3"), QStringLiteral("x@y.z")};
    fill(edited);
    click("cmdSave");
    EXPECT_EQ(lastBox(), QStringLiteral("Successfuly Added!"));
    EXPECT_EQ(stored().value(0), edited);
    EXPECT_EQ(buttons(), QStringLiteral("A-C-"));

    // A change of letter case only is refused, as is the name of another contact.
    for (const Contact& rename : {contact("ann", "Q", "Lee"), contact("Bo", "q", "TAN")}) {
        chooseRow(0);
        fill(rename);
        click("cmdSave");
        EXPECT_EQ(lastBox(), QStringLiteral("Already Stored!"));
        EXPECT_EQ(stored().value(0), edited);
    }
    chooseRow(0);
    type("txtName", QStringLiteral("Al'"));
    click("cmdSave");
    EXPECT_EQ(lastBox(), QStringLiteral("Message Alert!"));
}

TEST_F(AddressBookTest, DeleteAsksWithTheVisibleNamesAndRemovesTheRememberedRow) {
    store(1, contact("Ann", "Q", "Lee"));
    store(1, contact("Bo", "Q", "Tan"));
    open();
    chooseRow(0);
    type("txtName", QStringLiteral("Bo"));
    type("txtLastName", QStringLiteral("  Tan "));
    tp.prompter.answer(Answer::No);
    click("cmdDelete");
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Are you sure you want to delete Bo Tan info?"));
    EXPECT_EQ(tp.prompter.last().style, vbQuestion | vbYesNo);
    EXPECT_EQ(stored().size(), 2);

    tp.prompter.answer(Answer::Yes);
    click("cmdDelete");
    EXPECT_EQ(tp.prompter.count(), 2);  // no confirmation
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().value(0).value(0), QStringLiteral("Bo"));
    EXPECT_EQ(grid()->model()->rowCount(), 1);
    EXPECT_TRUE(box("txtName")->text().isEmpty());
}

TEST_F(AddressBookTest, AChangeToAContactRemovedMeanwhileSaysSoAndKeepsTheFields) {
    store(1, contact("Ann", "Q", "Lee"));
    open();
    chooseRow(0);
    tp.query(Statement("DELETE FROM addressbook_tbl"));
    click("cmdSave");
    EXPECT_EQ(lastBox(), QStringLiteral("Not Found!"));
    tp.prompter.answer(Answer::Yes);
    click("cmdDelete");
    EXPECT_EQ(lastBox(), QStringLiteral("Not Found!"));
    EXPECT_EQ(shown(), contact("Ann", "Q", "Lee"));
    EXPECT_EQ(grid()->model()->rowCount(), 0);
}

TEST_F(AddressBookTest, AColumnWithoutValueStopsTheRowChoiceSilently) {
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name, sex) "
                       "VALUES (1, 'Ann', 'Q', 'Lee', 'F')"));
    open();
    type("txtAddress", QStringLiteral("typed"));
    QHeaderView* selectors = grid()->verticalHeader();  // a click on the row selector chooses too
    QTest::mouseClick(selectors->viewport(), Qt::LeftButton, {},
                      QPoint(selectors->width() / 2, selectors->sectionViewportPosition(0) + 4));
    EXPECT_EQ(shown(), (Contact{QStringLiteral("Ann"), QStringLiteral("Q"), QStringLiteral("Lee"),
                                QStringLiteral("F"), QStringLiteral("typed"), {}, {}, {}, {}}));
    EXPECT_EQ(buttons(), QStringLiteral("----"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(AddressBookTest, PrintSelectsTheContactOfTheTypedNames) {
    store(1, contact("Ann", "Q", "Lee"));
    open();
    Report& report = DataEnvironment::instance().DataReportAddressBook();
    click("cmdPrintAddress");  // empty names: the report without a contact
    EXPECT_EQ(report.rows.rowCount(), 0);
    chooseRow(0);
    click("cmdPrintAddress");
    EXPECT_EQ(report.rows.rowCount(), 1);
    delete report.preview;
}
