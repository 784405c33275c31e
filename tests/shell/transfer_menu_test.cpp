#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include "ShellFixture.h"
#include "data/Statement.h"
#include "support/Contacts.h"
#include "support/Words.h"
#include "workspace/frmTags.h"

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

}  // namespace
}  // namespace vemora::test
