#include "backup/Compactor.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/DbError.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QDir>
#include <QFileInfo>
#include <future>

namespace vemora {

Compactor::Compactor(const QString& connectionString) : m_connectionString(connectionString) {
    const ConnectionParts parts = parseConnectionString(connectionString);
    m_working = parts.dataSource;
    m_password = parts.password;
}

CompactResult Compactor::run(const QString& destination) {
    return start(destination, Replace::Working);
}

CompactResult Compactor::backup(const QString& destination) {
    return start(destination, Replace::Nothing);
}

CompactResult Compactor::start(const QString& destination, Replace replace) {
    if (isWorkingDatabase(destination, m_working)) return {CompactFailure::SameAsWorking, {}};
    if (isCompanion(destination, m_working)) return {CompactFailure::Companion, {}};
    const QFileInfo chosen(destination);
    if (chosen.fileName().isEmpty() || (chosen.exists() && !chosen.isFile()))
        return {CompactFailure::NotAFile, {}};

    const QString folder = QFileInfo(m_working).absolutePath();
    if (!QFileInfo(folder).isWritable()) return {CompactFailure::FolderReadOnly, {}};
    DatabaseLock lock(m_working);
    if (!lock.tryLock(DatabaseLock::Mode::Exclusive)) return {CompactFailure::InUse, {}};
    passed(CompactStep::Locked, m_working);

    // A compaction builds its copy beside the working database, to move it into place there; a
    // backup in the destination's folder, to move it into place there.
    const StagingFile temp(replace == Replace::Working ? m_working : destination);
    if (!temp.isValid())
        return {replace == Replace::Working ? CompactFailure::FolderReadOnly
                                            : CompactFailure::CannotWriteCopy,
                temp.error()};
    Contents expected;
    if (CompactResult compacted = compact(temp.path(), expected); !compacted.ok()) return compacted;

    // A chosen file that is another organizer's database is not replaced while in use.
    DatabaseLock destinationLock(destination);
    if (QFileInfo::exists(DatabaseLock::lockFilePath(destination)) &&
        !destinationLock.tryLock(DatabaseLock::Mode::Exclusive))
        return {CompactFailure::InUse, QDir::toNativeSeparators(destination)};
    if (replace == Replace::Nothing) {
        if (const auto problem = checkCopy(temp.path(), m_password, expected))
            return {CompactFailure::CheckFailed, *problem};
        passed(CompactStep::Checked, temp.path());
        if (const auto problem = moveIntoPlace(temp.path(), destination))
            return {CompactFailure::CannotWriteCopy, *problem};
    } else if (CompactResult written = writeCheckedCopy(temp.path(), destination, expected);
               !written.ok()) {
        return written;
    }
    // A journal of the file that was replaced would be applied to the new copy.
    if (const auto problem = removeEngineFiles(destination))
        return {CompactFailure::CannotWriteCopy, *problem};
    passed(CompactStep::CopyWritten, destination);
    if (replace == Replace::Nothing) return {};

    // Checked again right before the working database is replaced.
    if (!lock.isLocked()) return {CompactFailure::InUse, {}};
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {CompactFailure::CannotReplace, *journal};
    if (const auto problem = moveIntoPlace(temp.path(), m_working))
        return {CompactFailure::CannotReplace, *problem};
    passed(CompactStep::Replaced, m_working);
    return {};
}

CompactResult Compactor::compact(const QString& temp, Contents& expected) {
    // The copy is readable by no more accounts than the working database, before a byte is in it.
    if (!QFile::setPermissions(temp, QFile::permissions(m_working)))
        return {CompactFailure::CompactFailed, QDir::toNativeSeparators(temp)};
    {
        // Opening through SQLite rolls back a journal a crashed writer left behind.
        Connection source;
        source.setConnectionString(m_connectionString);
        if (const Status opened = source.open(); !opened)
            return {CompactFailure::CannotRead, opened.error().description};
        const Result<Contents> contents = readContents(source);
        if (!contents) return {CompactFailure::CannotRead, contents.error().description};
        expected = contents.value();
        if (const Status compacted = SqliteEngine::compactInto(source, temp); !compacted) {
            const DbError& error = compacted.error();
            return {error.problem == DbProblem::Busy ? CompactFailure::InUse
                                                     : CompactFailure::CompactFailed,
                    error.description};
        }
    }
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {CompactFailure::InUse, *journal};
    passed(CompactStep::Compacted, temp);
    return {};
}

CompactResult Compactor::writeCheckedCopy(const QString& temp, const QString& destination,
                                          const Contents& expected) {
    // The check reads the copy on a connection of its own, in a thread of its own, while the
    // copy is written to the chosen file; that file gets its name only once the check passed.
    std::future<std::optional<QString>> checking =
        std::async(std::launch::async, [&] { return checkCopy(temp, m_password, expected); });
    std::optional<QString> checkProblem;
    const auto writeProblem = writeWholeFile(
        temp, destination, QFile::permissions(m_working),
        [this, &destination] { passed(CompactStep::Writing, destination); },
        [&]() -> std::optional<QString> {
            checkProblem = checking.get();
            if (checkProblem) return checkProblem;
            passed(CompactStep::Checked, temp);
            return std::nullopt;
        });
    // A copy that failed its check is named as such, even when writing it failed too.
    if (checking.valid()) checkProblem = checking.get();
    if (checkProblem) return {CompactFailure::CheckFailed, *checkProblem};
    if (writeProblem) return {CompactFailure::CannotWriteCopy, *writeProblem};
    return {};
}

}  // namespace vemora
