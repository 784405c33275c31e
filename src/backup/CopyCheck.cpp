#include "backup/CopyCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <thread>

#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/DbError.h"
#include "data/SafeFiles.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

namespace vemora {

namespace {

constexpr qint64 kBlockSize = 64 * 1024;
constexpr qint64 kStartWritingAfter = 4 * 1024 * 1024;
// A hash of a file's blocks, each chained to those before it: Qt's hash, which is much faster
// than the disk, and seeded anew for every run.
size_t chained(size_t digest, QByteArrayView block) {
    return qHash(block, digest);
}

std::optional<QString> writeAt(int fd, QByteArrayView bytes, qint64 at) {
    while (!bytes.isEmpty()) {
        const ssize_t put = ::pwrite(fd, bytes.data(), size_t(bytes.size()), at);
        if (put < 0) {
            if (errno == EINTR) continue;
            return systemError(errno);
        }
        bytes = bytes.sliced(put);
        at += put;
    }
    return std::nullopt;
}

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

Status openAsItLies(Connection& db, const QString& path) {
    db.setConnectionString(QStringLiteral("Data Source=") + path);
    return db.openSnapshot();
}

// The column names of every table, in order.
Result<QHash<QString, QStringList>> readColumns(Connection& db) {
    const Result<Recordset> found = db.execute(
        Statement("SELECT m.name, p.name FROM sqlite_master AS m, pragma_table_info(m.name) AS p "
                  "WHERE m.type = 'table' ORDER BY m.name, p.cid"));
    if (!found) return found.error();
    QHash<QString, QStringList> columns;
    for (int i = 0; i < found.value().rowCount(); ++i) {
        const QVariantList& row = found.value().row(i);
        columns[row.value(0).toString().toLower()].append(row.value(1).toString().toLower());
    }
    return columns;
}

// Every object of a database (type and name, lower case), less the engine's own.
// Each object's type and name (lower case), and the statement that made it.
Result<QList<std::pair<QString, QString>>> readObjects(Connection& db) {
    const Result<Recordset> found = db.execute(
        Statement("SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' "
                  "ESCAPE '\\' ORDER BY type, name"));
    if (!found) return found.error();
    QList<std::pair<QString, QString>> objects;
    for (int i = 0; i < found.value().rowCount(); ++i) {
        const QVariantList& row = found.value().row(i);
        objects.append({row.value(0).toString().toLower() + QLatin1Char(' ') +
                            row.value(1).toString().toLower(),
                        row.value(2).toString()});
    }
    return objects;
}

// Every object this program makes in a file (type and name, lower case), in any version, with
// the statement that makes it where the object runs or is read as code: a trigger, a view, the
// search index. The index's own tables are the engine's.
QHash<QString, QString> deliveredObjects() {
    QHash<QString, QString> objects;
    for (const Table& table : schemaTables()) {
        objects.insert(QStringLiteral("table ") + table.name, {});
        for (const Index& index : table.indexes)
            if (!table.keyedOnColumn(index))
                objects.insert(QStringLiteral("index ") + index.name, {});
    }
    for (const SchemaObject& object : fileSearchObjects())
        objects.insert(object.type + QLatin1Char(' ') + object.name, object.sql);
    for (const QString& shadow : fileSearchShadowTables())
        objects.insert(QStringLiteral("table ") + shadow, {});
    return objects;
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

}  // namespace

std::optional<QString> protectedDestination(const QString& path) {
    const QFileInfo chosen(path);
    const QString target = chosen.isSymLink() ? chosen.symLinkTarget() : path;
    if (isVemoraDatabase(target) && QFileInfo::exists(DatabaseLock::lockFilePath(target)))
        return QStringLiteral("%1 is the database of an organizer; choose another file")
            .arg(QDir::toNativeSeparators(path));
    return partOfDatabase(path);
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

std::optional<QString> checkCopy(const QString& path, const QString& password,
                                 const Contents& expected) {
    Connection copy;
    if (const Status opened = openAsItLies(copy, path); !opened) return opened.error().description;
    const Result<qint64> verifier = single(copy, Statement("PRAGMA application_id"));
    if (!verifier) return verifier.error().description;
    if (qint32(verifier.value()) != SqliteEngine::passwordVerifier(password))
        return QStringLiteral("the copy does not carry the database password");
    if (const auto problem = SqliteEngine::integrityProblem(copy)) return problem;
    const Result<Contents> found = readContents(copy);
    if (!found) return found.error().description;
    if (found.value() != expected)
        return QStringLiteral("the copy's tables or rows differ from the database's");
    return std::nullopt;
}

qint64& DatabaseSummary::rows(qsizetype table) {
    qint64* counts[] = {&accounts, &contacts, &diaryDays, &plans, &words, &drafts, &options};
    static_assert(std::size(counts) == 7);
    Q_ASSERT(table >= 0 && size_t(table) < std::size(counts) &&
             std::size(counts) == schemaTables().size());
    return *counts[table];
}

Result<DatabaseSummary> examineDatabase(const QString& path, const QString& password) {
    Connection db;
    if (const Status opened = openAsItLies(db, path); !opened) return opened.error();
    // A file that is not SQLite's fails its first read.
    const Result<qint64> verifier = single(db, Statement("PRAGMA application_id"));
    if (!verifier)
        return SqliteEngine::refusal(DbProblem::Foreign, path, verifier.error().description);
    if (qint32(verifier.value()) != SqliteEngine::passwordVerifier(password))
        return SqliteEngine::refusal(
            DbProblem::Foreign, path,
            QStringLiteral("it does not carry this program's database password"));
    const Result<qint64> version = single(db, Statement("PRAGMA user_version"));
    if (!version)
        return SqliteEngine::refusal(DbProblem::Damaged, path, version.error().description);
    const Result<QHash<QString, QStringList>> columns = readColumns(db);
    if (!columns)
        return SqliteEngine::refusal(DbProblem::Damaged, path, columns.error().description);
    if (const auto problem = schemaProblem(qint32(verifier.value()), int(version.value()),
                                           columns.value().keys(), password, 1))
        return SqliteEngine::refusal(problem->problem, path, problem->cause);
    if (const auto problem = SqliteEngine::integrityProblem(db))
        return SqliteEngine::refusal(DbProblem::Damaged, path, *problem);

    // Only what this program makes: a trigger, view, table or index of anyone else's would run
    // or stay in the organizer's database once restored.
    const auto objects = readObjects(db);
    if (!objects)
        return SqliteEngine::refusal(DbProblem::Damaged, path, objects.error().description);
    const QHash<QString, QString> delivered = deliveredObjects();
    for (const auto& [object, sql] : objects.value()) {
        const auto made = delivered.constFind(object);
        if (made == delivered.cend() || (!made->isEmpty() && *made != sql))
            return SqliteEngine::refusal(
                DbProblem::Foreign, path,
                QStringLiteral("it holds the %1, which this program does not make").arg(object));
    }
    // An older version is brought forward once restored; its columns may still differ.
    if (version.value() == kSchemaVersion)
        for (const Table& table : schemaTables())
            if (columns.value().value(table.name) != table.columnNames())
                return SqliteEngine::refusal(
                    DbProblem::Damaged, path,
                    QStringLiteral("the table %1 does not have the expected columns")
                        .arg(table.name));

    DatabaseSummary summary;
    summary.version = int(version.value());
    for (qsizetype i = 0; i < qsizetype(schemaTables().size()); ++i) {
        const Table& table = schemaTables()[size_t(i)];
        if (table.since > summary.version) continue;
        const Result<qint64> rows =
            single(db, Statement(QStringLiteral("SELECT COUNT(*) FROM ") + table.name));
        if (!rows) return SqliteEngine::refusal(DbProblem::Damaged, path, rows.error().description);
        summary.rows(i) = rows.value();
    }
    summary.written = QFileInfo(path).lastModified();
    return summary;
}

bool isWorkingDatabase(const QString& chosen, const QString& working) {
    return !chosen.isEmpty() && samePath(comparable(chosen), comparable(working));
}

bool isCompanion(const QString& chosen, const QString& working) {
    const QString path = comparable(chosen);
    const QString database = comparable(working);
    for (const QString& suffix : SqliteEngine::companionSuffixes())
        if (samePath(path, database + suffix)) return true;
    return false;
}

std::optional<QString> writeWholeFile(const QString& from, const QString& to,
                                      QFileDevice::Permissions permissions,
                                      const std::function<void()>& onBlock,
                                      const std::function<std::optional<QString>()>& beforeCommit) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    // Built in a folder of this account's own beside `to`, then renamed over it: the name `to`
    // is replaced, never followed.
    const PrivateFolder building(QFileInfo(to).absolutePath());
    if (!building.isValid()) return building.error();
    const QString name = QStringLiteral("copy");
    QString problem;
    const FileDescriptor out =
        createExclusive(building.filePath(name), posixMode(permissions), problem);
    if (!out.isValid()) return problem;
    size_t digest = 0;
    qint64 written = 0;
    qint64 started = 0;
    while (!in.atEnd()) {
        const QByteArray block = in.read(kBlockSize);
        if (block.isEmpty()) return in.errorString();
        if (auto failed = writeAt(out.get(), block, written)) return failed;
        written += block.size();
        digest = chained(digest, block);
        if (onBlock) onBlock();
        // The disk starts on the bytes as they come, rather than on all of them at the end.
        if (written - started >= kStartWritingAfter) {
            ::sync_file_range(out.get(), started, written - started, SYNC_FILE_RANGE_WRITE);
            started = written;
        }
    }
    size_t readBack = 0;
    QByteArray block(kBlockSize, Qt::Uninitialized);
    for (qint64 at = 0; at < written;) {
        const ssize_t got = ::pread(out.get(), block.data(), size_t(kBlockSize), at);
        if (got <= 0) return got < 0 ? systemError(errno) : QStringLiteral("the copy is short");
        readBack = chained(readBack, QByteArrayView(block.constData(), got));
        at += got;
    }
    if (readBack != digest) return QStringLiteral("the copy on disk differs from the copy written");
    if (beforeCommit)
        if (auto failed = beforeCommit()) return failed;
    if (::fsync(out.get()) != 0) return systemError(errno);
    if (const int failed = building.moveOut(name, to, false)) return systemError(failed);
    return syncFolder(QFileInfo(to).absolutePath());
}

std::optional<QString> moveIntoPlace(const QString& from, const QString& to) {
    auto synced = [](const QString& path, int flags) -> std::optional<QString> {
        const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const QString problem = QString::fromLocal8Bit(std::strerror(errno));
            if (fd >= 0) ::close(fd);
            return problem;
        }
        ::close(fd);
        return std::nullopt;
    };
    if (const auto problem = synced(from, O_RDONLY)) return problem;
    // Freeing a large file's blocks takes the file system a while (a tenth of a second for
    // 500 MB): a descriptor held across the rename lets a thread of its own do it afterwards.
    const int replaced = ::open(QFile::encodeName(to).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    auto release = qScopeGuard([replaced] {
        if (replaced >= 0) std::thread([replaced] { ::close(replaced); }).detach();
    });
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return syncFolder(QFileInfo(to).absolutePath());
}

std::optional<QString> replaceWorking(const PrivateFolder& staging, const QString& name,
                                      const QString& working) {
    const int renamed = staging.moveOut(name, working, false);
    if (renamed == 0) return syncFolder(QFileInfo(working).absolutePath());
    if (renamed != EPERM && renamed != EACCES) return systemError(renamed);
    // The engine writes the copy's pages into the file itself, under its journal.
    const Status copied = SqliteEngine::copyInto(staging.filePath(name), working);
    if (!copied) return copied.error().description;
    return std::nullopt;
}

std::optional<QString> removeEngineFiles(const QString& database) {
    for (const QString& suffix : SqliteEngine::engineFileSuffixes()) {
        // An empty journal is applied to nothing; in a sticky folder it may be another
        // account's, kept in place on purpose.
        const QFileInfo stale(database + suffix);
        if (!stale.exists() || (stale.isFile() && stale.size() == 0)) continue;
        if (QFile file(stale.filePath()); !file.remove()) return file.errorString();
    }
    return std::nullopt;
}

}  // namespace vemora
