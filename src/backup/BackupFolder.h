#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>

namespace vemora {

// A folder of backup copies: each named by the second it was written, and beyond a number kept
// the oldest deleted, of the copies this program wrote only, as the list beside them records.
class BackupFolder final {
public:
    explicit BackupFolder(QDir folder) : m_folder(std::move(folder)) {}

    // journey-yyyyMMdd-HHmmss.mdb for `when`; a copy of the same second is not written over,
    // the next free second names this one.
    QString freeCopyName(QDateTime when = QDateTime::currentDateTime()) const;

    struct Rotation {
        QStringList deleted;   // paths, oldest first
        QStringList problems;  // what could not be deleted or recorded
    };
    // Records `written` (a name in the folder) as the newest copy and deletes the oldest copies
    // beyond `keep`, never the one just written; a keep of 0 deletes nothing.
    Rotation rotate(const QString& written, int keep) const;

private:
    QDir m_folder;
};

}  // namespace vemora
