#pragma once

// The seams' implementations on Qt's widgets, multimedia and desktop services.
#include "platform/FileDialogs.h"
#include "platform/MediaPlayer.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"
#include "platform/TransferDialogs.h"

class QFileDialog;
class QSettings;

namespace vemora {

// Modal QMessageBox over the active window.
class MessageBoxPrompter final : public Prompter {
public:
    Answer show(const QString& text, const QString& title, int style) override;
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

// A dialog of two dates for the range, a question box, QProgressDialog, QMessageBox.
class QtTransferDialogs final : public TransferDialogs {
public:
    std::optional<DayRange> askRange(QWidget* parent, QDate first, QDate last) override;
    std::optional<bool> askChosenOnly(QWidget* parent, const QString& chosen) override;
    std::optional<QList<int>> askColumns(QWidget* parent, const ColumnQuestion& question) override;
    std::optional<QByteArray> askCharset(
        QWidget* parent, const QList<QByteArray>& charsets,
        const std::function<QString(const QByteArray&)>& preview) override;
    std::unique_ptr<ProgressWindow> progress(QWidget* parent, const QString& label) override;
    void showSummary(QWidget* parent, const QString& text, const QString& title,
                     const QStringList& details) override;
};

class QtShell final : public Shell {
public:
    bool openDocument(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
};

// Qt Multimedia: QMediaPlayer with an audio output (when the system has one) and a video
// widget. Nothing is loaded until the first player is created.
class QtMediaPlayerFactory final : public MediaPlayerFactory {
public:
    std::unique_ptr<MediaPlayer> create(QWidget* screen) override;
};

}  // namespace vemora
