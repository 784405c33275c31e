#include "data/ConnectionString.h"

#include <QDir>
#include <QFileInfo>

namespace vemora {

QString makeConnectionString(const QString& directory) {
    QString dir = QDir::toNativeSeparators(directory);
    if (!dir.endsWith(QDir::separator())) dir += QDir::separator();
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir +
           QString::fromLatin1(kDatabaseFileName) +
           QStringLiteral(";Jet OLEDB:Database password=") + QString::fromLatin1(kDatabasePassword);
}

QString databaseDirectory(const QString& programDirectory) {
    return databaseDirectory(
        programDirectory,
        qEnvironmentVariable("VEMORA_DATA_DIR", QStringLiteral(VEMORA_SHARED_DATA_DIR)));
}

QString databaseDirectory(const QString& programDirectory, const QString& sharedDirectory) {
    const QString name = QString::fromLatin1(kDatabaseFileName);
    if (sharedDirectory.isEmpty() || QFileInfo::exists(QDir(programDirectory).filePath(name)) ||
        !QFileInfo::exists(QDir(sharedDirectory).filePath(name)))
        return programDirectory;
    return sharedDirectory;
}

ConnectionParts parseConnectionString(const QString& text) {
    ConnectionParts parts;
    for (const QString& pair : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = pair.left(eq).trimmed().toLower();
        const QString value = pair.mid(eq + 1);
        if (key == u"data source")
            parts.dataSource = QDir::fromNativeSeparators(value.trimmed());
        else if (key == u"jet oledb:database password")
            parts.password = value;
    }
    return parts;
}

}  // namespace vemora
