#pragma once

#include <QString>

#include <optional>

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
    // Where the dialog puts the index of the filter chosen, when the caller wants it.
    int* chosenFilter = nullptr;
};

// The common file dialog. Nothing when the user cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
};

}  // namespace vemora
