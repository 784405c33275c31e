#include "platform/QtSeams.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace vemora {

namespace {

QString settingsKey(FilePurpose purpose) {
    switch (purpose) {
        case FilePurpose::Media:
            return QStringLiteral("folders/media");
        case FilePurpose::Documents:
            return QStringLiteral("folders/documents");
        case FilePurpose::Backups:
            break;
    }
    return QStringLiteral("folders/backups");
}

QString desktopFolder(FilePurpose purpose) {
    switch (purpose) {
        case FilePurpose::Media:
            return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        case FilePurpose::Documents:
            return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        case FilePurpose::Backups:
            break;
    }
    return QDir::homePath();
}

// "Text (*.txt *.text)" -> "txt"; nothing for "All (*)".
QString firstExtension(const QString& qtFilter) {
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.(\\w+)"));
    return pattern.match(qtFilter).captured(1);
}

// The organizer's own settings file, shared by its programs.
QSettings folderSettings() {
    return QSettings(QStringLiteral("vemora"), QStringLiteral("folders"));
}

std::optional<QString> run(QFileDialog& dialog, const FileDialogRequest& request) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    QSettings settings = folderSettings();
    rememberFolder(request.purpose, chosen, settings);
    if (request.chosenFilter)
        *request.chosenFilter = int(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return chosen;
}

}  // namespace

QString toQtFilter(const QString& filter) {
    // A description may already spell its patterns out, as in "Mp3 files(*.mp3;*.mp4)".
    static const QRegularExpression spelledOut(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        description.remove(spelledOut);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        patterns.replaceInStrings(QRegularExpression(QStringLiteral("^\\*\\.\\*$")),
                                  QStringLiteral("*"));
        out.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

QString startFolder(FilePurpose purpose, const QSettings& settings) {
    for (const QString& folder :
         {settings.value(settingsKey(purpose)).toString(), desktopFolder(purpose)}) {
        if (!folder.isEmpty() && QDir(folder).exists()) return folder;
    }
    return QDir::homePath();
}

void rememberFolder(FilePurpose purpose, const QString& chosen, QSettings& settings) {
    settings.setValue(settingsKey(purpose), QFileInfo(chosen).absolutePath());
}

void prepareDialog(QFileDialog& dialog, const FileDialogRequest& request,
                   const QSettings& settings) {
    dialog.setWindowTitle(request.title);
    const QString filters = toQtFilter(request.filter);
    dialog.setNameFilter(filters);
    const QDir folder(startFolder(request.purpose, settings));
    dialog.setDirectory(folder);
    if (!request.fileName.isEmpty()) dialog.selectFile(folder.filePath(request.fileName));
    dialog.setDefaultSuffix(firstExtension(filters));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(firstExtension(chosen)); });
}

std::optional<QString> QtFileDialogs::openFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepareDialog(dialog, request, folderSettings());
    return run(dialog, request);
}

std::optional<QString> QtFileDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    prepareDialog(dialog, request, folderSettings());
    return run(dialog, request);
}

}  // namespace vemora
