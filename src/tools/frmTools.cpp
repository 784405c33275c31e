#include "tools/frmTools.h"

#include "platform/FileDialogs.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"
#include "ui_frmTools.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

namespace vemora {

frmTools::frmTools(ToolsPlatform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmTools>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("applications-utilities")));
    m_ui->cmdCompact->setIcon(themeIcon(QStringLiteral("document-save-as")));
    m_ui->cmdRestore->setIcon(themeIcon(QStringLiteral("document-open")));
    m_ui->cmdCancel->setIcon(themeIcon(QStringLiteral("window-close")));
    m_ui->lblStatus->setText(
        QStringLiteral("Close Vemora before you compact its database. The working database is "
                       "replaced only by a copy that has been written and checked."));
    m_filter = QStringLiteral("MDB file(*.mdb)|*.mdb");

    connect(m_ui->cmdCompact, &QPushButton::clicked, this, &frmTools::compact);
    connect(m_ui->cmdRestore, &QPushButton::clicked, this, &frmTools::restore);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    enterPressesButtons(this);
    escapeCloses(this);
}

frmTools::~frmTools() = default;

void frmTools::closeEvent(QCloseEvent* event) {
    m_platform.endProgram();
    QWidget::closeEvent(event);
}

void frmTools::compact() {
    const std::optional<QString> chosen = m_platform.files.saveFile(
        this,
        FileDialogRequest{QStringLiteral("Save As"), m_filter, m_fileName, FilePurpose::Backups});
    if (!chosen) {
        m_ui->lblStatus->setText(QStringLiteral("Nothing was changed: no file was chosen."));
        return;
    }
    m_fileName = *chosen;
    if (isWorkingDatabase(*chosen, m_platform.module.workingDatabase())) {
        m_platform.prompter.show(QStringLiteral("You cannot backup with the original file"),
                                 QStringLiteral("Alert!"), vbInformation);
        m_ui->lblStatus->setText(
            QStringLiteral("Nothing was changed: choose a file other than the working database."));
        return;
    }
    m_ui->lblStatus->setText(QStringLiteral("Compacting..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const CompactResult result = Compactor(m_platform.module.ConnectionString()).run(*chosen);
    QGuiApplication::restoreOverrideCursor();
    const QString outcome = describe(result, *chosen);
    m_ui->lblStatus->setText(outcome);
    // A refusal must not pass for a backup: it is said in a box as well.
    if (!result.ok())
        m_platform.prompter.show(outcome, QStringLiteral("Save/Compact"), vbExclamation);
}

QString frmTools::describe(const CompactResult& result, const QString& path) const {
    const QString chosen = QDir::toNativeSeparators(path);
    if (result.ok())
        return QStringLiteral(
                   "Saved a compacted copy to %1 (%2) and put it in place of the working "
                   "database.")
            .arg(chosen, QLocale().formattedDataSize(QFileInfo(path).size()));
    QString text;
    switch (*result.failure) {
        case CompactFailure::SameAsWorking:
            text = QStringLiteral("Nothing was changed: %1 is the working database itself.");
            break;
        case CompactFailure::Companion:
            text = QStringLiteral("Nothing was changed: %1 belongs to the working database.");
            break;
        case CompactFailure::NotAFile:
            text = QStringLiteral("Nothing was changed: %1 is not a file name.");
            break;
        case CompactFailure::FolderReadOnly:
            text = QStringLiteral(
                "Nothing was changed: nothing can be written in the folder of "
                "the working database.");
            break;
        case CompactFailure::InUse:
            text = QStringLiteral(
                "Nothing was changed and no copy was saved: Vemora has the database open. "
                "Close every Vemora window and try again.");
            break;
        case CompactFailure::CannotRead:
            text = QStringLiteral("Nothing was changed: the working database cannot be read.");
            break;
        case CompactFailure::CompactFailed:
            text = QStringLiteral("Nothing was changed: the compacted copy could not be made.");
            break;
        case CompactFailure::CheckFailed:
            text = QStringLiteral("Nothing was changed: the compacted copy failed its check.");
            break;
        case CompactFailure::CannotWriteCopy:
            text = QStringLiteral("Nothing was changed: %1 cannot be written.");
            break;
        case CompactFailure::CannotReplace:
            text = QStringLiteral(
                "The compacted copy was saved to %1, but the working database "
                "could not be replaced and was left as it was.");
            break;
    }
    if (text.contains(u"%1")) text = text.arg(chosen);
    if (!result.detail.isEmpty()) text += QStringLiteral(" (%1)").arg(result.detail);
    return text;
}

void frmTools::restore() {
    const std::optional<QString> chosen = m_platform.files.openFile(
        this,
        FileDialogRequest{QStringLiteral("Restore"), m_filter, m_fileName, FilePurpose::Backups});
    if (!chosen) {
        m_ui->lblStatus->setText(QStringLiteral("Nothing was changed: no file was chosen."));
        return;
    }
    m_fileName = *chosen;
    Restorer restorer(m_platform.module.ConnectionString());
    RestoreResult refused;
    const std::optional<DatabaseSummary> summary = restorer.examine(*chosen, refused);
    if (!summary) {
        reportRestore(refused, *chosen);
        return;
    }
    const QString question =
        QStringLiteral(
            "%1 was written on %2 and holds %3 accounts, %4 contacts, %5 diary days, %6 plans "
            "and %7 words.\r\n\r\nPut it in place of the working database? The working "
            "database is kept beside it.")
            .arg(QDir::toNativeSeparators(*chosen),
                 QLocale().toString(summary->written, QLocale::ShortFormat))
            .arg(summary->accounts)
            .arg(summary->contacts)
            .arg(summary->diaryDays)
            .arg(summary->plans)
            .arg(summary->words);
    if (m_platform.prompter.show(question, QStringLiteral("Restore"), vbYesNo | vbQuestion) !=
        Answer::Yes) {
        m_ui->lblStatus->setText(
            QStringLiteral("Nothing was changed: the restore was not confirmed."));
        return;
    }
    m_ui->lblStatus->setText(QStringLiteral("Restoring..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const RestoreResult result = restorer.run(*chosen);
    QGuiApplication::restoreOverrideCursor();
    reportRestore(result, *chosen);
}

void frmTools::reportRestore(const RestoreResult& result, const QString& path) {
    const QString chosen = QDir::toNativeSeparators(path);
    if (result.ok()) {
        QString text = QStringLiteral("Restored %1 in place of the working database.").arg(chosen);
        if (!result.kept.isEmpty())
            text += QStringLiteral(" The previous database was kept as %1.")
                        .arg(QDir::toNativeSeparators(result.kept));
        m_ui->lblStatus->setText(text);
        return;
    }
    QString text;
    switch (*result.failure) {
        case RestoreFailure::SameAsWorking:
            text = QStringLiteral("Nothing was changed: %1 is the working database itself.");
            break;
        case RestoreFailure::Companion:
            text = QStringLiteral("Nothing was changed: %1 belongs to the working database.");
            break;
        case RestoreFailure::NotAFile:
            text = QStringLiteral("Nothing was changed: %1 is not a file.");
            break;
        case RestoreFailure::Invalid:
            text = QStringLiteral("Nothing was changed: %1 cannot be restored.");
            break;
        case RestoreFailure::FolderReadOnly:
            text = QStringLiteral(
                "Nothing was changed: nothing can be written in the folder of "
                "the working database.");
            break;
        case RestoreFailure::InUse:
            text = QStringLiteral(
                "Nothing was changed: Vemora has the database open. Close every Vemora window "
                "and try again.");
            break;
        case RestoreFailure::CannotRead:
            text = QStringLiteral("Nothing was changed: %1 cannot be read.");
            break;
        case RestoreFailure::CannotKeep:
            text = QStringLiteral(
                "Nothing was changed: the working database could not be kept beside it.");
            break;
        case RestoreFailure::CannotReplace:
            text =
                QStringLiteral("Nothing was changed: the working database could not be replaced.");
            break;
    }
    if (text.contains(u"%1")) text = text.arg(chosen);
    if (!result.detail.isEmpty()) text += QStringLiteral(" (%1)").arg(result.detail);
    m_ui->lblStatus->setText(text);
    m_platform.prompter.show(text, QStringLiteral("Restore"), vbExclamation);
}

}  // namespace vemora
