#include "tools/frmTools.h"
#include "ToolsFixture.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace vemora::test {
namespace {

class ToolsWindowTest : public ToolsFixture {
protected:
    ToolsWindowTest() : window(new frmTools(platform)) {
        window->show();
        before = bytes(working());
    }
    ~ToolsWindowTest() override { delete window; }

    void compactTo(std::optional<QString> answer) {
        tp.files.answer(std::move(answer));
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdCompact")),
                          Qt::LeftButton);
    }
    QString status() const {
        return window->findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
    }

    QPointer<frmTools> window;
    QByteArray before;
    QTemporaryDir elsewhere;
};

TEST_F(ToolsWindowTest, SavesACopyAndReplacesTheDatabaseWithoutAMessage) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tools"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Save and Compact Utility Program "));
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    compactTo(backup);
    ASSERT_EQ(tp.files.requests().size(), 1);
    EXPECT_EQ(tp.files.requests().first().filter, QStringLiteral("MDB file(*.mdb)|*.mdb"));
    EXPECT_EQ(tp.prompter.count(), 0);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Saved a compacted copy")))
        << status().toStdString();
    EXPECT_EQ(bytes(backup), bytes(working()));
    // Both programs open the replaced database.
    EXPECT_TRUE(module.OpenDatabase());
    EXPECT_TRUE(tp.session.OpenDatabase());
    EXPECT_EQ(tp.prompter.count(), 0);
    module.DbConnection().close();
    tp.session.DbConnection().close();
    tp.session.MyConnection().close();

    // The window stays; the dialog offers the last name chosen.
    compactTo(std::nullopt);
    EXPECT_EQ(tp.files.requests().last().fileName, backup);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ToolsWindowTest, WorkingDatabaseInAnyLetterCaseGivesTheAlert) {
    compactTo(tp.database.directory() + QStringLiteral("/JOURNEY.MDB"));
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("You cannot backup with the original file"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Alert!"));
    EXPECT_EQ(tp.prompter.last().style, vbInformation);
    EXPECT_EQ(bytes(working()), before);
    EXPECT_FALSE(QFile::exists(tp.database.directory() + QStringLiteral("/JOURNEY.MDB")));
}

TEST_F(ToolsWindowTest, CancelledDialogAndRunningOrganizerChangeNothingSilently) {
    compactTo(std::nullopt);
    EXPECT_TRUE(status().startsWith(QStringLiteral("Nothing was changed")));

    // The organizer's session holds the database from its first open on.
    ASSERT_TRUE(tp.session.OpenDatabase());
    tp.session.DbConnection().close();
    tp.session.MyConnection().close();
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    compactTo(backup);
    EXPECT_TRUE(status().contains(QStringLiteral("in use"))) << status().toStdString();
    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_EQ(tp.prompter.count(), 0);
    EXPECT_EQ(bytes(working()), before);
}

TEST_F(ToolsWindowTest, CloseEndsTheProgram) {
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(ended, 1);
}

}  // namespace
}  // namespace vemora::test
