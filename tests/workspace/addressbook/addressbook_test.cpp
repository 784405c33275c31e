#include "workspace/frmtags/WorkspaceFixture.h"

#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportPreview.h"
#include "support/Contacts.h"
#include "support/ExactText.h"
#include "workspace/addressbook/AddressBookTab.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace vemora;
using namespace vemora::test;
using namespace Qt::StringLiterals;

namespace {

// The nine fields in tab order, and a contact as their texts.
using Contact = QStringList;
const char* const kFields[] = {"txtName",     "txtMidName", "txtLastName", "cmbo_Sex", "txtAddress",
                               "txtPhoneNum", "txtCellNum", "txtFaxNum",   "txtEmail"};
const Contact kCleared{{}, {}, {}, u"M"_s, {}, {}, {}, {}, {}};

class AddressBookTest : public WorkspaceTest {
protected:
    void openWith(const QList<Contact>& contacts) {
        for (const Contact& c : contacts) storeContact(tp, c);
        open();
    }
    QList<Contact> stored() {
        Recordset rows =
            tp.query(Statement("SELECT * FROM addressbook_tbl WHERE user_num = 1 "
                               "ORDER BY name, middle_name"));
        QList<Contact> list;
        for (; !rows.eof(); rows.moveNext()) {
            const QVariantList& row = rows.row(rows.position());
            list.append(Contact());
            for (int i = 1; i < row.size(); ++i) list.last().append(row.at(i).toString());
        }
        return list;
    }
    QLineEdit* box(const char* name) {
        auto* combo = find<QComboBox>(name);
        return combo ? combo->lineEdit() : find<QLineEdit>(name);
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
    void click(const char* button) {
        QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
    }
    QTableView* grid() { return find<QTableView>("dtg_AddressBook"); }
    void chooseRow(int row) {
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Add, Save, Clear, Delete: the letter when enabled, '-' when not.
    QString buttons() {
        QString state;
        for (const char* name : {"cmdAddInfo", "cmdSave", "cmdClear", "cmdDelete"})
            state +=
                find<QAbstractButton>(name)->isEnabled() ? QLatin1Char(name[3]) : QLatin1Char('-');
        return state;
    }
    QString lastTitle() { return tp.prompter.last().title; }
};

}  // namespace

TEST_F(AddressBookTest, GridListsContactsInFirstNameOrderInProportionalColumns) {
    openWith({contact(u"Zoe"_s, u"Q"_s, u"Last"_s), contact(u"adam"_s, u"Q"_s, u"First"_s)});
    QAbstractItemModel* model = grid()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), u"adam"_s);
    EXPECT_EQ(model->index(1, 8).data().toString(), u"a@b.c"_s);
    QStringList headers;
    for (int i = 0; i < model->columnCount(); ++i)
        headers.append(model->headerData(i, Qt::Horizontal).toString());
    EXPECT_EQ(headers.join(u'|'),
              u"First name|Middle name|Last name|Sex|Address|Phone #|Cellular #|Fax #|E-mail"_s);
    // E-mail (2220 twips) against sex (510).
    QHeaderView* header = grid()->horizontalHeader();
    EXPECT_NEAR(double(header->sectionSize(8)) / header->sectionSize(3), 2220.0 / 510, 0.2);
}

TEST_F(AddressBookTest, AddSaysWhyItStoresNothingAndClearsAfterStoring) {
    openWith({contact(u"Ann"_s, u"Marie"_s, u"Lee"_s)});
    Contact blank = contact(u"Cy"_s, u"D"_s, u"E"_s);
    blank[7] = u"   "_s;
    fill(blank);
    click("cmdAddInfo");
    EXPECT_EQ(lastTitle(), u"Incomplete!"_s);

    fill(contact(u"aNN"_s, u" MARIE "_s, u"lee "_s));  // letter case and blanks do not matter
    click("cmdAddInfo");
    EXPECT_EQ(lastTitle(), u"Already Stored!"_s);

    fill(contact(u"O'Neil"_s, u"X"_s, u"Yu"_s));
    click("cmdAddInfo");
    EXPECT_EQ(
        tp.prompter.last().text,
        u"Please do not use ' character, their's a conflict in JET Engine used in this project!"_s);
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(stored().size(), 1);

    // Sex left at "M" counts.
    Contact bob = contact(u" Bob"_s, u"X"_s, u"Yu"_s);
    bob[3] = u"M"_s;
    bob[4] = u"King's Road"_s;
    fill(bob);
    click("cmdAddInfo");
    EXPECT_EQ(tp.prompter.last().text, u"The database has been updated!"_s);
    EXPECT_EQ(lastTitle(), u"Successfuly Added!"_s);
    bob[4] = u"King`s Road"_s;
    EXPECT_EQ(stored().value(0), bob);  // as typed, the apostrophe as a backquote

    EXPECT_EQ(shown(), kCleared);
    EXPECT_TRUE(box("txtSearch")->text().isEmpty());
    EXPECT_EQ(buttons(), u"A-C-"_s);
    EXPECT_EQ(grid()->model()->index(0, 0).data().toString(), u" Bob"_s);
    EXPECT_TRUE(tp.session.DbConnection().isOpen());
}

// Another program's contact shows once the grid's read of every row lands; ours shows at once.
TEST_F(AddressBookTest, AnAddAfterAnotherProgramsWriteShowsBothContacts) {
    openWith({contact(u"Cy"_s, u"D"_s, u"E"_s)});
    storeContact(tp, contact(u"Ann"_s, u"Other"_s, u"Program"_s));
    fill(contact(u"Bob"_s, u"X"_s, u"Yu"_s));
    click("cmdAddInfo");
    const auto firstNames = [this] {
        QStringList names;
        for (int row = 0; row < grid()->model()->rowCount(); ++row)
            names.append(grid()->model()->index(row, 0).data().toString());
        return names;
    };
    EXPECT_TRUE(firstNames().contains(u"Bob"_s));
    QTRY_COMPARE(firstNames(), (QStringList{u"Ann"_s, u"Bob"_s, u"Cy"_s}));
    EXPECT_EQ(grid()->currentIndex().row(), 0);
}

TEST_F(AddressBookTest, SearchMovesTheGridAndSetsTheButtons) {
    openWith({contact(u"Ann"_s, u"Q"_s, u"Lee"_s), contact(u"Bea"_s, u"Q"_s, u"Cruz"_s),
              contact(u"Ben"_s, u"Q"_s, u"Abad"_s)});
    type("txtSearch", u"  be"_s);
    EXPECT_EQ(grid()->currentIndex().row(), 1);
    EXPECT_EQ(buttons(), u"----"_s);
    type("txtSearch", u"bex"_s);
    EXPECT_FALSE(grid()->currentIndex().isValid());
    EXPECT_EQ(buttons(), u"A-C-"_s);
    type("txtSearch", u"b'"_s);  // cannot run: finds nothing
    EXPECT_EQ(buttons(), u"A-C-"_s);
    type("txtSearch", u"   "_s);  // only blanks: the first row
    EXPECT_EQ(grid()->currentIndex().row(), 0);

    // "Last name" picked from the list by keyboard; text typed into the list is no choice.
    auto* field = find<QComboBox>("cmbo_Search");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(find<AddressBookTab>("AddressBookTab")->SearchField(), u"last_name"_s);
    type("cmbo_Search", u"Nothing"_s);
    QTest::keyClick(field, Qt::Key_Enter);
    type("txtSearch", u"ab"_s);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
    box("txtSearch")->clear();
    EXPECT_EQ(buttons(), u"A-C-"_s);
}

TEST_F(AddressBookTest, ChoosingARowLoadsItWhileItsSearchMovesTheGrid) {
    openWith({contact(u"Ann"_s, u"One"_s, u"Lee"_s), contact(u"Ann"_s, u"Two"_s, u"Lee"_s),
              contact(u"Cy"_s, u"Q"_s, u"Dee"_s)});
    const QString chosenMiddle = grid()->model()->index(1, 1).data().toString();
    chooseRow(1);
    EXPECT_EQ(shown().value(1), chosenMiddle);
    EXPECT_EQ(box("txtMidNameMem")->text(), chosenMiddle);
    EXPECT_EQ(box("txtSearch")->text(), u"Ann"_s);
    EXPECT_EQ(grid()->currentIndex().row(), 0);  // the first "Ann"
    EXPECT_EQ(buttons(), u"-S-D"_s);

    // Emptying the search box by hand keeps the loaded fields.
    box("txtSearch")->selectAll();
    QTest::keyClick(box("txtSearch"), Qt::Key_Backspace);
    EXPECT_EQ(buttons(), u"A-C-"_s);
    EXPECT_EQ(shown().value(1), chosenMiddle);

    // Searching the phone numbers: the chosen first name is found nowhere, yet the row loads.
    for (int i = 0; i < 4; ++i) QTest::keyClick(find<QComboBox>("cmbo_Search"), Qt::Key_Down);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Enter);  // the keyboard chooses the current row
    EXPECT_EQ(shown(), contact(u"Cy"_s, u"Q"_s, u"Dee"_s));
    EXPECT_EQ(buttons(), u"ASCD"_s);

    click("cmdClear");
    EXPECT_EQ(shown(), kCleared);
    EXPECT_TRUE(box("txtNameMem")->text().isEmpty());
    EXPECT_EQ(buttons(), u"A-C-"_s);
}

TEST_F(AddressBookTest, SaveRewritesTheRememberedRowUnlessTheNamesAreTaken) {
    openWith({contact(u"Ann"_s, u"Q"_s, u"Lee"_s), contact(u"Bo"_s, u"Q"_s, u"Tan"_s)});
    chooseRow(0);
    const Contact edited{u"Ann "_s, u"Q"_s, u"Lee"_s, u"M"_s,  u"2 Side St"_s,
                         u"1"_s,    u"2"_s, u"3"_s,   u"x@y"_s};
    fill(edited);
    click("cmdSave");
    EXPECT_EQ(lastTitle(), u"Successfuly Added!"_s);
    EXPECT_EQ(stored().value(0), edited);
    EXPECT_EQ(buttons(), u"A-C-"_s);

    // The name of another contact is refused.
    chooseRow(0);
    fill(contact(u"Bo"_s, u"q"_s, u"TAN"_s));
    click("cmdSave");
    EXPECT_EQ(lastTitle(), u"Already Stored!"_s);
    EXPECT_EQ(stored().value(0), edited);
    chooseRow(0);
    type("txtName", u"Al'"_s);
    click("cmdSave");
    EXPECT_EQ(lastTitle(), u"Message Alert!"_s);
}

TEST_F(AddressBookTest, DeleteAsksWithTheVisibleNamesAndRemovesTheRememberedRow) {
    openWith({contact(u" Ann "_s, u"Q"_s, u"Lee"_s),  // blanks around a stored name: still its key
              contact(u"Bo"_s, u"Q"_s, u"Tan"_s)});
    chooseRow(0);
    type("txtName", u"Bo"_s);
    type("txtLastName", u"  Tan "_s);
    tp.prompter.answer(Answer::No);
    click("cmdDelete");
    EXPECT_EQ(tp.prompter.last().text, u"Are you sure you want to delete Bo Tan info?"_s);
    EXPECT_EQ(tp.prompter.last().style, vbQuestion | vbYesNo | vbDefaultButton2);  // Enter: No
    EXPECT_EQ(stored().size(), 2);

    tp.prompter.answer(Answer::Yes);
    click("cmdDelete");
    EXPECT_EQ(tp.prompter.count(), 2);  // no confirmation
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().value(0).value(0), u"Bo"_s);
    EXPECT_EQ(grid()->model()->rowCount(), 1);
    EXPECT_EQ(shown(), kCleared);
}

TEST_F(AddressBookTest, AChangeToAContactRemovedMeanwhileSaysSoAndKeepsTheFields) {
    openWith({contact(u"Ann"_s, u"Q"_s, u"Lee"_s)});
    chooseRow(0);
    tp.query(Statement("DELETE FROM addressbook_tbl"));
    click("cmdSave");
    EXPECT_EQ(lastTitle(), u"Not Found!"_s);
    tp.prompter.answer(Answer::Yes);
    click("cmdDelete");
    EXPECT_EQ(lastTitle(), u"Not Found!"_s);
    EXPECT_EQ(shown(), contact(u"Ann"_s, u"Q"_s, u"Lee"_s));
    EXPECT_EQ(grid()->model()->rowCount(), 0);
}

TEST_F(AddressBookTest, AColumnWithoutValueStopsTheRowChoiceSilently) {
    tp.query(
        Statement("INSERT INTO addressbook_tbl (user_num, name, middle_name, last_name, sex) "
                  "VALUES (1, 'Ann', 'Q', 'Lee', 'F')"));
    open();
    type("txtAddress", u"typed"_s);
    QHeaderView* selectors = grid()->verticalHeader();  // a click on the row selector chooses too
    QTest::mouseClick(selectors->viewport(), Qt::LeftButton, {},
                      QPoint(selectors->width() / 2, selectors->sectionViewportPosition(0) + 4));
    EXPECT_EQ(shown(), (Contact{u"Ann"_s, u"Q"_s, u"Lee"_s, u"F"_s, u"typed"_s, {}, {}, {}, {}}));
    EXPECT_EQ(buttons(), u"----"_s);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(AddressBookTest, PrintSelectsTheContactOfTheTypedNamesAsSaveFindsIt) {
    openWith({contact(u" Ann "_s, u" Q"_s, u"Lee  "_s), contact(u"Bo"_s, u"Q"_s, u"Tan"_s)});
    Report& report = DataEnvironment::instance().DataReportAddressBook();
    click("cmdPrintAddress");  // empty names: the report without a contact
    EXPECT_EQ(report.rows.rowCount(), 0);
    chooseRow(0);
    click("cmdPrintAddress");
    ASSERT_EQ(report.rows.rowCount(), 1);
    EXPECT_EQ(report.rows.text(u"name"), u" Ann "_s);

    // The typed names, blanks and letter case aside, as Save's duplicate check compares them.
    type("txtName", u"bo "_s);
    type("txtLastName", u"TAN"_s);
    click("cmdPrintAddress");
    ASSERT_EQ(report.rows.rowCount(), 1);
    EXPECT_EQ(report.rows.text(u"name"), u"Bo"_s);
    delete report.preview;
}

TEST_F(AddressBookTest, TheSexBoxNeverTakesHalfACharacterAndHalfOnesAreRefused) {
    openWith({contact(u"Ann"_s, u"Q"_s, u"Lee"_s)});
    fill(contact(u"Cy"_s, u"Q"_s, u"Dee"_s));
    box("cmbo_Sex")->clear();
    box("cmbo_Sex")->insert(kEmoji);  // as a paste or an input method enters it
    EXPECT_EQ(box("cmbo_Sex")->text(), QString());
    box("txtAddress")->insert(kEmoji);
    EXPECT_EQ(box("txtAddress")->text(), u"1 Main St"_s + kEmoji);

    // Text set from elsewhere can still hold half of one: refused, naming the field.
    box("cmbo_Sex")->setText(kHalfEmoji);
    click("cmdAddInfo");
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"Sex"_s));
    EXPECT_EQ(lastTitle(), u"Cannot Store!"_s);
    EXPECT_EQ(stored().size(), 1);

    box("cmbo_Sex")->setText(u"F"_s);
    click("cmdAddInfo");
    EXPECT_EQ(lastTitle(), u"Successfuly Added!"_s);
    EXPECT_EQ(stored().value(1).value(4), u"1 Main St"_s + kEmoji);

    chooseRow(1);
    box("txtEmail")->setText(u"x"_s + kHalfEmoji);
    click("cmdSave");
    EXPECT_EQ(tp.prompter.last().text, cannotStore(u"E-mail"_s));
    EXPECT_EQ(stored().value(1).value(8), u"a@b.c"_s);
}
