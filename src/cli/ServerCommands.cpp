#include "cli/ServerCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <iostream>

#include "backup/ServerCopy.h"
#include "cli/Console.h"
#include "core/Accounts.h"
#include "core/Database.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"

namespace vemora {

namespace {

int failed(const QString& prefix, const DbError& error) {
    return fail(exitFor(error.problem), prefix + error.description);
}

}  // namespace

std::optional<ServerAddress> chosenServer(const QCommandLineParser& options, int& code) {
    code = kSuccess;
    const QString database = options.value(QStringLiteral("database"));
    if (!options.isSet(QStringLiteral("database"))) {
        const Result<std::optional<ServerAddress>> configured =
            configuredServer(QCoreApplication::applicationDirPath());
        if (configured) return configured.value();
        code = fail(kUsage, configured.error().description);
        return std::nullopt;
    }
    // A URL that is not quite right is explained, not taken for a file name.
    if (!database.startsWith(QLatin1String("postgresql:")) &&
        !database.startsWith(QLatin1String("postgres:")))
        return std::nullopt;
    const Result<ServerAddress> server = parseServerUrl(database);
    if (!server) {
        code = fail(kUsage, server.error().description);
        return std::nullopt;
    }
    if ((code = refusePasswordInUrl(server.value())) != kSuccess) return std::nullopt;
    return server.value();
}

void printCheck(const QString& name, const DatabaseSummary& summary) {
    std::cout << name.toStdString() << ": sound\n"
              << "schema version " << summary.version << "\n";
    for (qsizetype i = 0; i < qsizetype(schemaTables().size()); ++i)
        std::cout << schemaTables()[size_t(i)].name.data() << ' ' << summary.rows(i) << '\n';
    std::cout << std::flush;
}

int checkServer(const ServerAddress& server) {
    const Result<DatabaseSummary> summary = examineServer(server);
    if (!summary) return failed({}, summary.error());
    printCheck(server.shown(), summary.value());
    return kSuccess;
}

int logInToServer(const ServerAddress& server, const QString& user, const QString& password) {
    Database database(Database::Named{server.url()}, Database::Lock::None);
    if (const Status opened = database.open(); !opened) return failed({}, opened.error());
    return refuseUnlessAdministrator(AccountStore(database).find(user, password));
}

int writeServerBackup(const ServerAddress& server, const QString& target) {
    const QFileInfo destination(target);
    if (destination.fileName().isEmpty() || destination.isDir())
        return fail(kInvalidFile, QStringLiteral("the destination is not a file name"));
    if (const Result<CopyChecks> copied = backupServer(server, target); !copied)
        return failed({}, copied.error());
    return kSuccess;
}

std::optional<DatabaseSummary> examineForServer(const QString& source, int& code) {
    const QFileInfo chosen(source);
    if (chosen.fileName().isEmpty() || !chosen.isFile()) {
        code = fail(kInvalidFile, QStringLiteral("nothing was changed: no such file"));
        return std::nullopt;
    }
    const Result<DatabaseSummary> summary =
        examineDatabase(chosen.absoluteFilePath(), QString::fromLatin1(kDatabasePassword));
    if (summary) return summary.value();
    code = failed(QStringLiteral("nothing was changed: the file cannot be restored: "),
                  summary.error());
    return std::nullopt;
}

int restoreServer(const ServerAddress& server, const QString& source) {
    const Result<CopyChecks> restored = restoreFileToServer(source, server);
    if (!restored) return failed(QStringLiteral("nothing was changed: "), restored.error());
    return kSuccess;
}

}  // namespace vemora
