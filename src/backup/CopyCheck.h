#pragma once

#include <QDateTime>
#include <QFileDevice>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "data/DbError.h"

namespace vemora {

class Connection;
class PrivateFolder;

// What a copy must hold to stand in for the database it was made from.
struct Contents {
    QStringList schema;                  // type, name and definition of every object
    QList<QPair<QString, qint64>> rows;  // row count of every table
    qint64 userVersion = 0;

    bool operator==(const Contents&) const = default;
};

Result<Contents> readContents(Connection& db);

// Reads a copy as it lies on disk (no journal beside it is applied or created) and says what
// keeps it from standing in for a database holding `expected` under `password`.
std::optional<QString> checkCopy(const QString& path, const QString& password,
                                 const Contents& expected);

// What a database file holds, as a person restoring it wants to know.
struct DatabaseSummary {
    int version = 0;
    qint64 accounts = 0;
    qint64 contacts = 0;
    qint64 diaryDays = 0;
    qint64 plans = 0;
    qint64 words = 0;
    qint64 drafts = 0;
    qint64 options = 0;
    QDateTime written;  // the file's last change

    // The rows of the schema's table number `table`, in the order of schemaTables().
    qint64& rows(qsizetype table);
    qint64 rows(qsizetype table) const { return const_cast<DatabaseSummary*>(this)->rows(table); }
};

// Examines a file as it lies on disk without changing it: this program's password verifier,
// a schema version it knows, the engine's integrity check and the tables with their
// columns (for an older version, only the tables). A refusal is Foreign, Newer or Damaged,
// Missing or Unreadable, and names the file.
Result<DatabaseSummary> examineDatabase(const QString& path, const QString& password);

// True when the chosen name is the working database, in any letter case or path form.
bool isWorkingDatabase(const QString& chosen, const QString& working);
// True when the chosen name is one of the files kept beside the working database.
bool isCompanion(const QString& chosen, const QString& working);

// Writes a whole new file `to` and moves it over the old one only when every byte is on disk
// and was read back unchanged; the new file gets `permissions` before a byte is in it. It is
// built in a folder of this account's own beside `to`, so no other account can swap it, and a
// link at `to` is replaced, not followed. `onBlock`
// runs after each block. `beforeCommit`, when given, runs once the bytes were read back; a
// problem it names leaves `to` as it was, and no part of the new file stays behind.
std::optional<QString> writeWholeFile(
    const QString& from, const QString& to, QFileDevice::Permissions permissions,
    const std::function<void()>& onBlock,
    const std::function<std::optional<QString>()>& beforeCommit = {});

// Puts a whole file in place of `to` in one step, once every byte of it is on disk: the file
// and the folder are synced around the rename. The disk space of the file replaced is given
// back in the background.
std::optional<QString> moveIntoPlace(const QString& from, const QString& to);

// Removes the engine's own files (journals) of a file that was just replaced, whose old
// journal would otherwise be applied to it.
std::optional<QString> removeEngineFiles(const QString& database);

// Why a copy may not be written at `path`: a part of a database (journal, lock, kept copy), or
// a database an organizer opened (its lock lies beside it). An earlier copy may be written over.
std::optional<QString> protectedDestination(const QString& path);

// Puts the file `name` of `staging` in place of the working database in one step: renamed over
// it, or, where the folder's sticky bit keeps this account from replacing another's file,
// copied into it by the engine in one transaction.
std::optional<QString> replaceWorking(const PrivateFolder& staging, const QString& name,
                                      const QString& working);

}  // namespace vemora
