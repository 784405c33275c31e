#include "backup/Compactor.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/DbError.h"
#include "data/SafeFiles.h"
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
    if (const auto problem = protectedDestination(destination))
        return {CompactFailure::ProtectedDestination, *problem};

    const QString folder = QFileInfo(m_working).absolutePath();
    if (!QFileInfo(folder).isWritable()) return {CompactFailure::FolderReadOnly, {}};
    if (const auto unsafe = unsafeFolder(folder)) return {CompactFailure::Untrusted, *unsafe};
    if (const auto why = untrustedDatabase(m_working)) return {CompactFailure::Untrusted, *why};
    DatabaseLock lock(m_working);
    if (!lock.tryLock(DatabaseLock::Mode::Exclusive))
        return {lock.problem().isEmpty() ? CompactFailure::InUse : CompactFailure::Untrusted,
                lock.problem()};
    passed(CompactStep::Locked, m_working);

    // A compaction builds its copy beside the working database, to move it into place there; a
    // backup in the destination's folder, to move it into place there. Either in a folder of
    // this account's own, where no other account can plant or swap a name.
    PrivateFolder::removeStale(folder);
    const PrivateFolder staging(replace == Replace::Working ? folder : chosen.absolutePath());
    if (!staging.isValid())
        return {replace == Replace::Working ? CompactFailure::FolderReadOnly
                                            : CompactFailure::CannotWriteCopy,
                staging.error()};
    const QString tempName = QStringLiteral("compacted.mdb");
    const QString temp = staging.filePath(tempName);
    // The working database's copy is readable by no more accounts than the working database; a
    // backup by its owner alone.
    const QFileDevice::Permissions permissions =
        replace == Replace::Working ? QFile::permissions(m_working)
                                    : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    Contents expected;
    if (CompactResult compacted = compact(temp, permissions, expected); !compacted.ok())
        return compacted;

    // A chosen file that is another organizer's database is not replaced while in use.
    DatabaseLock destinationLock(destination);
    if (QFileInfo::exists(DatabaseLock::lockFilePath(destination)) &&
        !destinationLock.tryLock(DatabaseLock::Mode::Exclusive))
        return {CompactFailure::InUse, QDir::toNativeSeparators(destination)};
    if (replace == Replace::Nothing) {
        if (const auto problem = checkCopy(temp, m_password, expected))
            return {CompactFailure::CheckFailed, *problem};
        passed(CompactStep::Checked, temp);
        if (const auto problem = moveIntoPlace(temp, destination))
            return {CompactFailure::CannotWriteCopy, *problem};
    } else if (CompactResult written = writeCheckedCopy(temp, destination, expected);
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
    if (const auto problem = replaceWorking(staging, tempName, m_working))
        return {CompactFailure::CannotReplace, *problem};
    passed(CompactStep::Replaced, m_working);
    return {};
}

CompactResult Compactor::compact(const QString& temp, QFileDevice::Permissions permissions,
                                 Contents& expected) {
    {
        // The copy has its permissions before a byte is in it; the engine fills the empty file.
        QString problem;
        const FileDescriptor made = createExclusive(temp, posixMode(permissions), problem);
        if (!made.isValid()) return {CompactFailure::CompactFailed, problem};
    }
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
        temp, destination, QFileDevice::ReadOwner | QFileDevice::WriteOwner,
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
