#pragma once

#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct stat;

namespace vemora {

// Files in a folder that other accounts may write (the computer's shared database folder): no
// name there is trusted. Files are created O_EXCL|O_NOFOLLOW, opened O_NOFOLLOW and checked
// with fstat, then used through the descriptor.

// A descriptor closed with its owner.
class FileDescriptor final {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd = -1;
};

// The system's words for errno.
QString systemError(int error);

// True when accounts other than the folder's owner may create or rename names in it.
bool othersMayWrite(const QString& folder);

// Why the folder of a database cannot hold the files a restore or a compaction makes beside it:
// writable by other accounts without the sticky bit, or not a folder. Empty when it can.
std::optional<QString> unsafeFolder(const QString& folder);

// Opens an existing file without following a link or blocking on a pipe and checks, on the
// descriptor, that it is a regular file with one name, owned by this account, by root or by the
// folder's owner, or sharing the folder's group. `problem` names the path and the reason.
FileDescriptor openChecked(const QString& path, int flags, QString& problem);

// Why the file at `path` cannot be trusted as the database, or nothing; a missing file is not a
// problem here.
std::optional<QString> untrustedDatabase(const QString& path);

// Creates a new file that did not exist under any form (a dangling link counts as existing).
// A file whose mode gives its group nothing takes this account's group, not a setgid folder's.
FileDescriptor createExclusive(const QString& path, int mode, QString& problem);

// Copies every byte of an open file to another, then syncs the copy; `onBlock` runs after each
// block.
std::optional<QString> copyDescriptor(int from, int to, const std::function<void()>& onBlock = {});

// Qt's permission flags as a POSIX mode.
int posixMode(QFileDevice::Permissions permissions);

// A folder of this account's own (mode 0700) made inside another, where copies are built: no
// other account can plant or swap a name in it. Removed with everything in it when destroyed.
class PrivateFolder final {
public:
    explicit PrivateFolder(const QString& parent);
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    bool isValid() const { return m_fd.isValid(); }
    QString error() const { return m_error; }
    QString path() const { return m_path; }
    QString filePath(const QString& name) const;
    // Moves one of its files to `to` in one step; an existing `to` is replaced as a name (a link
    // there is replaced, not followed), or, with `noReplace`, left alone and the move refused.
    // Yields 0 or the system's error number.
    int moveOut(const QString& name, const QString& to, bool noReplace) const;

    // Removes the folders that killed runs of this account left in `parent`.
    static void removeStale(const QString& parent);
    static QString namePattern();

private:
    FileDescriptor m_fd;
    QString m_path;
    QString m_error;
};

// Syncs a folder, so the names just given in it are on disk.
std::optional<QString> syncFolder(const QString& folder);

// Puts `bytes` in place of the file at `path` once all of them are on disk: written to a new
// file of `mode` in a folder of this account's own beside it, then renamed over the name (a
// link there is replaced, not followed).
std::optional<QString> replaceSafely(const QString& path, QByteArrayView bytes, int mode);

// The names the programs create or open beside a database (wildcards where a date or a random
// part is added): the database, its journals, its lock, staging folders and kept copies.
QStringList namesBeside(const QString& databaseFileName);

// True when the file holds a database of this program (its header and password verifier).
bool isVemoraDatabase(const QString& path);

// Why `path` may not be written over: it is a journal or lock of a database of this program, or
// a kept copy of one. Empty when it may.
std::optional<QString> partOfDatabase(const QString& path);

// Why an output (an export, a playlist, a PDF) may not be written at `path`: it is a database
// of this program, a journal or lock of one, or a kept copy. Empty when it may.
std::optional<QString> protectedOutput(const QString& path);

// The permissions an output file is created with: read and write for its owner only, less what
// the umask removes.
int privateFileMode();

}  // namespace vemora
