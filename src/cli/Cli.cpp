#include "cli/Cli.h"

#include <fcntl.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <iostream>
#include <string>

#include "backup/BackupFolder.h"
#include "backup/Compactor.h"
#include "backup/Restorer.h"
#include "cli/Console.h"
#include "cli/MigrateCommand.h"
#include "cli/ServerCommands.h"
#include "cli/TransferCommands.h"
#include "core/Accounts.h"
#include "core/Database.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/SafeFiles.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"

namespace vemora {
namespace {

constexpr auto kDescription =
    "Checks, backs up and restores the Vemora database; exports and imports a user's data.\n"
    "\n"
    "Commands:\n"
    "  check          integrity, schema version, row counts per table and the search\n"
    "                 index, which is made again from the texts when it is damaged\n"
    "  backup DEST    a checked, compacted copy to the file DEST; with a folder, to\n"
    "                 DEST/journey-YYYYMMDD-HHMMSS.mdb (--keep N keeps the newest N)\n"
    "  restore SRC    puts the checked copy SRC in place of the database, keeping the\n"
    "                 database beside it as journey.mdb.before-restore-YYYYMMDD-HHMMSS\n"
    "  export         the user's --contacts vcard|csv, --diary ics, --planner ics (all days,\n"
    "                 or --from DATE --to DATE) or the --dictionary csv, to -o FILE or to\n"
    "                 standard output\n"
    "  import FILE    adds the records of a vCard, iCalendar or CSV file to the user's own,\n"
    "                 skipping those already present; --map COLUMN=FIELD,... says which\n"
    "                 field a CSV column of contacts goes to (first, middle, last, sex,\n"
    "                 address, phone, cellular, fax, email, or none)\n"
    "  migrate        copies between journey.mdb and a server; see migrate --help\n"
    "\n"
    "On a server (--database URL, or the one vemora.conf names), backup writes a journey.mdb\n"
    "from its data and restore loads one into it in one transaction; both need the server's\n"
    "lock (restore alone, while no organizer is connected).\n"
    "\n"
    "backup and restore need the administrator: --user names the account; the password\n"
    "is read from --password-file, or as one line from standard input (typed without\n"
    "echo at a terminal). export and import log in as any user, with the same password.\n"
    "\n"
    "Exit codes: 0 success, 1 usage, 2 log-in refused, 3 database in use,\n"
    "4 invalid or damaged file, 5 I/O failure.";

bool startsAsSqlite(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.read(16) == QByteArrayView("SQLite format 3\0", 16);
}

class Cli {
public:
    explicit Cli(const QCommandLineParser& options) : m_options(options) {}

    int run(const QStringList& arguments);

private:
    int check();
    int backup(const QString& destination);
    int restore(const QString& source);
    // 0 when the administrator logged in; otherwise the exit code, already explained. A restore
    // names the copy it restores.
    int logIn(const QString& restoring = {});
    int logInTo(const QString& directory, const QString& password, const QString& restoring);

    // The database as the messages name it.
    QString shownDatabase() const { return m_server ? m_server->shown() : shown(m_database); }

    const QCommandLineParser& m_options;
    QString m_database;
    std::optional<ServerAddress> m_server;
};

int Cli::run(const QStringList& arguments) {
    const QString command = arguments.value(0);
    const qsizetype expected = command == u"check" || command == u"export" ? 1 : 2;
    if ((command != u"check" && command != u"backup" && command != u"restore" &&
         !isTransferCommand(command)) ||
        arguments.size() != expected)
        return fail(kUsage, QStringLiteral("expected check, backup DEST, restore SRC, export or "
                                           "import FILE; see --help"));
    if (m_options.isSet(QStringLiteral("keep")) && command != u"backup")
        return fail(kUsage, QStringLiteral("--keep is for backup only"));

    int chosen = kSuccess;
    m_server = chosenServer(m_options, chosen);
    if (chosen != kSuccess) return chosen;
    if (m_server) {
        if (isTransferCommand(command)) return runTransfer(m_options, arguments, m_server->url());
        if (command == u"check") return checkServer(*m_server);
        return command == u"backup" ? backup(arguments.at(1)) : restore(arguments.at(1));
    }
    m_database = databaseFile(m_options);
    if (const auto why = untrustedDatabase(m_database)) return fail(kInvalidFile, *why);
    // A system-wide install whose shared database is missing is not restored into the program
    // folder by default.
    if (command == u"restore" && !m_options.isSet(QStringLiteral("database")) &&
        !QFileInfo::exists(m_database))
        return fail(kUsage, QStringLiteral("%1 is missing; name the database to restore into "
                                           "with --database")
                                .arg(shown(m_database)));
    if (command == u"check") return check();
    if (isTransferCommand(command))
        return runTransfer(m_options, arguments, makeFileConnectionString(m_database));
    // The accounts and the lock are those of a journey.mdb in its folder.
    if (QFileInfo(m_database).fileName() != QLatin1String(kDatabaseFileName))
        return fail(kUsage, QStringLiteral("--database must name a file called %1 for %2")
                                .arg(QLatin1String(kDatabaseFileName), command));
    return command == u"backup" ? backup(arguments.at(1)) : restore(arguments.at(1));
}

int Cli::check() {
    if (const auto journal = SqliteEngine::writersJournal(m_database))
        return fail(kInUse, *journal);
    const Result<DatabaseSummary> summary =
        examineDatabase(m_database, QString::fromLatin1(kDatabasePassword));
    if (!summary) return fail(exitFor(summary.error().problem), summary.error().description);
    printCheck(shown(m_database), summary.value());
    // The search index is checked as a change (the engine asks for it so), and made again
    // from the texts when it fails; an older file is left as it is.
    if (summary.value().version != kSchemaVersion) return kSuccess;
    Connection db;
    db.setConnectionString(makeFileConnectionString(m_database));
    if (const Status opened = db.open(); !opened)
        return fail(exitFor(opened.error().problem), opened.error().description);
    if (!SqliteEngine::searchIndexDamaged(db)) {
        std::cout << "search index sound" << std::endl;
        return kSuccess;
    }
    if (const Status rebuilt = SqliteEngine::rebuildSearchIndex(db); !rebuilt)
        return fail(exitFor(rebuilt.error().problem), rebuilt.error().description);
    std::cout << "search index damaged: made again from the texts" << std::endl;
    return kSuccess;
}

int Cli::logIn(const QString& restoring) {
    const QString user = m_options.value(QStringLiteral("user"));
    if (user.isEmpty()) return fail(kUsage, QStringLiteral("the administrator's --user is needed"));
    const auto password = readPassword(m_options);
    if (const int* code = std::get_if<int>(&password)) return *code;
    if (m_server) return logInToServer(*m_server, user, std::get<QString>(password));
    return logInTo(QFileInfo(m_database).absolutePath(), std::get<QString>(password), restoring);
}

int Cli::logInTo(const QString& directory, const QString& password, const QString& restoring) {
    // Where the folder has no journey.mdb, Database would look in the computer's shared folder.
    const bool present =
        QFileInfo::exists(QDir(directory).filePath(QLatin1String(kDatabaseFileName)));
    Database database(directory, Database::Lock::None);
    const Status opened =
        present ? database.open()
                : Status(DbError{kErrGeneral,
                                 QStringLiteral("Could not find file '%1'.").arg(shown(m_database)),
                                 DbProblem::Missing});
    if (!opened) {
        const DbProblem problem = opened.error().problem;
        // A database that is missing or damaged (down to its header) is what a restore
        // repairs: the copy's administrator may put the copy in place. Another program's
        // database, or a file that cannot be opened, is refused whatever the copy holds.
        const bool repairable = problem == DbProblem::Missing || problem == DbProblem::Damaged ||
                                (problem == DbProblem::Foreign && !startsAsSqlite(m_database));
        if (restoring.isEmpty() || !repairable)
            return fail(exitFor(problem), opened.error().description);
        QTemporaryDir copyDir;
        if (!QFile::copy(restoring, copyDir.filePath(QString::fromLatin1(kDatabaseFileName))))
            return fail(kIoFailure, QStringLiteral("%1 cannot be read").arg(shown(restoring)));
        std::cerr << "vemora-cli: " << opened.error().description.toStdString()
                  << "\nvemora-cli: logging in with the accounts of "
                  << shown(restoring).toStdString() << std::endl;
        return logInTo(copyDir.path(), password, {});
    }
    return refuseUnlessAdministrator(
        AccountStore(database).find(m_options.value(QStringLiteral("user")), password));
}

int exitFor(CompactFailure failure) {
    switch (failure) {
        case CompactFailure::InUse:
            return kInUse;
        case CompactFailure::SameAsWorking:
        case CompactFailure::Companion:
        case CompactFailure::NotAFile:
        case CompactFailure::CannotRead:
        case CompactFailure::CheckFailed:
        case CompactFailure::Untrusted:
        case CompactFailure::ProtectedDestination:
            return kInvalidFile;
        default:
            return kIoFailure;
    }
}

QString describe(CompactFailure failure) {
    switch (failure) {
        case CompactFailure::SameAsWorking:
            return QStringLiteral("the destination is the database itself");
        case CompactFailure::Companion:
            return QStringLiteral("the destination belongs to the database");
        case CompactFailure::NotAFile:
            return QStringLiteral("the destination is not a file name");
        case CompactFailure::FolderReadOnly:
            return QStringLiteral("nothing can be written in the database's folder");
        case CompactFailure::InUse:
            return QStringLiteral("Vemora has the database open; close it and try again");
        case CompactFailure::CannotRead:
            return QStringLiteral("the database cannot be read");
        case CompactFailure::CompactFailed:
            return QStringLiteral("the compacted copy could not be made");
        case CompactFailure::CheckFailed:
            return QStringLiteral("the compacted copy failed its check");
        case CompactFailure::CannotWriteCopy:
        case CompactFailure::CannotReplace:
            return QStringLiteral("the destination cannot be written");
        case CompactFailure::Untrusted:
            return QStringLiteral("the database cannot be trusted");
        case CompactFailure::ProtectedDestination:
            return QStringLiteral("the destination may not be written over");
    }
    return {};
}

QString withDetail(QString text, const QString& detail) {
    if (!detail.isEmpty()) text += QStringLiteral(" (%1)").arg(detail);
    return text;
}

int Cli::backup(const QString& destination) {
    int keep = 0;
    if (m_options.isSet(QStringLiteral("keep"))) {
        bool number = false;
        keep = m_options.value(QStringLiteral("keep")).toInt(&number);
        if (!number || keep < 1)
            return fail(kUsage, QStringLiteral("--keep needs a number from 1"));
        if (!QFileInfo(destination).isDir())
            return fail(kUsage, QStringLiteral("--keep needs a folder as DEST"));
    }
    if (const int code = logIn(); code != kSuccess) return code;

    const QDir folder(destination);
    const bool intoFolder = QFileInfo(destination).isDir();
    const BackupFolder copies(folder);
    const QString target = intoFolder ? copies.freeCopyName() : destination;
    if (m_server) {
        if (const int code = writeServerBackup(*m_server, target); code != kSuccess) return code;
    } else if (const CompactResult result =
                   Compactor(makeConnectionString(QFileInfo(m_database).absolutePath()))
                       .backup(target);
               !result.ok()) {
        return fail(exitFor(*result.failure), withDetail(describe(*result.failure), result.detail));
    }
    std::cout << "Wrote " << shown(QFileInfo(target).absoluteFilePath()).toStdString() << std::endl;
    if (!intoFolder) return kSuccess;
    const BackupFolder::Rotation rotation = copies.rotate(QFileInfo(target).fileName(), keep);
    for (const QString& deleted : rotation.deleted)
        std::cout << "Deleted " << shown(deleted).toStdString() << std::endl;
    int code = kSuccess;
    for (const QString& problem : rotation.problems) code = fail(kIoFailure, problem);
    return code;
}

int exitFor(RestoreFailure failure) {
    switch (failure) {
        case RestoreFailure::InUse:
            return kInUse;
        case RestoreFailure::SameAsWorking:
        case RestoreFailure::Companion:
        case RestoreFailure::NotAFile:
        case RestoreFailure::Invalid:
        case RestoreFailure::Untrusted:
            return kInvalidFile;
        default:
            return kIoFailure;
    }
}

QString describe(RestoreFailure failure) {
    switch (failure) {
        case RestoreFailure::SameAsWorking:
            return QStringLiteral("the file is the database itself");
        case RestoreFailure::Companion:
            return QStringLiteral("the file belongs to the database");
        case RestoreFailure::NotAFile:
            return QStringLiteral("no such file");
        case RestoreFailure::Invalid:
            return QStringLiteral("the file cannot be restored");
        case RestoreFailure::FolderReadOnly:
            return QStringLiteral("nothing can be written in the database's folder");
        case RestoreFailure::InUse:
            return QStringLiteral("Vemora has the database open; close it and try again");
        case RestoreFailure::CannotRead:
            return QStringLiteral("the file cannot be read");
        case RestoreFailure::CannotKeep:
            return QStringLiteral("the database could not be kept beside it");
        case RestoreFailure::CannotReplace:
            return QStringLiteral("the database could not be replaced");
        case RestoreFailure::Untrusted:
            return QStringLiteral("the database cannot be trusted");
    }
    return {};
}

int Cli::restore(const QString& source) {
    Restorer restorer(makeConnectionString(QFileInfo(m_database).absolutePath()));
    RestoreResult refused;
    int code = kSuccess;
    const auto summary =
        m_server ? examineForServer(source, code) : restorer.examine(source, refused);
    if (code != kSuccess) return code;
    if (!summary)
        return fail(exitFor(*refused.failure),
                    QStringLiteral("nothing was changed: %1")
                        .arg(withDetail(describe(*refused.failure), refused.detail)));
    if (const int code = logIn(source); code != kSuccess) return code;

    std::cout << shown(source).toStdString() << ", written "
              << summary->written.toString(Qt::ISODate).toStdString() << ", holds "
              << summary->accounts << " accounts, " << summary->contacts << " contacts, "
              << summary->diaryDays << " diary days, " << summary->plans << " plans, "
              << summary->words << " words." << std::endl;
    if (!m_options.isSet(QStringLiteral("yes"))) {
        std::cout << "Put it in place of " << shownDatabase().toStdString() << "? [y/N] "
                  << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes")
            return fail(kUsage, QStringLiteral("nothing was changed"));
    }
    QString kept;
    if (m_server) {
        if (const int restored = restoreServer(*m_server, source); restored != kSuccess)
            return restored;
    } else {
        const RestoreResult result = restorer.run(source);
        if (!result.ok())
            return fail(exitFor(*result.failure),
                        QStringLiteral("nothing was changed: %1")
                            .arg(withDetail(describe(*result.failure), result.detail)));
        kept = result.kept;
    }
    std::cout << "Restored " << shown(source).toStdString() << " in place of "
              << shownDatabase().toStdString() << std::endl;
    if (!kept.isEmpty())
        std::cout << "The previous database was kept as " << shown(kept).toStdString() << std::endl;
    return kSuccess;
}

// Where the command word stands: the first argument that is neither an option nor the value of
// one; -1 when there is none.
qsizetype commandIndex(const QStringList& arguments, const QList<QCommandLineOption>& options) {
    QStringList valued;
    for (const QCommandLineOption& option : options)
        if (!option.valueName().isEmpty())
            for (const QString& name : option.names())
                valued.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                              name);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"--") return i + 1 < arguments.size() ? i + 1 : -1;
        if (valued.contains(argument)) {
            ++i;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-'))) return i;
    }
    return -1;
}

}  // namespace

int runCli(const QStringList& arguments) {
    QList<QCommandLineOption> options{
        {QStringLiteral("database"),
         QStringLiteral("The database: a file, or a postgresql:// URL (default: the server "
                        "vemora.conf names, else journey.mdb beside the programs)."),
         QStringLiteral("FILE|URL")},
        {QStringLiteral("user"),
         QStringLiteral("The user name: the administrator's for backup and restore."),
         QStringLiteral("NAME")},
        {QStringLiteral("password-file"),
         QStringLiteral("Reads the password from FILE, which only its owner may read."),
         QStringLiteral("FILE")},
        {QStringLiteral("keep"), QStringLiteral("Backup into a folder: keep the newest N copies."),
         QStringLiteral("N")},
        {QStringLiteral("yes"), QStringLiteral("Restore without asking.")},
    };
    options += transferOptions();
    // Options may stand before the command as well as after it: migrate is found wherever it is.
    if (const qsizetype at = commandIndex(arguments, options); arguments.value(at) == u"migrate")
        return runMigrate(arguments, at);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options);
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("check, backup DEST, restore SRC, export or import FILE."));
    if (!parser.parse(arguments)) return fail(kUsage, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(kSuccess);
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
    return Cli(parser).run(parser.positionalArguments());
}

}  // namespace vemora
