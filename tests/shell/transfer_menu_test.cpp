#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <QComboBox>
#include <QStringEncoder>
#include <QTableWidget>

#include "ShellFixture.h"
#include "data/Statement.h"
#include "platform/ColumnsDialog.h"
#include "support/Contacts.h"
#include "support/Words.h"
#include "workspace/frmTags.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

// Import... and Export... of the File menu, answered through the scripted seams.
class TransferMenu : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
        ASSERT_NE(main, nullptr);
    }

    frmTags* workspace() {
        const QList<QMdiSubWindow*> children = child<QMdiArea>(main, "mdiArea")->subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<frmTags*>(children.first()->widget());
    }
    void showTab(int index) { workspace()->tabMenu()->setCurrentIndex(index); }
    int gridRows(const char* grid) {
        return child<QTableView>(workspace(), grid)->model()->rowCount();
    }
    QString file(const char* name) { return folder.filePath(QString::fromLatin1(name)); }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void put(const QString& path, const QByteArray& content) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    bool usable() {
        const bool import = child<QAction>(main, "mnuImport")->isEnabled();
        EXPECT_EQ(child<QAction>(main, "mnuExport")->isEnabled(), import);
        return import;
    }
    QString lastSummary() {
        return env.transfer.summaries.isEmpty() ? QString() : env.transfer.summaries.last().text;
    }

    frmMain* main = nullptr;
    QTemporaryDir folder;
};

TEST_F(TransferMenu, TheCommandsEndTheFileMenuAndNeedTheWorkspace) {
    const QList<QAction*> items = child<QMenu>(main, "mnu_file")->actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items.at(items.size() - 2)->objectName(), QStringLiteral("mnuImport"));
    EXPECT_EQ(items.at(items.size() - 2)->text(), QStringLiteral("Import..."));
    EXPECT_EQ(items.last()->text(), QStringLiteral("Export..."));
    EXPECT_TRUE(items.at(items.size() - 3)->isSeparator());
    EXPECT_TRUE(usable());

    child<QMdiArea>(main, "mdiArea")->subWindowList().first()->close();
    discardClosedWindows();
    EXPECT_FALSE(usable());
    trigger(main, "mnuMain");
    EXPECT_TRUE(usable());

    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    discardClosedWindows();
    EXPECT_FALSE(usable());
}

TEST_F(TransferMenu, TheAddressBookGoesOutAndComesBackIntoTheGrid) {
    storeContact(env, contact(QStringLiteral("Ann"), QStringLiteral("B"), QStringLiteral("Lee")));
    storeContact(env, contact(QStringLiteral("Cy"), QStringLiteral("D"), QStringLiteral("Doe")));
    const QString csv = file("book.csv");
    env.files.answer(csv, 2);
    trigger(main, "mnuExport");
    ASSERT_EQ(env.files.requests().size(), 1);
    EXPECT_EQ(
        env.files.requests().first().filter,
        QStringLiteral("vCard 4.0 (*.vcf)|*.vcf|vCard 3.0 (*.vcf)|*.vcf|CSV file (*.csv)|*.csv|"));
    EXPECT_TRUE(env.transfer.chosenContacts.isEmpty());  // none was loaded
    EXPECT_EQ(lastSummary(), QStringLiteral("2 contacts exported to %1").arg(csv));
    EXPECT_TRUE(bytes(csv).startsWith("First name,Middle name,Last name,Sex,"));

    env.query(Statement("DELETE FROM addressbook_tbl"));
    env.files.answer(csv);
    trigger(main, "mnuImport");
    EXPECT_EQ(lastSummary(), QStringLiteral("2 added, 0 already present, 0 refused"));
    EXPECT_EQ(gridRows("dtg_AddressBook"), 2);

    // With a contact loaded, the user may export that one alone.
    QTableView* grid = child<QTableView>(workspace(), "dtg_AddressBook");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 0)).center());
    const QString card = file("one.vcf");
    env.transfer.chosenOnly = true;
    env.files.answer(card, 1);
    trigger(main, "mnuExport");
    EXPECT_EQ(env.transfer.chosenContacts, QStringList{QStringLiteral("Cy D Doe")});
    EXPECT_TRUE(bytes(card).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    EXPECT_FALSE(bytes(card).contains("Ann"));
}

TEST_F(TransferMenu, TheDiaryOffersTheRangeOfTheUsersEntries) {
    env.query(
        Statement("INSERT INTO diary_tbl VALUES (1, '2001-02-03', 'first'), "
                  "(1, '2001-05-06', 'last'), (1, '2001-03-04', 'middle')"));
    trigger(main, "mnuDiary");
    trigger(main, "mnuExport");  // the range is cancelled: no file is asked for
    ASSERT_EQ(env.transfer.offeredRanges.size(), 1);
    EXPECT_EQ(env.transfer.offeredRanges.first().from, QDate(2001, 2, 3));
    EXPECT_EQ(env.transfer.offeredRanges.first().to, QDate(2001, 5, 6));
    EXPECT_TRUE(env.files.requests().isEmpty());

    const QString ics = file("diary.ics");
    env.files.answer(ics);
    env.transfer.range = DayRange{{2001, 3, 1}, {2001, 12, 31}};
    trigger(main, "mnuExport");
    EXPECT_EQ(lastSummary(), QStringLiteral("2 diary days exported to %1").arg(ics));
    const QByteArray written = bytes(ics);
    EXPECT_TRUE(written.contains("middle") && written.contains("last"));
    EXPECT_FALSE(written.contains("first"));
}

TEST_F(TransferMenu, ACancelledImportSaysSoAndListsWhatWasRefused) {
    trigger(main, "mnuDictionary");
    const int before = gridRows("DataGridDic");
    const QString csv = file("words.csv");
    put(csv, "Word,Description\nalpha,a\nbeta,\ngamma,g\ndelta,d\n");
    env.files.answer(csv);
    env.transfer.cancelAfter = 3;
    trigger(main, "mnuImport");
    ASSERT_EQ(env.transfer.summaries.size(), 1);
    const auto& summary = env.transfer.summaries.first();
    EXPECT_EQ(summary.title, QStringLiteral("Import"));
    EXPECT_EQ(summary.text, QStringLiteral("2 added, 0 already present, 1 refused. The import was "
                                           "cancelled; the rest of the file was not imported."));
    EXPECT_EQ(summary.details, QStringList{QStringLiteral("beta: the description is empty")});
    EXPECT_EQ(gridRows("DataGridDic"), before + 2);
    EXPECT_EQ(env.files.requests().first().filter,
              QStringLiteral("CSV file (*.csv)|*.csv|All files (*.*)|*.*|"));
}

TEST_F(TransferMenu, AFileThatCannotBeUsedChangesNothing) {
    const QString text = file("notes.txt");
    put(text, "just notes\n");
    env.files.answer(text);
    trigger(main, "mnuImport");
    EXPECT_TRUE(lastSummary().startsWith(QStringLiteral("The CSV file has neither the columns")));
    EXPECT_EQ(env.count(QStringLiteral("addressbook_tbl")), 0);

    env.files.answer(file("missing.vcf"));
    trigger(main, "mnuImport");
    ASSERT_FALSE(env.prompter.shown().isEmpty());
    EXPECT_TRUE(
        env.prompter.shown().last().text.startsWith(QStringLiteral("The file could not be read.")));
}

TEST_F(TransferMenu, AnUnknownHeaderIsMappedByTheUserAndAGuessedCharsetIsAsked) {
    const QString csv = file("people.csv");
    put(csv, QStringEncoder("Windows-1252")(u"Wer;Wo;Handy\nJürgen;Köln;0170\n"_s));
    env.files.answer(csv);
    env.transfer.charset = "Windows-1252";
    env.transfer.columns = QList<int>{0, 4, 6};
    trigger(main, "mnuImport");
    EXPECT_EQ(env.transfer.charsetPreviews, QStringList{u"Wer;Wo;Handy\nJürgen;Köln;0170\n"_s});
    ASSERT_EQ(env.transfer.columnQuestions.size(), 1);
    const ColumnQuestion& question = env.transfer.columnQuestions.first();
    EXPECT_EQ(question.columns, (QStringList{u"Wer"_s, u"Wo"_s, u"Handy"_s}));
    EXPECT_EQ(question.firstRows, (QList<QStringList>{{u"Jürgen"_s, u"Köln"_s, u"0170"_s}}));
    EXPECT_EQ(question.fields.first(), u"First name"_s);
    EXPECT_EQ(question.chosen, (QList<int>{-1, -1, -1}));
    EXPECT_EQ(question.preview({-1, 2, 4}),
              (QList<QStringList>{
                  {u""_s, u""_s, u"Köln"_s, u""_s, u"0170"_s, u""_s, u""_s, u""_s, u""_s}}));
    EXPECT_EQ(lastSummary(), u"1 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(gridRows("dtg_AddressBook"), 1);
    EXPECT_EQ(env.count(u"addressbook_tbl WHERE name = 'Jürgen' AND address = 'Köln' AND "
                        u"cel_num = '0170'"_s),
              1);

    // Another character set turns the file into UTF-8 before it is read.
    put(csv, QStringEncoder("Shift_JIS")(u"First Name,Last Name\n太郎,山田\n"_s));
    env.transfer.charset = "Shift_JIS";
    env.files.answer(csv);
    trigger(main, "mnuImport");
    EXPECT_EQ(lastSummary(), u"1 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(env.count(u"addressbook_tbl WHERE name = '太郎' AND last_name = '山田'"_s), 1);

    // Cancelling either question imports nothing; cancelling the columns says why.
    const qsizetype shown = env.transfer.summaries.size();
    put(csv, "Wer\nK\xf6ln\n");
    env.transfer.charset.clear();
    env.files.answer(csv);
    trigger(main, "mnuImport");
    EXPECT_EQ(env.transfer.summaries.size(), shown);
    env.transfer.charset = "Windows-1252";
    env.transfer.columns.reset();
    env.files.answer(csv);
    trigger(main, "mnuImport");
    EXPECT_TRUE(lastSummary().startsWith(u"The CSV file has neither the columns"_s));
    EXPECT_EQ(env.count(u"addressbook_tbl"_s), 2);
}

TEST(ColumnsDialog, EachColumnShowsItsFirstValuesAndTheChoiceShowsTheContacts) {
    ColumnQuestion question{{u"Wer"_s, u"Handy"_s},
                            {{u"Bo"_s, u"0170"_s}, {u"Cy"_s, u""_s}},
                            {u"First name"_s, u"Cellular #"_s},
                            {0, -1},
                            [](const QList<int>& fields) {
                                QList<QStringList> contacts;
                                for (const QString& name : {u"Bo"_s, u"Cy"_s})
                                    contacts.append({fields.value(0) == 0 ? name : QString(),
                                                     fields.value(1) == 1 ? u"n"_s : QString()});
                                return contacts;
                            }};
    ColumnsDialog dialog(question, nullptr);
    const auto* columns = dialog.findChild<QTableWidget*>(u"tblColumns"_s);
    const auto* preview = dialog.findChild<QTableWidget*>(u"tblPreview"_s);
    ASSERT_TRUE(columns && preview);
    EXPECT_EQ(columns->item(0, 1)->text(), u"Bo; Cy"_s);
    EXPECT_EQ(columns->item(1, 1)->text(), u"0170"_s);
    EXPECT_EQ(dialog.chosen(), (QList<int>{0, -1}));
    EXPECT_EQ(preview->item(1, 0)->text(), u"Cy"_s);
    EXPECT_EQ(preview->item(1, 1)->text(), u""_s);
    auto* choice = qobject_cast<QComboBox*>(columns->cellWidget(1, 2));
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->itemText(0), u"not imported"_s);
    choice->setCurrentIndex(choice->findData(1));
    EXPECT_EQ(dialog.chosen(), (QList<int>{0, 1}));
    EXPECT_EQ(preview->item(1, 1)->text(), u"n"_s);
}

}  // namespace
}  // namespace vemora::test
