#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "backup/CopyCheck.h"

namespace vemora {

class PrivateFolder;

// Why a restore left the working database as it was.
enum class RestoreFailure {
    SameAsWorking,   // the chosen file is the working database itself
    Companion,       // the chosen file belongs to the working database (journal, lock)
    NotAFile,        // the chosen name is empty, a folder, a device or no file at all
    Invalid,         // the chosen file is damaged, another program's or from a newer version
    FolderReadOnly,  // nothing can be written beside the working database
    InUse,           // another program has the database open
    CannotRead,      // the chosen file cannot be read
    CannotKeep,      // the working database could not be kept beside it
    CannotReplace,   // the working database could not be replaced
    Untrusted,       // the working database, its folder or its lock may have been planted
};

struct RestoreResult {
    std::optional<RestoreFailure> failure;
    QString detail;  // the system's own words, when it gave any
    QString kept;    // where the previous working database was kept, if there was one

    bool ok() const { return !failure; }
};

// Points a restore passes, in order. Writing comes once per block of the copy staged beside the
// working database.
enum class RestoreStep { Locked, Writing, Staged, Checked, Kept, Replaced };

// Puts a checked copy of a backup file in place of the working database, keeping the working
// database beside it as journey.mdb.before-restore-YYYYMMDD-HHMMSS. Any failure leaves the
// working database as it was; at every moment there is a whole working database.
class Restorer final {
    Q_DISABLE_COPY_MOVE(Restorer)
public:
    // The connection string names the working database and its password.
    explicit Restorer(const QString& connectionString);

    void setStepHook(std::function<void(RestoreStep, const QString&)> hook) {
        m_hook = std::move(hook);
    }

    // What the file holds, when it may be restored; it is not changed.
    std::optional<DatabaseSummary> examine(const QString& source, RestoreResult& refusal) const;
    RestoreResult run(const QString& source);

    // "<working>.before-restore-" followed by the date and time.
    static QString keptName(const QString& working, const QDateTime& when);

private:
    static constexpr int kKeptNameTries = 60;
    // Copies the working database to a kept name that nothing held; `kept` names it.
    std::optional<QString> keep(const PrivateFolder& staging, QString& kept) const;
    std::optional<RestoreFailure> refusalOfName(const QString& source) const;
    void passed(RestoreStep step, const QString& file) const {
        if (m_hook) m_hook(step, file);
    }

    QString m_working;
    QString m_password;
    std::function<void(RestoreStep, const QString&)> m_hook;
};

}  // namespace vemora
