#include "data/ConnectionString.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace vemora {

QString makeConnectionString(const QString& directory) {
    QString dir = QDir::toNativeSeparators(directory);
    if (!dir.endsWith(QDir::separator())) dir += QDir::separator();
    return makeFileConnectionString(dir + QString::fromLatin1(kDatabaseFileName));
}

QString makeFileConnectionString(const QString& path) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           QDir::toNativeSeparators(path) + QStringLiteral(";Jet OLEDB:Database password=") +
           QString::fromLatin1(kDatabasePassword);
}

QString databaseDirectory(const QString& programDirectory) {
    return databaseDirectory(
        programDirectory,
        qEnvironmentVariable("VEMORA_DATA_DIR", QStringLiteral(VEMORA_SHARED_DATA_DIR)));
}

QString databaseDirectory(const QString& programDirectory, const QString& sharedDirectory) {
    const QString name = QString::fromLatin1(kDatabaseFileName);
    if (sharedDirectory.isEmpty() || QFileInfo::exists(QDir(programDirectory).filePath(name)))
        return programDirectory;
    // Where a system-wide install made the shared folder, the program folder is never used,
    // even while the shared database is missing: nothing is written beside the programs.
    return QFileInfo(sharedDirectory).isDir() ? sharedDirectory : programDirectory;
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

namespace {

QUrl urlOf(const ServerAddress& server) {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(server.user);
    url.setPassword(server.password);
    const bool socket = server.host.startsWith(QLatin1Char('/'));
    url.setHost(socket ? QStringLiteral("localhost") : server.host);
    url.setPort(server.port);
    url.setPath(QLatin1Char('/') + server.database);
    QUrlQuery query;
    if (socket) query.addQueryItem(QStringLiteral("host"), server.host);
    if (server.connectTimeout != ServerAddress::kConnectTimeout)
        query.addQueryItem(QStringLiteral("connect_timeout"),
                           QString::number(server.connectTimeout));
    if (server.statementTimeout != ServerAddress::kStatementTimeout)
        query.addQueryItem(QStringLiteral("statement_timeout"),
                           QString::number(server.statementTimeout));
    if (!query.isEmpty()) url.setQuery(query);
    return url;
}

}  // namespace

QString ServerAddress::url() const {
    return urlOf(*this).toString(QUrl::FullyEncoded);
}

QString ServerAddress::shown() const {
    return urlOf(*this).toString(QUrl::RemovePassword);
}

bool isServerUrl(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Result<ServerAddress> parseServerUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const auto refused = [&](const QString& why) {
        return DbError{kErrGeneral, QStringLiteral("%1 is not a server address: %2.")
                                        .arg(url.toString(QUrl::RemovePassword), why)};
    };
    if (!url.isValid() || (url.scheme() != u"postgresql" && url.scheme() != u"postgres"))
        return refused(QStringLiteral("it must read postgresql://user@host:port/database"));
    ServerAddress server;
    server.host = url.host();
    const QUrlQuery query(url);
    const QString socketFolder = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (!socketFolder.isEmpty()) server.host = socketFolder;
    const auto seconds = [&](const char* name, int& value) {
        const QString text = query.queryItemValue(QLatin1String(name));
        if (text.isEmpty()) return true;
        bool ok = false;
        value = text.toInt(&ok);
        return ok && value > 0 && value <= 86400;
    };
    if (!seconds("connect_timeout", server.connectTimeout))
        return refused(QStringLiteral("connect_timeout must be a number of seconds"));
    if (!seconds("statement_timeout", server.statementTimeout))
        return refused(QStringLiteral("statement_timeout must be a number of seconds"));
    server.port = url.port(5432);
    server.database = url.path(QUrl::FullyDecoded).mid(1);
    server.user = url.userName(QUrl::FullyDecoded);
    server.password = url.password(QUrl::FullyDecoded);
    if (server.host.isEmpty()) return refused(QStringLiteral("it names no host"));
    if (server.database.isEmpty() || server.database.contains(QLatin1Char('/')))
        return refused(QStringLiteral("it names no database"));
    return server;
}

Result<std::optional<ServerAddress>> configuredServer(const QString& programDirectory) {
    const QString path = qEnvironmentVariable(
        "VEMORA_CONF", QDir(programDirectory).filePath(QLatin1String(kConfigFileName)));
    if (!QFileInfo::exists(path)) return std::optional<ServerAddress>();
    const QSettings conf(path, QSettings::IniFormat);
    if (conf.status() != QSettings::NoError)
        return DbError{kErrGeneral,
                       QStringLiteral("%1 cannot be read.").arg(QDir::toNativeSeparators(path))};
    const QString url = conf.value(QStringLiteral("database/url")).toString();
    if (url.isEmpty()) return std::optional<ServerAddress>();
    Result<ServerAddress> server = parseServerUrl(url);
    if (!server) return server.error();
    if (!server.value().password.isEmpty() &&
        (QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther)))
        return DbError{kErrGeneral,
                       QStringLiteral("%1 holds a password and other users can read it; keep the "
                                      "password in ~/.pgpass instead, or make the file readable "
                                      "by its owner only (chmod 600).")
                           .arg(QDir::toNativeSeparators(path))};
    return std::optional<ServerAddress>(server.value());
}

std::optional<QString> passwordOnCommandLine(const ServerAddress& server) {
    if (server.password.isEmpty()) return std::nullopt;
    return QStringLiteral(
        "a password in a URL on the command line can be read by every account (ps); leave it "
        "out and put it in ~/.pgpass (host:port:database:user:password, chmod 600) or in the "
        "file PGPASSFILE names");
}

}  // namespace vemora
