#pragma once

#include "data/EngineLock.h"

#include <QString>

#include <optional>

namespace vemora {

// An advisory lock on a file beside the database. Every running organizer holds it shared for
// its whole run; the maintenance tool needs it exclusively before it replaces the database, so
// it never puts a file in place of one that another program has open.
class DatabaseLock final : public EngineLock {
public:
    explicit DatabaseLock(const QString& databasePath);
    ~DatabaseLock() override;

    // False also when the lock file can be neither created nor opened.
    bool tryLock(Mode mode) override;
    void unlock() override;
    bool isLocked() const override { return m_handle != kNoHandle; }
    // False also for want of a lock file (a folder nobody may write to).
    bool heldElsewhere() const override { return m_heldElsewhere; }
    QString problem() const override { return m_problem; }

    // "<database>.lock"; created on first use and never removed, so every holder locks the
    // same file.
    static QString lockFilePath(const QString& databasePath);
    static QString suffix();

private:
#ifndef Q_OS_WIN
    std::optional<QString> untrustedLock(int fd) const;
#endif
    static constexpr qintptr kNoHandle = -1;
    QString m_path;
    qintptr m_handle = kNoHandle;
    bool m_heldElsewhere = false;
    QString m_problem;
};

}  // namespace vemora
