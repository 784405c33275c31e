#include "backup/BackupFolder.h"

#include "data/SafeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>

namespace vemora {

QString BackupFolder::freeCopyName(QDateTime when) const {
    QString name;
    do {
        name = m_folder.filePath(when.toString(QStringLiteral("'journey-'yyyyMMdd-HHmmss'.mdb'")));
        when = when.addSecs(1);
    } while (QFileInfo::exists(name) || QFileInfo(name).isSymLink());
    return name;
}

BackupFolder::Rotation BackupFolder::rotate(const QString& written, int keep) const {
    const QString manifest = m_folder.filePath(QStringLiteral(".journey-backups"));
    static const QRegularExpression copyName(QStringLiteral("^journey-\\d{8}-\\d{6}\\.mdb$"));
    QStringList copies;
    {
        QString problem;
        const FileDescriptor fd = openChecked(manifest, O_RDONLY, problem);
        QFile file;
        if (fd.isValid() && file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (const QString name = QString::fromUtf8(line); copyName.match(name).hasMatch())
                    copies.append(name);
    }
    copies.removeAll(written);
    copies.append(written);
    Rotation rotation;
    while (keep > 0 && copies.size() > keep) {
        const QString oldest = m_folder.filePath(copies.first());
        QString problem;
        // Only a copy that is still a file of its own: never through a link planted there.
        if (const FileDescriptor own = openChecked(oldest, O_RDONLY, problem); own.isValid()) {
            if (!QFile::remove(oldest)) {
                rotation.problems.append(
                    QStringLiteral("%1 cannot be deleted").arg(QDir::toNativeSeparators(oldest)));
                break;
            }
            rotation.deleted.append(oldest);
        }
        copies.removeFirst();
    }
    const QByteArray list = copies.join(QLatin1Char('\n')).toUtf8() + '\n';
    if (const auto problem = replaceSafely(manifest, list, privateFileMode()))
        rotation.problems.append(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(manifest), *problem));
    return rotation;
}

}  // namespace vemora
