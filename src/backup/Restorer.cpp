#include "backup/Restorer.h"

#include <QFileInfo>

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
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
    (void)db.open();
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

    if (!QFileInfo(QFileInfo(m_working).absolutePath()).isWritable())
        return {RestoreFailure::FolderReadOnly, {}, {}};
    DatabaseLock lock(m_working);
    if (!lock.tryLock(DatabaseLock::Mode::Exclusive)) return {RestoreFailure::InUse, {}, {}};
    passed(RestoreStep::Locked, m_working);

    // What is put in place is the copy that was checked, whatever happens to the source.
    const StagingFile temp(m_working);
    if (!temp.isValid()) return {RestoreFailure::FolderReadOnly, temp.error(), {}};
    const bool hadWorking = QFileInfo::exists(m_working);
    const auto permissions = QFile::permissions(hadWorking ? m_working : source);
    if (const auto problem = writeWholeFile(source, temp.path(), permissions, {}))
        return {RestoreFailure::FolderReadOnly, *problem, {}};
    passed(RestoreStep::Staged, temp.path());

    const QString staged = QStringLiteral("Data Source=") + temp.path() +
                           QStringLiteral(";Jet OLEDB:Database password=") + m_password;
    Result<DatabaseSummary> summary = examineDatabase(temp.path(), m_password);
    if (summary && summary.value().version < kSchemaVersion) {
        // An older copy is brought forward before it is put in place.
        Connection db;
        db.setConnectionString(staged);
        if (const Status opened = db.open(); !opened) return refusal(opened.error());
        db.close();
        summary = examineDatabase(temp.path(), m_password);
    }
    if (!summary) return refusal(summary.error());
    passed(RestoreStep::Checked, temp.path());

    // The old file's journal would be applied to the restored one.
    const QString working = QStringLiteral("Data Source=") + m_working +
                            QStringLiteral(";Jet OLEDB:Database password=") + m_password;
    if (SqliteEngine::writersJournal(m_working)) rollBackJournal(working);
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {RestoreFailure::InUse, *journal, {}};

    RestoreResult done;
    if (hadWorking) {
        QDateTime when = QDateTime::currentDateTime();
        while (QFileInfo::exists(keptName(m_working, when))) when = when.addSecs(1);
        done.kept = keptName(m_working, when);
        if (const auto problem = writeWholeFile(m_working, done.kept, permissions, {}))
            return {RestoreFailure::CannotKeep, *problem, {}};
        passed(RestoreStep::Kept, done.kept);
    }

    if (!lock.isLocked()) return {RestoreFailure::InUse, {}, done.kept};
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {RestoreFailure::InUse, *journal, done.kept};
    if (const auto problem = removeEngineFiles(m_working))
        return {RestoreFailure::CannotReplace, *problem, done.kept};
    if (const auto problem = writeWholeFile(temp.path(), m_working, permissions,
                                            [this] { passed(RestoreStep::Writing, m_working); }))
        return {RestoreFailure::CannotReplace, *problem, done.kept};
    passed(RestoreStep::Replaced, m_working);
    return done;
}

}  // namespace vemora
