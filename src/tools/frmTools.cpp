#include "tools/frmTools.h"

#include "data/Plural.h"
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
    setAccessibleRole(this, QAccessible::Window);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("applications-utilities")));
    m_ui->cmdCompact->setIcon(themeIcon(QStringLiteral("document-save-as")));
    m_ui->cmdRestore->setIcon(themeIcon(QStringLiteral("document-open")));
    m_ui->cmdCancel->setIcon(themeIcon(QStringLiteral("window-close")));
    if (const std::optional<ServerAddress> server = m_platform.module.server())
        setStatusText(
            m_ui->lblStatus,
            QStringLiteral("Vemora works on the server %1. Save/Compact writes a copy of its data "
                           "to a journey.mdb file; Restore loads such a file onto the server.")
                .arg(server->shown()));
    else
        setStatusText(
            m_ui->lblStatus,
            QStringLiteral("Close Vemora before you compact its database. The working database "
                           "is replaced only by a copy that has been written and checked."));
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
        setStatusText(m_ui->lblStatus, QStringLiteral("Nothing was changed: no file was chosen."));
        return;
    }
    m_fileName = *chosen;
    if (isWorkingDatabase(*chosen, m_platform.module.workingDatabase())) {
        m_platform.prompter.show(QStringLiteral("You cannot backup with the original file"),
                                 QStringLiteral("Alert!"), vbInformation);
        setStatusText(
            m_ui->lblStatus,
            QStringLiteral("Nothing was changed: choose a file other than the working database."));
        return;
    }
    if (const std::optional<ServerAddress> server = m_platform.module.server()) {
        saveServerCopy(*server, *chosen);
        return;
    }
    setStatusText(m_ui->lblStatus, QStringLiteral("Compacting..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const CompactResult result = Compactor(m_platform.module.ConnectionString()).run(*chosen);
    QGuiApplication::restoreOverrideCursor();
    const QString outcome = describe(result, *chosen);
    setStatusText(m_ui->lblStatus, outcome);
    // A refusal must not pass for a backup: it is said in a box as well.
    if (!result.ok())
        m_platform.prompter.show(outcome, QStringLiteral("Save/Compact"), vbExclamation);
}

void frmTools::saveServerCopy(const ServerAddress& server, const QString& path) {
    setStatusText(m_ui->lblStatus, QStringLiteral("Copying..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<CopyChecks> copied = backupServer(server, path);
    QGuiApplication::restoreOverrideCursor();
    const QString chosen = QDir::toNativeSeparators(path);
    if (copied) {
        setStatusText(
            m_ui->lblStatus,
            QStringLiteral("Saved a copy of the server's database to %1 (%2). Vemora can open it "
                           "as its journey.mdb.")
                .arg(chosen, QLocale().formattedDataSize(QFileInfo(path).size())));
        return;
    }
    const QString text =
        QStringLiteral("No copy was saved to %1 (%2)").arg(chosen, copied.error().description);
    setStatusText(m_ui->lblStatus, text);
    m_platform.prompter.show(text, QStringLiteral("Save/Compact"), vbExclamation);
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
        case CompactFailure::Untrusted:
            text = QStringLiteral("Nothing was changed: the working database cannot be trusted.");
            break;
        case CompactFailure::ProtectedDestination:
            text = QStringLiteral("Nothing was changed and no copy was saved.");
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
        setStatusText(m_ui->lblStatus, QStringLiteral("Nothing was changed: no file was chosen."));
        return;
    }
    m_fileName = *chosen;
    if (const std::optional<ServerAddress> server = m_platform.module.server()) {
        restoreOntoServer(*server, *chosen);
        return;
    }
    Restorer restorer(m_platform.module.ConnectionString());
    RestoreResult refused;
    const std::optional<DatabaseSummary> summary = restorer.examine(*chosen, refused);
    if (!summary) {
        reportRestore(refused, *chosen);
        return;
    }
    if (!confirmRestore(*chosen, *summary,
                        QStringLiteral("Put it in place of the working database? The working "
                                       "database is kept beside it.")))
        return;
    setStatusText(m_ui->lblStatus, QStringLiteral("Restoring..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const RestoreResult result = restorer.run(*chosen);
    QGuiApplication::restoreOverrideCursor();
    reportRestore(result, *chosen);
}

bool frmTools::confirmRestore(const QString& path, const DatabaseSummary& summary,
                              const QString& question) {
    const QString text =
        QStringLiteral("%1 was written on %2 and holds %3, %4, %5, %6 and %7.\r\n\r\n%8")
            .arg(QDir::toNativeSeparators(path),
                 QLocale().toString(summary.written, QLocale::ShortFormat),
                 plural(summary.accounts, "account", "accounts"),
                 plural(summary.contacts, "contact", "contacts"),
                 plural(summary.diaryDays, "diary day", "diary days"),
                 plural(summary.plans, "plan", "plans"), plural(summary.words, "word", "words"),
                 question);
    if (m_platform.prompter.show(text, QStringLiteral("Restore"),
                                 vbYesNo | vbQuestion | vbDefaultButton2) == Answer::Yes)
        return true;
    setStatusText(m_ui->lblStatus,
                  QStringLiteral("Nothing was changed: the restore was not confirmed."));
    return false;
}

void frmTools::restoreOntoServer(const ServerAddress& server, const QString& path) {
    const QString chosen = QDir::toNativeSeparators(path);
    const Result<DatabaseSummary> summary =
        examineDatabase(path, QString::fromLatin1(kDatabasePassword));
    const auto refuse = [&](const QString& detail) {
        const QString text =
            QStringLiteral("Nothing was changed: %1 cannot be restored. (%2)").arg(chosen, detail);
        setStatusText(m_ui->lblStatus, text);
        m_platform.prompter.show(text, QStringLiteral("Restore"), vbExclamation);
    };
    if (!summary) {
        refuse(summary.error().description);
        return;
    }
    if (!confirmRestore(path, summary.value(),
                        QStringLiteral("Put its data in place of everything on the server %1? "
                                       "The server's data is not kept: save a copy first.")
                            .arg(server.shown())))
        return;
    setStatusText(m_ui->lblStatus, QStringLiteral("Restoring..."));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<CopyChecks> restored = restoreFileToServer(path, server);
    QGuiApplication::restoreOverrideCursor();
    if (restored) {
        setStatusText(
            m_ui->lblStatus,
            QStringLiteral("Restored %1 onto the server %2.").arg(chosen, server.shown()));
        return;
    }
    if (restored.error().problem == DbProblem::Busy) {
        const QString text = QStringLiteral(
            "Nothing was changed: Vemora has the database open. Close every Vemora window "
            "and try again.");
        setStatusText(m_ui->lblStatus, text);
        m_platform.prompter.show(text, QStringLiteral("Restore"), vbExclamation);
        return;
    }
    refuse(restored.error().description);
}

void frmTools::reportRestore(const RestoreResult& result, const QString& path) {
    const QString chosen = QDir::toNativeSeparators(path);
    if (result.ok()) {
        QString text = QStringLiteral("Restored %1 in place of the working database.").arg(chosen);
        if (!result.kept.isEmpty())
            text += QStringLiteral(" The previous database was kept as %1.")
                        .arg(QDir::toNativeSeparators(result.kept));
        setStatusText(m_ui->lblStatus, text);
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
        case RestoreFailure::Untrusted:
            text = QStringLiteral("Nothing was changed: the working database cannot be trusted.");
            break;
    }
    if (text.contains(u"%1")) text = text.arg(chosen);
    if (!result.detail.isEmpty()) text += QStringLiteral(" (%1)").arg(result.detail);
    setStatusText(m_ui->lblStatus, text);
    m_platform.prompter.show(text, QStringLiteral("Restore"), vbExclamation);
}

}  // namespace vemora
