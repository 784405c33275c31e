#include "backup/Restorer.h"
#include "data/Logging.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFileInfo>
#include <cerrno>

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/SafeFiles.h"
#include "data/SqliteEngine.h"

namespace vemora {

namespace {

RestoreResult refusal(const DbError& error) {
    const bool unreadable =
        error.problem == DbProblem::Missing || error.problem == DbProblem::Unreadable;
    return {
        unreadable ? RestoreFailure::CannotRead : RestoreFailure::Invalid, error.description, {}};
}

// Opening through the engine rolls back the journal a crashed writer left beside the file.
void rollBackJournal(const QString& connectionString) {
    Connection db;
    db.setConnectionString(connectionString);
    logDropped(logBackup(), "rolling back a journal", db.open());
}

}  // namespace

Restorer::Restorer(const QString& connectionString) {
    const ConnectionParts parts = parseConnectionString(connectionString);
    m_working = parts.dataSource;
    m_password = parts.password;
}

QString Restorer::keptName(const QString& working, const QDateTime& when) {
    return working + QStringLiteral(".before-restore-") +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

std::optional<RestoreFailure> Restorer::refusalOfName(const QString& source) const {
    if (isWorkingDatabase(source, m_working)) return RestoreFailure::SameAsWorking;
    if (isCompanion(source, m_working)) return RestoreFailure::Companion;
    const QFileInfo chosen(source);
    if (chosen.fileName().isEmpty() || !chosen.isFile()) return RestoreFailure::NotAFile;
    return std::nullopt;
}

std::optional<DatabaseSummary> Restorer::examine(const QString& source,
                                                 RestoreResult& refused) const {
    if (const auto failure = refusalOfName(source)) {
        refused = {failure, {}, {}};
        return std::nullopt;
    }
    const Result<DatabaseSummary> summary = examineDatabase(source, m_password);
    if (!summary) {
        refused = refusal(summary.error());
        return std::nullopt;
    }
    return summary.value();
}

RestoreResult Restorer::run(const QString& source) {
    RestoreResult refused;
    if (!examine(source, refused)) return refused;

    const QString folder = QFileInfo(m_working).absolutePath();
    if (!QFileInfo(folder).isWritable()) return {RestoreFailure::FolderReadOnly, {}, {}};
    if (const auto unsafe = unsafeFolder(folder)) return {RestoreFailure::Untrusted, *unsafe, {}};
    if (const auto why = untrustedDatabase(m_working)) return {RestoreFailure::Untrusted, *why, {}};
    DatabaseLock lock(m_working);
    if (!lock.tryLock(DatabaseLock::Mode::Exclusive))
        return {lock.problem().isEmpty() ? RestoreFailure::InUse : RestoreFailure::Untrusted,
                lock.problem(),
                {}};
    passed(RestoreStep::Locked, m_working);

    // Copies are built where no other account can plant or swap a name; what is put in place
    // is the copy that was checked, whatever happens to the source.
    PrivateFolder::removeStale(folder);
    const PrivateFolder staging(folder);
    if (!staging.isValid()) return {RestoreFailure::FolderReadOnly, staging.error(), {}};
    const QString restoredName = QStringLiteral("restored.mdb");
    const QString restored = staging.filePath(restoredName);
    const bool hadWorking = QFileInfo::exists(m_working);
    const auto permissions = QFile::permissions(hadWorking ? m_working : source);
    {
        QString problem;
        const FileDescriptor in = openChecked(source, O_RDONLY, problem);
        if (!in.isValid()) return {RestoreFailure::CannotRead, problem, {}};
        const FileDescriptor out = createExclusive(restored, posixMode(permissions), problem);
        if (!out.isValid()) return {RestoreFailure::FolderReadOnly, problem, {}};
        if (const auto failed = copyDescriptor(in.get(), out.get(),
                                               [this] { passed(RestoreStep::Writing, m_working); }))
            return {RestoreFailure::FolderReadOnly, *failed, {}};
    }
    passed(RestoreStep::Staged, restored);

    Result<DatabaseSummary> summary = examineDatabase(restored, m_password);
    if (summary) {
        // An older copy is brought forward, and a damaged search index made again, before it
        // is put in place.
        Connection db;
        db.setConnectionString(QStringLiteral("Data Source=") + restored +
                               QStringLiteral(";Jet OLEDB:Database password=") + m_password);
        if (const Status opened = db.open(); !opened) return refusal(opened.error());
        if (SqliteEngine::searchIndexDamaged(db))
            if (const Status rebuilt = SqliteEngine::rebuildSearchIndex(db); !rebuilt)
                return refusal(rebuilt.error());
        db.close();
        if (summary.value().version < kSchemaVersion)
            summary = examineDatabase(restored, m_password);
    }
    if (!summary) return refusal(summary.error());
    passed(RestoreStep::Checked, restored);

    // The old file's journal would be applied to the restored one.
    const QString working = QStringLiteral("Data Source=") + m_working +
                            QStringLiteral(";Jet OLEDB:Database password=") + m_password;
    if (SqliteEngine::writersJournal(m_working)) rollBackJournal(working);
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {RestoreFailure::InUse, *journal, {}};

    RestoreResult done;
    if (hadWorking) {
        if (const auto problem = keep(staging, done.kept))
            return {RestoreFailure::CannotKeep, *problem, {}};
        passed(RestoreStep::Kept, done.kept);
    }

    if (!lock.isLocked()) return {RestoreFailure::InUse, {}, done.kept};
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {RestoreFailure::InUse, *journal, done.kept};
    if (const auto problem = removeEngineFiles(m_working))
        return {RestoreFailure::CannotReplace, *problem, done.kept};
    if (const auto problem = replaceWorking(staging, restoredName, m_working))
        return {RestoreFailure::CannotReplace, *problem, done.kept};
    passed(RestoreStep::Replaced, m_working);
    return done;
}

std::optional<QString> Restorer::keep(const PrivateFolder& staging, QString& kept) const {
    QString problem;
    const FileDescriptor in = openChecked(m_working, O_RDONLY, problem);
    if (!in.isValid()) return problem;
    struct stat working {};
    if (::fstat(in.get(), &working) != 0) return systemError(errno);
    const QString name = QStringLiteral("kept.mdb");
    const FileDescriptor out =
        createExclusive(staging.filePath(name), int(working.st_mode & 0777), problem);
    if (!out.isValid()) return problem;
    if (const auto failed = copyDescriptor(in.get(), out.get())) return failed;
    // A name someone else holds, as a file or a link, is never written through: the next
    // second is tried instead.
    QDateTime when = QDateTime::currentDateTime();
    for (int tried = 0; tried < kKeptNameTries; ++tried, when = when.addSecs(1)) {
        kept = keptName(m_working, when);
        const int failed = staging.moveOut(name, kept, true);
        if (failed == 0) return syncFolder(QFileInfo(m_working).absolutePath());
        if (failed != EEXIST) return systemError(failed);
    }
    kept.clear();
    return QStringLiteral("every name for the kept copy is taken");
}

}  // namespace vemora
