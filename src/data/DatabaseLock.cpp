#include "data/DatabaseLock.h"

#include "data/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace vemora {

QString DatabaseLock::suffix() {
    return QStringLiteral(".lock");
}

QString DatabaseLock::lockFilePath(const QString& databasePath) {
    return databasePath + suffix();
}

DatabaseLock::DatabaseLock(const QString& databasePath) {
    // Beside the real file, so that every way of naming the database locks the same file;
    // but never through a link in a folder other accounts may write, which may be theirs.
    const QFileInfo named(databasePath);
    const QString real =
        othersMayWrite(named.absolutePath()) ? QString() : named.canonicalFilePath();
    m_path = lockFilePath(real.isEmpty() ? databasePath : real);
}

DatabaseLock::~DatabaseLock() {
    unlock();
}

#ifdef Q_OS_WIN

bool DatabaseLock::tryLock(Mode mode) {
    unlock();
    m_heldElsewhere = false;
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(m_path.utf16()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED at{};
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (mode == Mode::Exclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    if (!LockFileEx(file, flags, 0, 1, 0, &at)) {
        m_heldElsewhere = GetLastError() == ERROR_LOCK_VIOLATION;
        CloseHandle(file);
        return false;
    }
    m_handle = reinterpret_cast<qintptr>(file);
    return true;
}

void DatabaseLock::unlock() {
    if (!isLocked()) return;
    // Closing the handle releases the lock.
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNoHandle;
}

#else

bool DatabaseLock::tryLock(Mode mode) {
    unlock();
    m_heldElsewhere = false;
    m_problem.clear();
    const QByteArray name = QFile::encodeName(m_path);
    // Never through a link, never blocking on a pipe: the folder may be shared with other
    // accounts, who could plant either at this name.
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    // Where other accounts may write, only the folder's owner makes the lock: one another
    // account made could be removed and made anew by it.
    struct stat folder {};
    const bool shared =
        ::stat(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), &folder) == 0 &&
        (folder.st_mode & (S_IWGRP | S_IWOTH));
    const bool mayCreate = !shared || ::geteuid() == 0 || ::geteuid() == folder.st_uid;
    int fd = ::open(name.constData(), O_RDWR | (mayCreate ? O_CREAT : 0) | kFlags, 0666);
    int error = errno;
    // A lock file that exists in a folder we may not write to can still be locked.
    if (fd < 0 && error != ELOOP && error != ENOENT) {
        fd = ::open(name.constData(), O_RDONLY | kFlags);
        error = errno;
    }
    if (fd < 0) {
        const QString shown = QDir::toNativeSeparators(m_path);
        if (error == ENOENT && !mayCreate)
            m_problem = QStringLiteral(
                            "The lock file %1 is missing; the computer's administrator makes it "
                            "again by reinstalling Vemora (apt install --reinstall vemora).")
                            .arg(shown);
        else if (error == ELOOP || error == EISDIR)
            m_problem = QStringLiteral("The lock file %1 cannot be trusted: it is %2.")
                            .arg(shown, error == ELOOP ? QStringLiteral("a symbolic link")
                                                       : QStringLiteral("a folder"));
        return false;
    }
    if (const auto why = untrustedLock(fd)) {
        m_problem = QStringLiteral("The lock file %1 cannot be trusted: %2.")
                        .arg(QDir::toNativeSeparators(m_path), *why);
        ::close(fd);
        return false;
    }
    // flock() locks belong to the open file, so two holders in one process conflict too.
    if (::flock(fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        m_heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    m_handle = fd;
    return true;
}

std::optional<QString> DatabaseLock::untrustedLock(int fd) const {
    struct stat file {};
    struct stat folder {};
    if (::fstat(fd, &file) != 0 ||
        ::stat(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), &folder) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISREG(file.st_mode)) return QStringLiteral("it is not a regular file");
    if (file.st_nlink != 1) return QStringLiteral("it has another name (a hard link)");
    // Where other accounts may write, a lock one of them made could be removed and made anew
    // by that account, splitting the holders between two files.
    const bool shared = folder.st_mode & (S_IWGRP | S_IWOTH);
    if (shared && file.st_uid != folder.st_uid && file.st_uid != 0)
        return QStringLiteral("it belongs to another account than the folder");
    return std::nullopt;
}

void DatabaseLock::unlock() {
    if (!isLocked()) return;
    // Closing the descriptor releases the lock.
    ::close(int(m_handle));
    m_handle = kNoHandle;
}

#endif

}  // namespace vemora
