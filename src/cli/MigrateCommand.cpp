#include "cli/MigrateCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <iostream>

#include "backup/ServerCopy.h"
#include "cli/Console.h"
#include "data/ConnectionString.h"
#include "data/SafeFiles.h"

namespace vemora {

namespace {

constexpr auto kDescription =
    "Copies the Vemora database between a journey.mdb file and a PostgreSQL server.\n"
    "\n"
    "  migrate --to URL [--database FILE]   journey.mdb (default: beside the programs) into\n"
    "                                       an empty server database\n"
    "  migrate --from URL FILE              a server database into the new file FILE\n"
    "\n"
    "URL reads postgresql://user@host:port/database; a socket folder goes in ?host=/folder.\n"
    "Passwords come from ~/.pgpass or PGPASSFILE. Each copy is written in one transaction and\n"
    "kept only when its row counts and checksums match the source's.\n"
    "\n"
    "Exit codes: 0 success, 1 usage, 3 database in use, 4 invalid or damaged database or a\n"
    "destination that is not empty, 5 I/O failure or server not reached.";

int failed(const DbError& error) {
    // A refusal without a named problem is a destination that is not empty or not new.
    return fail(error.problem == DbProblem::None && error.number == kErrGeneral
                    ? kInvalidFile
                    : exitFor(error.problem),
                QStringLiteral("nothing was copied: %1").arg(error.description));
}

void report(const QString& from, const QString& to, const CopyChecks& checks) {
    QStringList counts;
    for (const TableCheck& check : checks)
        counts.append(QStringLiteral("%1 %2").arg(check.table).arg(check.rows));
    std::cout << "Copied " << from.toStdString() << " to " << to.toStdString() << ": "
              << counts.join(QLatin1String(", ")).toStdString()
              << "; row counts and checksums match." << std::endl;
}

}  // namespace

int runMigrate(const QStringList& arguments, qsizetype command) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("to"), QStringLiteral("Copy journey.mdb into the server database URL."),
         QStringLiteral("URL")},
        {QStringLiteral("from"), QStringLiteral("Copy the server database URL into a new file."),
         QStringLiteral("URL")},
        {QStringLiteral("database"),
         QStringLiteral("With --to, the file to copy (default: journey.mdb beside the "
                        "programs)."),
         QStringLiteral("FILE")},
    });
    QStringList withoutCommand = arguments;
    withoutCommand.removeAt(command);
    if (!parser.parse(withoutCommand)) return fail(kUsage, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(kSuccess);

    const bool to = parser.isSet(QStringLiteral("to"));
    const bool from = parser.isSet(QStringLiteral("from"));
    const QStringList files = parser.positionalArguments();
    if (to == from || (to && !files.isEmpty()) ||
        (from && (files.size() != 1 || parser.isSet(QStringLiteral("database")))))
        return fail(kUsage, QStringLiteral("expected migrate --to URL [--database FILE] or migrate "
                                           "--from URL FILE; see migrate --help"));
    const Result<ServerAddress> server =
        parseServerUrl(parser.value(QString::fromLatin1(to ? "to" : "from")));
    if (!server) return fail(kUsage, server.error().description);
    if (const int code = refusePasswordInUrl(server.value()); code != kSuccess) return code;

    if (to) {
        const QString file =
            parser.isSet(QStringLiteral("database"))
                ? QFileInfo(parser.value(QStringLiteral("database"))).absoluteFilePath()
                : QDir(databaseDirectory(QCoreApplication::applicationDirPath()))
                      .filePath(QString::fromLatin1(kDatabaseFileName));
        if (const auto why = untrustedDatabase(file)) return fail(kInvalidFile, *why);
        const Result<CopyChecks> copied = copyFileToServer(file, server.value());
        if (!copied) return failed(copied.error());
        report(shown(file), server.value().shown(), copied.value());
        return kSuccess;
    }
    const QString file = QFileInfo(files.first()).absoluteFilePath();
    const Result<CopyChecks> copied = copyServerToFile(server.value(), file);
    if (!copied) return failed(copied.error());
    report(server.value().shown(), shown(file), copied.value());
    return kSuccess;
}

}  // namespace vemora
