#include "tools/Compactor.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/DbError.h"
#include "data/FileWriting.h"
#include "data/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUrl>

namespace vemora {

namespace {

constexpr qint64 kBlockSize = 64 * 1024;
constexpr QLatin1StringView kTempPattern(".journey-*.tmp");
// Files SQLite and the organizers keep beside a database.
constexpr const char* kCompanionSuffixes[] = {"-journal", "-wal", "-shm", ".lock"};

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

QString errorText(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file.
bool isBusy(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == 5 || code == 6;
}

Result<Contents> readContents(const QSqlDatabase& db) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    Contents contents;
    QStringList tables;
    if (!q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name")))
        return DbError{kErrOther, errorText(q.lastError())};
    while (q.next()) {
        const QString type = q.value(0).toString();
        const QString name = q.value(1).toString();
        contents.schema.append(type + QLatin1Char(' ') + name + QStringLiteral(": ") +
                               q.value(2).toString());
        if (type == u"table") tables.append(name);
    }
    if (q.lastError().isValid()) return DbError{kErrOther, errorText(q.lastError())};
    for (const QString& table : tables) {
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + quoted(table)) || !q.next())
            return DbError{kErrOther, errorText(q.lastError())};
        contents.rows.append({table, q.value(0).toLongLong()});
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return DbError{kErrOther, errorText(q.lastError())};
    contents.userVersion = q.value(0).toLongLong();
    return contents;
}

std::optional<QString> inspect(const QSqlDatabase& db, const QString& password,
                               const Contents& expected) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
        return errorText(q.lastError());
    if (q.value(0).toInt() != passwordVerifier(password))
        return QStringLiteral("the copy does not carry the database password");
    if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) return errorText(q.lastError());
    QStringList verdict;
    while (q.next()) verdict.append(q.value(0).toString());
    if (q.lastError().isValid()) return errorText(q.lastError());
    if (verdict != QStringList{QStringLiteral("ok")}) return verdict.join(QStringLiteral("; "));
    q.finish();
    const Result<Contents> found = readContents(db);
    if (!found) return found.error().description;
    if (found.value() != expected)
        return QStringLiteral("the copy's tables or rows differ from the database's");
    return std::nullopt;
}

// Reads a copy as it lies on disk: immutable, so no journal beside it is applied or created.
std::optional<QString> checkCopy(const QString& path, const QString& password,
                                 const Contents& expected) {
    const QString name = QStringLiteral("vemora-compaction-check");
    std::optional<QString> problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        uri.setQuery(QStringLiteral("mode=ro&immutable=1"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        problem = db.open() ? inspect(db, password, expected) : errorText(db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
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

// The journal or log of a writer that still has the database open. Once our own connection
// is closed, any that remains would be applied to the file we put in place.
std::optional<QString> writersJournal(const QString& database) {
    for (const char* suffix : {"-journal", "-wal"}) {
        const QString journal = database + QLatin1String(suffix);
        if (QFileInfo::exists(journal))
            return QStringLiteral("%1 is being written").arg(QDir::toNativeSeparators(journal));
    }
    return std::nullopt;
}

bool samePath(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isCompanion(const QString& chosen, const QString& working) {
    const QString path = comparable(chosen);
    const QString database = comparable(working);
    for (const char* suffix : kCompanionSuffixes)
        if (samePath(path, database + QLatin1String(suffix))) return true;
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
    return compactAndReplace(temp.fileName(), destination);
}

CompactResult Compactor::compactAndReplace(const QString& temp, const QString& destination) {
    Contents expected;
    {
        // Opening through SQLite rolls back a journal a crashed writer left behind.
        Connection source;
        source.setConnectionString(m_connectionString);
        if (const Status opened = source.open(); !opened)
            return {CompactFailure::CannotRead, opened.error().description};
        const Result<Contents> contents = readContents(source.database());
        if (!contents) return {CompactFailure::CannotRead, contents.error().description};
        expected = contents.value();
        QSqlQuery vacuum(source.database());
        vacuum.prepare(QStringLiteral("VACUUM INTO ?"));
        vacuum.addBindValue(temp);
        if (!vacuum.exec()) {
            const QSqlError error = vacuum.lastError();
            return {isBusy(error) ? CompactFailure::InUse : CompactFailure::CompactFailed,
                    errorText(error)};
        }
    }
    if (const auto journal = writersJournal(m_working)) return {CompactFailure::InUse, *journal};
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
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        QFile stale(destination + QLatin1String(suffix));
        if (stale.exists() && !stale.remove())
            return {CompactFailure::CannotWriteCopy, stale.errorString()};
    }
    passed(CompactStep::CopyWritten, destination);

    if (const auto journal = writersJournal(m_working))
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
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return out.errorString();
    while (!in.atEnd()) {
        const QByteArray block = in.read(kBlockSize);
        if (block.isEmpty()) return in.errorString();
        if (auto problem = writeAll(out, block)) return problem;
        passed(CompactStep::Writing, to);
    }
    if (!out.commit()) return out.errorString();
    return std::nullopt;
}

}  // namespace vemora
