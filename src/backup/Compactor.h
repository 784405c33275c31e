#pragma once

#include "backup/CopyCheck.h"

#include <QString>

#include <functional>
#include <optional>

namespace vemora {

class DatabaseLock;

// Why a compaction left the working database as it was.
enum class CompactFailure {
    SameAsWorking,    // the chosen file is the working database itself
    Companion,        // the chosen file belongs to the working database (journal, lock)
    NotAFile,         // the chosen name is empty, a folder or a device
    FolderReadOnly,   // nothing can be written beside the working database
    InUse,            // another program has the database open
    CannotRead,       // the working database cannot be opened or read
    CompactFailed,    // the engine could not write the compacted copy
    CheckFailed,      // the compacted copy does not hold what the database holds
    CannotWriteCopy,  // the chosen file cannot be written
    CannotReplace,    // the chosen file was written, the working database could not be replaced
    Untrusted,        // the working database, its folder or its lock may have been planted
    ProtectedDestination,  // the chosen file is an organizer's database, a part of one, or a
                           // kept copy
};

struct CompactResult {
    std::optional<CompactFailure> failure;
    QString detail;  // the system's own words, when it gave any

    bool ok() const { return !failure; }
};

// Points the compaction passes, in order. Writing comes once per block written to the chosen
// file, while the copy is being checked; a backup passes Locked, Compacted, Checked and
// CopyWritten.
enum class CompactStep { Locked, Compacted, Writing, Checked, CopyWritten, Replaced };

// Writes a compacted, checked copy of the working database to a chosen file and puts the same
// copy in place of the working database. Any failure leaves the working database as it was.
class Compactor final {
    Q_DISABLE_COPY_MOVE(Compactor)
public:
    // The connection string names the working database and its password.
    explicit Compactor(const QString& connectionString);

    // Called as each step is passed, with the file the step worked on.
    void setStepHook(std::function<void(CompactStep, const QString&)> hook) {
        m_hook = std::move(hook);
    }

    // Writes the copy to the destination, then puts it in place of the working database.
    CompactResult run(const QString& destination);
    // Writes the copy to the destination only; the working database stays as it is.
    CompactResult backup(const QString& destination);

private:
    enum class Replace { Working, Nothing };
    CompactResult start(const QString& destination, Replace replace);
    // The compacted copy of the working database in temp, and what the database holds
    // (`expected`, filled in) for the check of that copy.
    CompactResult compact(const QString& temp, QFileDevice::Permissions permissions,
                          Contents& expected);
    // Checks the copy in temp and writes it to the destination, both at once.
    CompactResult writeCheckedCopy(const QString& temp, const QString& destination,
                                   const Contents& expected);
    void passed(CompactStep step, const QString& file) const {
        if (m_hook) m_hook(step, file);
    }

    QString m_connectionString;
    QString m_working;
    QString m_password;
    std::function<void(CompactStep, const QString&)> m_hook;
};

}  // namespace vemora
