#include "backup/CopyCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <thread>

#include "data/Connection.h"
#include "data/FileWriting.h"
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
constexpr QLatin1StringView kTempPattern(".journey-*.tmp");

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

// The tables and columns of a database as this program delivers it.
const QHash<QString, QStringList>& deliveredColumns() {
    static const QHash<QString, QStringList> columns = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("delivered.mdb"));
        Connection db;
        if (!SqliteEngine::createDatabase(path) || !openAsItLies(db, path))
            return QHash<QString, QStringList>();
        const Result<QHash<QString, QStringList>> found = readColumns(db);
        return found ? found.value() : QHash<QString, QStringList>();
    }();
    return columns;
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
    if (version.value() > kSchemaVersion)
        return SqliteEngine::refusal(
            DbProblem::Newer, path,
            QStringLiteral("version %1; this program knows versions up to %2")
                .arg(version.value())
                .arg(kSchemaVersion));
    if (version.value() < 1)
        return SqliteEngine::refusal(DbProblem::Damaged, path,
                                     QStringLiteral("it records no schema version"));
    if (const auto problem = SqliteEngine::integrityProblem(db))
        return SqliteEngine::refusal(DbProblem::Damaged, path, *problem);

    const Result<QHash<QString, QStringList>> columns = readColumns(db);
    if (!columns)
        return SqliteEngine::refusal(DbProblem::Damaged, path, columns.error().description);
    const QHash<QString, QStringList>& delivered = deliveredColumns();
    if (delivered.isEmpty())
        return DbError{kErrOther, QStringLiteral("The tables to expect cannot be determined.")};
    for (auto table = delivered.begin(); table != delivered.end(); ++table) {
        if (table.key().startsWith(u"sqlite_")) continue;
        const auto found = columns.value().find(table.key());
        if (found == columns.value().end())
            return SqliteEngine::refusal(
                DbProblem::Damaged, path,
                QStringLiteral("the table %1 is missing").arg(table.key()));
        // An older version is brought forward once restored; its columns may still differ.
        if (version.value() == kSchemaVersion && *found != table.value())
            return SqliteEngine::refusal(
                DbProblem::Damaged, path,
                QStringLiteral("the table %1 does not have the expected columns").arg(table.key()));
    }

    DatabaseSummary summary;
    summary.version = int(version.value());
    const QPair<const char*, qint64*> counts[] = {{"users", &summary.accounts},
                                                  {"addressbook_tbl", &summary.contacts},
                                                  {"diary_tbl", &summary.diaryDays},
                                                  {"planner_tbl", &summary.plans},
                                                  {"dictionary_tbl", &summary.words}};
    for (const auto& [table, count] : counts) {
        const Result<qint64> rows =
            single(db, Statement(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table)));
        if (!rows) return SqliteEngine::refusal(DbProblem::Damaged, path, rows.error().description);
        *count = rows.value();
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
    size_t digest = 0;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return out.errorString();
    if (!out.setPermissions(permissions)) return out.errorString();
    qint64 started = 0;
    while (!in.atEnd()) {
        const QByteArray block = in.read(kBlockSize);
        if (block.isEmpty()) return in.errorString();
        if (auto problem = writeAll(out, block)) return problem;
        digest = chained(digest, block);
        if (onBlock) onBlock();
        // The disk starts on the bytes as they come, rather than on all of them at the commit.
        if (out.pos() - started >= kStartWritingAfter) {
            ::sync_file_range(out.handle(), started, out.pos() - started, SYNC_FILE_RANGE_WRITE);
            started = out.pos();
        }
    }
    // Read back through the same descriptor: the new file may have no name before the commit.
    QFile written;
    if (!written.open(out.handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ||
        !written.seek(0))
        return written.errorString();
    size_t readBack = 0;
    while (!written.atEnd()) {
        const QByteArray block = written.read(kBlockSize);
        if (block.isEmpty()) return written.errorString();
        readBack = chained(readBack, block);
    }
    if (readBack != digest) return QStringLiteral("the copy on disk differs from the copy written");
    if (beforeCommit)
        if (auto problem = beforeCommit()) return problem;
    if (!out.commit()) return out.errorString();
    return std::nullopt;
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
    return synced(QFileInfo(to).absolutePath(), O_RDONLY | O_DIRECTORY);
}

std::optional<QString> removeEngineFiles(const QString& database) {
    for (const QString& suffix : SqliteEngine::engineFileSuffixes()) {
        QFile stale(database + suffix);
        if (stale.exists() && !stale.remove()) return stale.errorString();
    }
    return std::nullopt;
}

StagingFile::StagingFile(const QString& working) {
    // Copies left by a run that was killed; no other run can be going on under the lock.
    const QDir dir(QFileInfo(working).absolutePath());
    for (const QString& stale : dir.entryList({kTempPattern}, QDir::Files | QDir::Hidden))
        QFile::remove(dir.filePath(stale));
    m_file.setFileTemplate(
        dir.filePath(QString(kTempPattern).replace(QLatin1Char('*'), QStringLiteral("XXXXXX"))));
    m_valid = m_file.open();
    m_file.close();
}

}  // namespace vemora
