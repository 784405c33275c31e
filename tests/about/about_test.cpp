#include "about/frmAbout.h"
#include "support/TestPlatform.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vemora::test {
namespace {

const QString kViewerKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

class AboutTest : public ::testing::Test {
protected:
    AboutTest() : about(new frmAbout(tp.platform)) {
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Vemora"));
        about->show();
    }
    ~AboutTest() override { delete about; }

    void clickSysInfo() {
        QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")),
                          Qt::LeftButton);
    }
    // The one message shown was the "unavailable" box, titled with the program's title,
    // OK only and no icon.
    void expectUnavailable() {
        ASSERT_EQ(tp.prompter.count(), 1);
        EXPECT_EQ(tp.prompter.last().text, kUnavailable);
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Vemora"));
        EXPECT_EQ(tp.prompter.last().style, vbOKOnly);
        EXPECT_TRUE(about->isVisible());
        EXPECT_EQ(tp.registry.closed, tp.registry.opened.size());
    }

    TestPlatform tp;
    QPointer<frmAbout> about;
};

TEST_F(AboutTest, ShowsItsFixedTextsAndVersions) {
    EXPECT_EQ(about->findChild<QPushButton*>(QStringLiteral("cmdOk"))->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(about->findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
              QStringLiteral("System Info."));
    for (const char* name : {"Label1", "Label2", "lblDisclaimer"})
        EXPECT_FALSE(about->findChild<QLabel*>(QLatin1String(name))->text().isEmpty()) << name;
    EXPECT_FALSE(about->findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
    EXPECT_TRUE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))
                    ->text().contains(QString::fromLatin1(qVersion())));
}

TEST_F(AboutTest, OkAndEscapeUnloadTheWindow) {
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdOk")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());

    about = new frmAbout(tp.platform);
    about->show();
    QTest::keyClick(about, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

TEST_F(AboutTest, FirstValueStartsTheViewerWithoutReadingTheSecondKey) {
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QStringLiteral("/opt/info/viewer"));
    tp.registry.setValue(kFolderKey, QStringLiteral("MSINFO"), QStringLiteral("/opt/other"));
    clickSysInfo();
    ASSERT_EQ(tp.shell.programs.size(), 1);
    EXPECT_EQ(tp.shell.programs.first(), QStringList{QStringLiteral("/opt/info/viewer")});
    EXPECT_EQ(tp.registry.opened, QStringList{kViewerKey});
    EXPECT_EQ(tp.registry.closed, 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(AboutTest, StringStoredWithItsNulComesBackWithoutIt) {
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"),
                         QStringLiteral("/opt/info/viewer") + QChar(0));
    clickSysInfo();
    ASSERT_EQ(tp.shell.programs.size(), 1);
    EXPECT_EQ(tp.shell.programs.first().first(), QStringLiteral("/opt/info/viewer"));
}

TEST_F(AboutTest, SecondKeyStartsTheViewerFileInTheFolderItNames) {
    QTemporaryDir folder;
    tp.registry.setValue(kFolderKey, QStringLiteral("MSINFO"), folder.path() + QChar(0));
    clickSysInfo();
    expectUnavailable();
    EXPECT_TRUE(tp.shell.programs.isEmpty());
    EXPECT_EQ(tp.registry.read, QStringList{kFolderKey.toLower() + QStringLiteral("|MSINFO")});

    tp.prompter.clear();
    QFile viewer(folder.filePath(QStringLiteral("MSINFO32.EXE")));
    ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
    viewer.close();
    clickSysInfo();
    EXPECT_EQ(tp.prompter.count(), 0);
    ASSERT_EQ(tp.shell.programs.size(), 1);
    EXPECT_EQ(tp.shell.programs.first().first(), viewer.fileName());
}

TEST_F(AboutTest, EveryFailureEndsInTheOneMessage) {
    // No value at all.
    clickSysInfo();
    expectUnavailable();

    // A value that is not a string names no program.
    tp.prompter.clear();
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QStringLiteral("1"), 4);
    clickSysInfo();
    expectUnavailable();
    EXPECT_TRUE(tp.shell.programs.isEmpty());

    // A value longer than the buffer cannot be read.
    tp.prompter.clear();
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QString(1025, QLatin1Char('x')));
    clickSysInfo();
    expectUnavailable();

    // The program does not start.
    tp.prompter.clear();
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QStringLiteral("/opt/info/viewer"));
    tp.shell.succeed = false;
    clickSysInfo();
    expectUnavailable();
    EXPECT_EQ(tp.shell.programs.size(), 1);
}

TEST_F(AboutTest, WithoutARegistryTheMessageIsShown) {
    tp.platform.registry = nullptr;
    clickSysInfo();
    expectUnavailable();
}

}  // namespace
}  // namespace vemora::test
