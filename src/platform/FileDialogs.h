#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace vemora {

struct FileDialogRequest {
    QString title;
    // Pairs of description and pattern separated by "|", e.g. "MDB file(*.mdb)|*.mdb".
    QString filter;
    QString fileName;
};

// The common file dialog. Nothing when the user cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
};

}  // namespace vemora
