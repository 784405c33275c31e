#include "about/frmAbout.h"
#include "platform/Widgets.h"
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
const QString kViewer = QStringLiteral("/opt/info/viewer");

class AboutTest : public ::testing::Test {
protected:
    AboutTest() : about(new frmAbout(tp.platform)) {
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Vemora"));
        about->show();
    }
    ~AboutTest() override { delete about; }

    void click(const char* button) {
        QTest::mouseClick(about->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    // Clicks System Info. and expects the one message: titled with the program's title, OK
    // only, no icon, the window still open and every key opened closed again.
    void expectUnavailable() {
        tp.prompter.clear();
        click("cmdSysInfo");
        ASSERT_EQ(tp.prompter.count(), 1);
        EXPECT_EQ(tp.prompter.last().text,
                  QStringLiteral("System Information Is Unavailable At This Time"));
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Vemora"));
        EXPECT_EQ(tp.prompter.last().style, vbOKOnly);
        EXPECT_TRUE(about->isVisible());
        EXPECT_EQ(tp.registry.closed, tp.registry.opened.size());
    }

    TestPlatform tp;
    QPointer<frmAbout> about;
};

TEST_F(AboutTest, OkUnloadsTheWindow) {
    click("cmdOk");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

// The program's icon and the status bar's credit; no contact line without a real address.
TEST_F(AboutTest, ShowsTheProgramsIconAndTheStatusBarsCredit) {
    const auto image = [](const QIcon& icon) { return icon.pixmap(QSize(32, 32)).toImage(); };
    EXPECT_FALSE(image(programIcon()).isNull());
    EXPECT_EQ(image(about->windowIcon()), image(programIcon()));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Programmed by Kelvo"));
    for (QLabel* label : about->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QLatin1Char('@'))) << label->text().toStdString();
}

TEST_F(AboutTest, FirstValueStartsTheViewerWithoutReadingTheSecondKey) {
    // Stored with its terminating NUL counted in its length.
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), kViewer + QChar(0));
    tp.registry.setValue(kFolderKey, QStringLiteral("MSINFO"), QStringLiteral("/opt/other"));
    click("cmdSysInfo");
    EXPECT_EQ(tp.shell.programs, QList<QStringList>{{kViewer}});
    EXPECT_EQ(tp.registry.opened, QStringList{kViewerKey});
    EXPECT_EQ(tp.registry.closed, 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(AboutTest, SecondKeyStartsOnlyAViewerFileThatExists) {
    QTemporaryDir folder;
    tp.registry.setValue(kFolderKey, QStringLiteral("MSINFO"), folder.path());
    expectUnavailable();
    EXPECT_TRUE(tp.shell.programs.isEmpty());

    QFile viewer(folder.filePath(QStringLiteral("MSINFO32.EXE")));
    ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
    viewer.close();
    tp.prompter.clear();
    click("cmdSysInfo");
    EXPECT_EQ(tp.prompter.count(), 0);
    EXPECT_EQ(tp.shell.programs, QList<QStringList>{{viewer.fileName()}});
}

TEST_F(AboutTest, EveryFailureEndsInTheOneMessage) {
    expectUnavailable();  // no value at all
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QStringLiteral("1"), 4);
    expectUnavailable();  // not a string
    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), QString(1025, QLatin1Char('x')));
    expectUnavailable();  // longer than the buffer
    EXPECT_TRUE(tp.shell.programs.isEmpty());

    tp.registry.setValue(kViewerKey, QStringLiteral("PATH"), kViewer);
    tp.shell.succeed = false;
    expectUnavailable();  // the program does not start
    EXPECT_EQ(tp.shell.programs.size(), 1);

    tp.platform.registry = nullptr;
    expectUnavailable();
}

}  // namespace
}  // namespace vemora::test
