#pragma once

#include "backup/Compactor.h"
#include "backup/Restorer.h"
#include "backup/ServerCopy.h"
#include "tools/mod_Tools.h"

#include <QWidget>

#include <memory>

namespace Ui {
class frmTools;
}

namespace vemora {

// Saves a compacted copy of the organizer's database to a chosen file and puts the same copy
// in place of the working database, or puts a checked backup file in its place. Closing it
// ends the program.
class frmTools final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTools)
public:
    explicit frmTools(ToolsPlatform& platform, QWidget* parent = nullptr);
    ~frmTools() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void compact();
    QString describe(const CompactResult& result, const QString& chosen) const;
    // On a server: a journey.mdb written from its data, replacing the chosen file.
    void saveServerCopy(const ServerAddress& server, const QString& path);
    void restore();
    // Asks whether to restore the file that summary describes; a no is said in the status line.
    bool confirmRestore(const QString& path, const DatabaseSummary& summary,
                        const QString& question);
    void restoreOntoServer(const ServerAddress& server, const QString& path);
    // Says the outcome in the status line, and a refusal in a box as well.
    void reportRestore(const RestoreResult& result, const QString& chosen);

    ToolsPlatform& m_platform;
    std::unique_ptr<Ui::frmTools> m_ui;
    QString m_filter;
    QString m_fileName;  // the Save As dialog's current file name
};

}  // namespace vemora
