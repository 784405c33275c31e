#include "backup/Compactor.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/DbError.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace vemora {

namespace {

constexpr qint64 kBlockSize = 64 * 1024;
constexpr QLatin1StringView kTempPattern(".journey-*.tmp");

// What a copy must hold to stand in for the database.
struct Contents {
    QStringList schema;                  // type, name and definition of every object
    QList<QPair<QString, qint64>> rows;  // row count of every table
    qint64 userVersion = 0;

    bool operator==(const Contents&) const = default;
};

QString quoted(QString identifier) {
    return QLatin1Char('"') + identifier.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

Result<qint64> single(Connection& db, const Statement& statement) {
    Result<Recordset> found = db.execute(statement);
    if (!found) return found.error();
    if (found.value().eof()) return DbError{kErrOther, QStringLiteral("no rows")};
    return found.value().row(0).value(0).toLongLong();
}

Result<Contents> readContents(Connection& db) {
    Contents contents;
    QStringList tables;
    const Result<Recordset> objects =
        db.execute(Statement("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
    if (!objects) return objects.error();
    for (int i = 0; i < objects.value().rowCount(); ++i) {
        const QVariantList& object = objects.value().row(i);
        const QString type = object.value(0).toString();
        const QString name = object.value(1).toString();
        contents.schema.append(type + QLatin1Char(' ') + name + QStringLiteral(": ") +
                               object.value(2).toString());
        if (type == u"table") tables.append(name);
    }
    for (const QString& table : tables) {
        const Result<qint64> count =
            single(db, Statement(QStringLiteral("SELECT COUNT(*) FROM ") + quoted(table)));
        if (!count) return count.error();
        contents.rows.append({table, count.value()});
    }
    const Result<qint64> version = single(db, Statement("PRAGMA user_version"));
    if (!version) return version.error();
    contents.userVersion = version.value();
    return contents;
}

std::optional<QString> inspect(Connection& db, const QString& password, const Contents& expected) {
    const Result<qint64> verifier = single(db, Statement("PRAGMA application_id"));
    if (!verifier) return verifier.error().description;
    if (qint32(verifier.value()) != SqliteEngine::passwordVerifier(password))
        return QStringLiteral("the copy does not carry the database password");
    if (const auto problem = SqliteEngine::integrityProblem(db)) return problem;
    const Result<Contents> found = readContents(db);
    if (!found) return found.error().description;
    if (found.value() != expected)
        return QStringLiteral("the copy's tables or rows differ from the database's");
    return std::nullopt;
}

// Reads a copy as it lies on disk, so that no journal beside it is applied or created.
std::optional<QString> checkCopy(const QString& path, const QString& password,
                                 const Contents& expected) {
    Connection copy;
    copy.setConnectionString(QStringLiteral("Data Source=") + path);
    if (const Status opened = copy.openSnapshot(); !opened) return opened.error().description;
    return inspect(copy, password, expected);
}

// A path in one form for comparison: symbolic links and "." or ".." resolved where the file
// or its folder exists.
QString comparable(const QString& path) {
    const QFileInfo file(QDir::fromNativeSeparators(path));
    const QString canonical = file.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? QDir::cleanPath(file.absolutePath()) : folder) + QLatin1Char('/') +
           file.fileName();
}

bool samePath(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isCompanion(const QString& chosen, const QString& working) {
    const QString path = comparable(chosen);
    const QString database = comparable(working);
    for (const QString& suffix : SqliteEngine::companionSuffixes())
        if (samePath(path, database + suffix)) return true;
    return false;
}

}  // namespace

bool isWorkingDatabase(const QString& chosen, const QString& working) {
    return !chosen.isEmpty() && samePath(comparable(chosen), comparable(working));
}

Compactor::Compactor(const QString& connectionString) : m_connectionString(connectionString) {
    const ConnectionParts parts = parseConnectionString(connectionString);
    m_working = parts.dataSource;
    m_password = parts.password;
}

CompactResult Compactor::run(const QString& destination) {
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

    // Copies left by a run that was killed; no other run can be going on while we hold the lock.
    const QDir dir(folder);
    for (const QString& stale : dir.entryList({kTempPattern}, QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(stale));
    // The copy is made beside the working database, so that it can be moved into place.
    QTemporaryFile temp(
        dir.filePath(QString(kTempPattern).replace(QLatin1Char('*'), QStringLiteral("XXXXXX"))));
    if (!temp.open()) return {CompactFailure::FolderReadOnly, temp.errorString()};
    temp.close();
    return compactAndReplace(lock, temp.fileName(), destination);
}

CompactResult Compactor::compactAndReplace(const DatabaseLock& lock, const QString& temp,
                                           const QString& destination) {
    Contents expected;
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
    if (const auto problem = checkCopy(temp, m_password, expected))
        return {CompactFailure::CheckFailed, *problem};
    passed(CompactStep::Checked, temp);

    // A chosen file that is another organizer's database is not replaced while in use.
    DatabaseLock destinationLock(destination);
    if (QFileInfo::exists(DatabaseLock::lockFilePath(destination)) &&
        !destinationLock.tryLock(DatabaseLock::Mode::Exclusive))
        return {CompactFailure::InUse, QDir::toNativeSeparators(destination)};
    if (const auto problem = copyFile(temp, destination))
        return {CompactFailure::CannotWriteCopy, *problem};
    if (const auto problem = checkCopy(destination, m_password, expected))
        return {CompactFailure::CannotWriteCopy, *problem};
    // A journal of the file that was replaced would be applied to the new copy.
    for (const QString& suffix : SqliteEngine::engineFileSuffixes()) {
        QFile stale(destination + suffix);
        if (stale.exists() && !stale.remove())
            return {CompactFailure::CannotWriteCopy, stale.errorString()};
    }
    passed(CompactStep::CopyWritten, destination);

    // Checked again right before the working database is replaced.
    if (!lock.isLocked()) return {CompactFailure::InUse, {}};
    if (const auto journal = SqliteEngine::writersJournal(m_working))
        return {CompactFailure::CannotReplace, *journal};
    if (const auto problem = copyFile(temp, m_working))
        return {CompactFailure::CannotReplace, *problem};
    passed(CompactStep::Replaced, m_working);
    return {};
}

// Writes a whole new file and moves it over the old one only when every byte is on disk.
std::optional<QString> Compactor::copyFile(const QString& from, const QString& to) const {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) return out.errorString();
    // A copy is readable by no more accounts than the working database, before a byte is in it.
    if (!out.setPermissions(QFile::permissions(m_working))) return out.errorString();
    while (!in.atEnd()) {
        const QByteArray block = in.read(kBlockSize);
        if (block.isEmpty()) return in.errorString();
        if (out.write(block) != block.size()) return out.errorString();
        passed(CompactStep::Writing, to);
    }
    if (!out.commit()) return out.errorString();
    return std::nullopt;
}

}  // namespace vemora
