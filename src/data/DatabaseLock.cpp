#include "data/DatabaseLock.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace vemora {

QString DatabaseLock::suffix() {
    return QStringLiteral(".lock");
}

QString DatabaseLock::lockFilePath(const QString& databasePath) {
    return databasePath + suffix();
}

DatabaseLock::DatabaseLock(const QString& databasePath) {
    // Beside the real file, so that every way of naming the database locks the same file.
    const QString real = QFileInfo(databasePath).canonicalFilePath();
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
    const QByteArray name = QFile::encodeName(m_path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A lock file that exists in a folder we may not write to can still be locked.
    if (fd < 0) fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // flock() locks belong to the open file, so two holders in one process conflict too.
    if (::flock(fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        m_heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    m_handle = fd;
    return true;
}

void DatabaseLock::unlock() {
    if (!isLocked()) return;
    // Closing the descriptor releases the lock.
    ::close(int(m_handle));
    m_handle = kNoHandle;
}

#endif

}  // namespace vemora
