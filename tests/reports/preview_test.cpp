#include "ReportFixture.h"

#include "reports/Print.h"
#include "reports/ReportPreview.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

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

// The words of a PDF's first page with their top-left corners in points, read by pdftotext.
QHash<QString, QPointF> pdfWords(const QString& path) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                             QStringLiteral("1"), path, QStringLiteral("-")});
    EXPECT_TRUE(tool.waitForFinished());
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    QHash<QString, QPointF> words;
    for (const auto& m : word.globalMatch(QString::fromUtf8(tool.readAllStandardOutput())))
        words.insert(m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()});
    return words;
}

}  // namespace

TEST_F(ReportTest, ExportPdfWritesEveryReportToTheChosenFile) {
    // VEMORA_REPORT_DIR keeps the four files, to look at.
    QTemporaryDir temp;
    const QString dir = qEnvironmentVariableIsSet("VEMORA_REPORT_DIR")
                            ? qEnvironmentVariable("VEMORA_REPORT_DIR") : temp.path();
    const QList<ReportPreview*> previews = {
        printDiary(tp.platform, kDay), printPlanner(tp.platform, kDay),
        printDictionary(tp.platform, QStringLiteral("Serendipity"), QStringLiteral("A happy accident")),
        printAddressBook(tp.platform, QStringLiteral("John"), QStringLiteral("Q"), QStringLiteral("Public"))};
    for (ReportPreview* preview : previews) {
        const QString path = dir + QLatin1Char('/') + preview->objectName();
        tp.files.answer(path);  // no suffix typed
        trigger(preview, "actExportPdf");
        EXPECT_TRUE(isPdf(path + QStringLiteral(".pdf"))) << path.toStdString();
    }
    EXPECT_EQ(tp.files.requests().first().title, QStringLiteral("Export PDF"));
    EXPECT_EQ(tp.files.requests().first().fileName, QStringLiteral("Data Diary Report.pdf"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, ExportedPdfHoldsTheTextWhereTheLayoutPutsIt) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    ReportPreview* preview = printDiary(tp.platform, kDay);
    const QString path = dir.filePath(QStringLiteral("diary.pdf"));
    tp.files.answer(path);
    trigger(preview, "actExportPdf");

    // One inch margins; the name under the title, 432 twips (21.6 pt) down.
    const QHash<QString, QPointF> words = pdfWords(path);
    ASSERT_TRUE(words.contains(QStringLiteral("Diary"))) << words.keys().join(u' ').toStdString();
    ASSERT_TRUE(words.contains(QStringLiteral("profile.")));
    EXPECT_NEAR(words.value(QStringLiteral("My")).y(), 72, 4);
    EXPECT_NEAR(words.value(QStringLiteral("profile.")).y(), 72 + 21.6, 4);
    EXPECT_TRUE(words.contains(QStringLiteral("wrote")));
    EXPECT_TRUE(words.contains(QStringLiteral("Powered")));
    EXPECT_GT(words.value(QStringLiteral("Powered")).y(), words.value(QStringLiteral("wrote")).y());
}

TEST_F(ReportTest, ExportPdfCancelledWritesNothingAndAFailedWriteIsReported) {
    QTemporaryDir dir;
    ReportPreview* preview = printDictionary(tp.platform, {}, {});
    trigger(preview, "actExportPdf");  // cancelled: nothing queued
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(tp.prompter.count(), 0);

    tp.files.answer(dir.filePath(QStringLiteral("missing/folder/out.pdf")));
    trigger(preview, "actExportPdf");
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Export PDF"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
}

TEST_F(ReportTest, PrintGoesToThePrinterChosenInThePrintDialog) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("printed.pdf"));
    ReportPreview* preview = printPlanner(tp.platform, kDay);
    bool accept = false;
    preview->setPrinterChooser([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return accept;
    });
    trigger(preview, "actPrint");
    EXPECT_FALSE(QFile::exists(path));

    accept = true;
    trigger(preview, "actPrint");
    EXPECT_TRUE(isPdf(path));
    EXPECT_EQ(preview->pageCount(), 1);
    EXPECT_EQ(preview->findChild<QLabel*>(QStringLiteral("lblPage"))->text().trimmed(),
              QStringLiteral("Page 1 of 1"));
}
