#pragma once

#include <QString>

#include <optional>

class QFileDialog;
class QSettings;
class QWidget;

namespace vemora {

// What a file is for: it picks the folder a dialog starts in, and the one it remembers.
enum class FilePurpose { Media, Documents, Backups };

struct FileDialogRequest {
    QString title;
    // Pairs of description and pattern separated by "|", e.g. "MDB file(*.mdb)|*.mdb".
    QString filter;
    QString fileName;
    FilePurpose purpose = FilePurpose::Documents;
};

// The common file dialog. Nothing when the user cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
};

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
};

// "Text(*.txt)|*.txt|All|*.*" -> "Text (*.txt);;All (*)"
QString toQtFilter(const QString& filter);

// The folder last used for that purpose, else the desktop's folder that fits it (Music,
// Documents, the home folder), else the home folder.
QString startFolder(FilePurpose purpose, const QSettings& settings);
// Remembers the folder of a chosen file for the next dialog of the same purpose.
void rememberFolder(FilePurpose purpose, const QString& chosen, QSettings& settings);
// Title, filters, start folder, file name, and the extension added to a name typed without
// one (the first pattern of the chosen filter).
void prepareDialog(QFileDialog& dialog, const FileDialogRequest& request,
                   const QSettings& settings);

}  // namespace vemora
