#include "tools/frmTools.h"
#include "ToolsFixture.h"
#include "platform/Widgets.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace vemora::test {
namespace {

class ToolsWindowTest : public ToolsFixture {
protected:
    void SetUp() override {
        VEMORA_SKIP_ON_SERVER("the tool's compaction and restore of the file");
    }
    ToolsWindowTest() : window(new frmTools(platform)), before(bytes(working())) { window->show(); }
    ~ToolsWindowTest() override { delete window; }

    void click(const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    void compactTo(std::optional<QString> answer) {
        tp.files.answer(std::move(answer));
        click("cmdCompact");
    }
    QString status() const {
        return statusText(window->findChild<QLabel*>(QStringLiteral("lblStatus")));
    }

    QPointer<frmTools> window;
    QByteArray before;
    QTemporaryDir elsewhere;
    QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
};

TEST_F(ToolsWindowTest, SavesACopyThatBothProgramsOpenAndSaysWhereAndHowBig) {
    compactTo(backup);
    EXPECT_EQ(tp.files.requests().first().filter, QStringLiteral("MDB file(*.mdb)|*.mdb"));
    EXPECT_EQ(tp.files.requests().first().purpose, FilePurpose::Backups);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Saved a compacted copy to ") + backup))
        << status().toStdString();
    EXPECT_TRUE(status().contains(QLocale().formattedDataSize(QFileInfo(backup).size())))
        << status().toStdString();
    EXPECT_EQ(bytes(backup), bytes(working()));
    EXPECT_TRUE(module.OpenDatabase());
    EXPECT_TRUE(tp.session.OpenDatabase());
    EXPECT_EQ(tp.prompter.count(), 0);

    // The window stays; the dialog offers the last name chosen. The organizer now runs, and
    // the administrator is told in a box that no copy was made.
    compactTo(backup);
    EXPECT_EQ(tp.files.requests().last().fileName, backup);
    EXPECT_TRUE(status().contains(QStringLiteral("Vemora has the database open")))
        << status().toStdString();
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, status());
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
}

TEST_F(ToolsWindowTest, WorkingDatabaseOrACancelledDialogChangeNothing) {
    compactTo(tp.database.directory() + QStringLiteral("/JOURNEY.MDB"));
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("You cannot backup with the original file"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Alert!"));
    EXPECT_EQ(tp.prompter.last().style, vbInformation);

    compactTo(std::nullopt);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Nothing was changed")));
    EXPECT_EQ(bytes(working()), before);
    EXPECT_EQ(QDir(tp.database.directory()).entryList(QDir::Files),
              QStringList{QStringLiteral("journey.mdb")});
}

TEST_F(ToolsWindowTest, RestoreShowsWhatTheCopyHoldsAndPutsItInPlaceWhenConfirmed) {
    compactTo(backup);
    tp.query(Statement("INSERT INTO diary_tbl VALUES (1, '2001-02-03', 'after the backup')"));
    const QByteArray changed = bytes(working());

    // Declined: the question says what the copy holds; nothing changes.
    tp.files.answer(backup);
    tp.prompter.answer(Answer::No);
    click("cmdRestore");
    EXPECT_EQ(tp.files.requests().last().title, QStringLiteral("Restore"));
    EXPECT_EQ(tp.files.requests().last().purpose, FilePurpose::Backups);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_TRUE(tp.prompter.last().text.startsWith(backup + QStringLiteral(" was written on ")));
    EXPECT_TRUE(tp.prompter.last().text.contains(QStringLiteral(
        " and holds 1 account, 0 contacts, 0 diary days, 0 plans and 0 words.\r\n\r\n")))
        << tp.prompter.last().text.toStdString();
    // Enter keeps the working database.
    EXPECT_EQ(tp.prompter.last().style, vbYesNo | vbQuestion | vbDefaultButton2);
    EXPECT_EQ(status(), QStringLiteral("Nothing was changed: the restore was not confirmed."));
    EXPECT_EQ(bytes(working()), changed);

    tp.files.answer(backup);
    tp.prompter.answer(Answer::Yes);
    click("cmdRestore");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Restored ") + backup +
                                    QStringLiteral(" in place of the working database. The "
                                                   "previous database was kept as ")))
        << status().toStdString();
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 0);
    EXPECT_EQ(tp.prompter.count(), 2);

    // At the window's own size the kept file's name is cut in its middle to fit a line; the
    // tooltip holds the whole line.
    auto* label = window->findChild<QLabel*>(QStringLiteral("lblStatus"));
    window->layout()->activate();
    const QFontMetrics metrics(label->font());
    const int width = label->contentsRect().width();
    const QStringList words = status().split(QLatin1Char(' '));
    ASSERT_GT(metrics.horizontalAdvance(words.last()), width) << "the name must be long";
    for (const QString& word : label->text().split(QLatin1Char(' ')))
        EXPECT_LE(metrics.horizontalAdvance(word), width) << word.toStdString();
    EXPECT_TRUE(label->text().contains(QChar(0x2026)));
    EXPECT_EQ(label->toolTip(), status());
}

TEST_F(ToolsWindowTest, RestoreRefusesABadFileOrARunningOrganizerInABox) {
    QTemporaryDir foreign;
    QFile other(foreign.filePath(QStringLiteral("other.mdb")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(4096, 'x'));
    other.close();
    tp.files.answer(other.fileName());
    click("cmdRestore");
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Nothing was changed: ") + other.fileName() +
                                    QStringLiteral(" cannot be restored. (")))
        << status().toStdString();
    EXPECT_EQ(tp.prompter.last().text, status());
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Restore"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);

    compactTo(backup);
    ASSERT_TRUE(tp.session.OpenDatabase());
    const QByteArray current = bytes(working());
    tp.files.answer(backup);
    tp.prompter.answer(Answer::Yes);
    click("cmdRestore");
    EXPECT_TRUE(status().contains(QStringLiteral("Vemora has the database open")));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(bytes(working()), current);
}

TEST_F(ToolsWindowTest, CloseEndsTheProgram) {
    click("cmdCancel");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(ended, 1);
}

}  // namespace
}  // namespace vemora::test
