#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "ReportFixture.h"
#include "reports/DataEnvironment.h"
#include "reports/Layouts.h"
#include "reports/Print.h"
#include "reports/ReportPreview.h"
#include "support/FileSizeLimit.h"

using namespace vemora;
using namespace vemora::test;

namespace {

void trigger(ReportPreview* preview, const char* action) {
    auto* a = preview->findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
}

bool isPdf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// Every name, description and value a screen reader meets walking down from the interface.
QString spokenText(QAccessibleInterface* face) {
    if (!face) return {};
    QString text = face->text(QAccessible::Name) + QLatin1Char('\n') +
                   face->text(QAccessible::Description) + QLatin1Char('\n') +
                   face->text(QAccessible::Value) + QLatin1Char('\n');
    for (int i = 0; i < face->childCount(); ++i) text += spokenText(face->child(i));
    return text;
}

}  // namespace

// The page is a picture; its words reach a screen reader through the window's interface and
// follow the rows shown.
TEST_F(ReportTest, PreviewTellsAssistiveTechnologyThePagesWords) {
    ReportPreview* preview = printDiary(tp.platform, kDay);
    ASSERT_NE(preview, nullptr);
    QCoreApplication::processEvents();
    QString spoken = spokenText(QAccessible::queryAccessibleInterface(preview));
    EXPECT_TRUE(spoken.contains(QStringLiteral("Ann wrote this"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("My Diary"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("Page 1 of 1"))) << spoken.toStdString();

    printDiary(tp.platform, kDay.addDays(1));  // a day without an entry
    QCoreApplication::processEvents();
    spoken = spokenText(QAccessible::queryAccessibleInterface(preview));
    EXPECT_FALSE(spoken.contains(QStringLiteral("Ann wrote this"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("My Diary")));

    // Turning the page turns the words read.
    QList<QVariantList> words;
    for (int i = 0; i < 200; ++i)
        words.append({QStringLiteral("word %1.").arg(i), QStringLiteral("meaning %1.").arg(i)});
    const Recordset rows({QStringLiteral("dict_name"), QStringLiteral("dict_description")}, words);
    Report report{layouts::DataDictionary(), rows, {}};
    ReportPreview several(tp.platform, report);
    several.show();
    several.refresh();
    ASSERT_GT(several.pageCount(), 1);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&several);
    spoken = spokenText(face);
    EXPECT_TRUE(spoken.contains(QStringLiteral("word 0.")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("meaning 0.")));
    EXPECT_FALSE(spoken.contains(QStringLiteral("word 199.")));
    for (int page = 1; page < several.pageCount(); ++page) trigger(&several, "actNextPage");
    spoken = spokenText(face);
    EXPECT_FALSE(spoken.contains(QStringLiteral("word 0.")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("word 199.")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("meaning 199.")));
}

TEST_F(ReportTest, ExportPdfWritesEveryReportToTheChosenFile) {
    QTemporaryDir temp;  // VEMORA_REPORT_DIR keeps the files, to look at
    const QString dir = qEnvironmentVariableIsSet("VEMORA_REPORT_DIR")
                            ? qEnvironmentVariable("VEMORA_REPORT_DIR")
                            : temp.path();
    for (ReportPreview* preview :
         {printDiary(tp.platform, kDay), printPlanner(tp.platform, kDay),
          printDictionary(tp.platform, QStringLiteral("Serendipity"),
                          QStringLiteral("A happy accident")),
          printAddressBook(tp.platform, QStringLiteral("John"), QStringLiteral("Q"),
                           QStringLiteral("Public"))}) {
        const QString path = dir + QLatin1Char('/') + preview->objectName();
        tp.files.answer(path);  // typed without a suffix
        trigger(preview, "actExportPdf");
        EXPECT_TRUE(isPdf(path + QStringLiteral(".pdf"))) << path.toStdString();
    }
    EXPECT_EQ(tp.files.requests().first().fileName, QStringLiteral("Data Diary Report.pdf"));
    EXPECT_EQ(tp.files.requests().first().purpose, FilePurpose::Documents);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, ExportedPdfHoldsTheTextWhereTheLayoutPutsIt) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("diary.pdf"));
    tp.files.answer(path);
    trigger(printDiary(tp.platform, kDay), "actExportPdf");

    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    ASSERT_TRUE(tool.waitForFinished());
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    QHash<QString, QPointF> at;  // top-left corners in points
    for (const auto& m : word.globalMatch(QString::fromUtf8(tool.readAllStandardOutput())))
        at.insert(m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()});

    // One inch margins; the name 432 twips (21.6 pt) under the title; the entry above the footer.
    ASSERT_TRUE(at.contains(QStringLiteral("My")) && at.contains(QStringLiteral("profile.")));
    EXPECT_NEAR(at.value(QStringLiteral("My")).x(), 72, 3);
    EXPECT_NEAR(at.value(QStringLiteral("My")).y(), 72, 4);
    EXPECT_NEAR(at.value(QStringLiteral("profile.")).y(), 72 + 21.6, 4);
    ASSERT_TRUE(at.contains(QStringLiteral("wrote")) && at.contains(QStringLiteral("Powered")));
    EXPECT_GT(at.value(QStringLiteral("Powered")).y(), at.value(QStringLiteral("wrote")).y());
}

TEST_F(ReportTest, ExportPdfCancelledWritesNothingAndAFailedWriteIsReported) {
    QTemporaryDir dir;
    ReportPreview* preview = printDictionary(tp.platform, {}, {});
    trigger(preview, "actExportPdf");  // cancelled
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(tp.prompter.count(), 0);

    tp.files.answer(dir.filePath(QStringLiteral("missing/folder/out.pdf")));
    trigger(preview, "actExportPdf");
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Export PDF"));
}

TEST_F(ReportTest, ExportPdfOnAFullDiskNamesTheCauseAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    ReportPreview* preview = printDictionary(tp.platform, {}, {});
    tp.files.answer(path);
    {
        const FileSizeLimit full(512);
        trigger(preview, "actExportPdf");
    }
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text,
              QStringLiteral("The report could not be written to %1.\r\nFile too large").arg(path));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.pdf")});
}

TEST_F(ReportTest, PrintGoesToThePrinterChosenInThePrintDialog) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("printed.pdf"));
    ReportPreview* preview = printPlanner(tp.platform, kDay);
    bool accept = false;
    preview->setPrinterChooser([&](QPrinter& printer, QWidget*) {
        printer.setOutputFileName(path);
        return accept;
    });
    trigger(preview, "actPrint");
    EXPECT_FALSE(QFile::exists(path));
    accept = true;
    trigger(preview, "actPrint");
    EXPECT_TRUE(isPdf(path));
    EXPECT_EQ(preview->findChild<QLabel*>(QStringLiteral("lblPage"))->text().trimmed(),
              QStringLiteral("Page 1 of 1"));
}

TEST_F(ReportTest, PreviewFitsTheScreenAndEveryCommandHasAnIcon) {
    ReportPreview* preview = printPlanner(tp.platform, kDay);
    const QRect screen = preview->screen()->availableGeometry();
    EXPECT_LE(preview->frameGeometry().width(), screen.width());
    EXPECT_LE(preview->frameGeometry().height(), screen.height());
    EXPECT_TRUE(screen.contains(preview->frameGeometry()));
    for (QAction* action : preview->findChildren<QAction*>()) {
        if (action->isSeparator() || action->objectName().isEmpty()) continue;
        EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
    }
}

// Every command stays on the bar, none behind its overflow button, from wide to narrow.
TEST_F(ReportTest, ANarrowPreviewShowsIconsOnlyAndKeepsCloseInSight) {
    ReportPreview* preview = printPlanner(tp.platform, kDay);
    auto* tools = preview->findChild<QToolBar*>(QStringLiteral("toolBar"));
    auto* closing = preview->findChild<QToolBar*>(QStringLiteral("closeBar"));
    ASSERT_NE(tools, nullptr);
    ASSERT_NE(closing, nullptr);
    for (const int width : {1600, 1024, 800, 560, 1600}) {
        preview->resize(width, 600);
        QApplication::processEvents();  // the bars lay their buttons out again
        for (QToolBar* bar : {tools, closing})
            for (QAction* action : bar->actions()) {
                QWidget* button = bar->widgetForAction(action);
                ASSERT_NE(button, nullptr);
                EXPECT_TRUE(button->isVisible()) << width << action->objectName().toStdString();
                const QRect shown(button->mapTo(preview, QPoint()), button->size());
                EXPECT_TRUE(preview->rect().contains(shown))
                    << width << action->objectName().toStdString();
            }
        if (width == 1600) {
            EXPECT_EQ(tools->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        }
        if (width == 560) {
            EXPECT_EQ(tools->toolButtonStyle(), Qt::ToolButtonIconOnly);
        }
        EXPECT_EQ(closing->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }
}

TEST_F(ReportTest, CloseAndEscapeCloseThePreview) {
    QPointer<ReportPreview> preview = printPlanner(tp.platform, kDay);
    trigger(preview, "actClose");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(preview.isNull());

    preview = printPlanner(tp.platform, kDay);
    QApplication::setActiveWindow(preview);
    QTest::keyClick(preview->view(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(preview.isNull());
}

TEST_F(ReportTest, PreviousAndNextAreOffAtTheFirstAndLastPage) {
    // Enough words for several pages.
    QList<QVariantList> words;
    for (int i = 0; i < 200; ++i)
        words.append({QStringLiteral("word %1").arg(i), QStringLiteral("meaning %1").arg(i)});
    const Recordset rows({QStringLiteral("dict_name"), QStringLiteral("dict_description")}, words);
    Report report{layouts::DataDictionary(), rows, {}};
    ReportPreview preview(tp.platform, report);
    preview.show();
    preview.refresh();
    ASSERT_GT(preview.pageCount(), 2);
    auto* previous = preview.findChild<QAction*>(QStringLiteral("actPreviousPage"));
    auto* next = preview.findChild<QAction*>(QStringLiteral("actNextPage"));
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_TRUE(next->isEnabled());
    next->trigger();
    EXPECT_TRUE(previous->isEnabled());
    EXPECT_TRUE(next->isEnabled());
    for (int page = 2; page < preview.pageCount(); ++page) next->trigger();
    EXPECT_TRUE(previous->isEnabled());
    EXPECT_FALSE(next->isEnabled());
    EXPECT_EQ(preview.findChild<QLabel*>(QStringLiteral("lblPage"))->text().trimmed(),
              QStringLiteral("Page %1 of %1").arg(preview.pageCount()));
}
