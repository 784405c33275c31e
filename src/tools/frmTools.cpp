#include "tools/frmTools.h"

#include "platform/FileDialogs.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"
#include "ui_frmTools.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QGuiApplication>

namespace vemora {

frmTools::frmTools(ToolsPlatform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmTools>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("applications-utilities")));
    m_ui->cmdCompact->setIcon(themeIcon(QStringLiteral("document-save-as")));
    m_ui->cmdCancel->setIcon(themeIcon(QStringLiteral("window-close")));
    m_ui->lblStatus->setText(
        QStringLiteral("Close Vemora before you compact its database. The working database is "
                       "replaced only by a copy that has been written and checked."));
    m_filter = QStringLiteral("MDB file(*.mdb)|*.mdb");

    connect(m_ui->cmdCompact, &QPushButton::clicked, this, &frmTools::compact);
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

}  // namespace vemora
