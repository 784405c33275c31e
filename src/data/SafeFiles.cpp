#include "data/SafeFiles.h"

#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/SqliteEngine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vemora {

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool statFolderOf(const QString& path, struct stat& folder) {
    return ::stat(encoded(QFileInfo(path).absolutePath()).constData(), &folder) == 0;
}

// Why a file, as fstat describes it, cannot be trusted in a folder as stat describes it.
std::optional<QString> untrusted(const struct stat& file, const struct stat& folder) {
    if (!S_ISREG(file.st_mode)) {
        if (S_ISDIR(file.st_mode)) return QStringLiteral("it is a folder");
        if (S_ISFIFO(file.st_mode)) return QStringLiteral("it is a pipe");
        return QStringLiteral("it is not a regular file");
    }
    if (file.st_nlink != 1) return QStringLiteral("it has another name (a hard link)");
    const bool trustedOwner =
        file.st_uid == ::geteuid() || file.st_uid == 0 || file.st_uid == folder.st_uid;
    if (!trustedOwner && file.st_gid != folder.st_gid)
        return QStringLiteral("it belongs to another account");
    return std::nullopt;
}

constexpr const char* kPrivatePrefix = ".vemora-";

// Removes everything in an open folder of this account's, then the folder itself by name.
void removeTree(int parent, const QByteArray& name) {
    const int fd =
        ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray child(entry->d_name);
        if (child == "." || child == "..") continue;
        if (::unlinkat(fd, child.constData(), 0) != 0 && errno == EISDIR) removeTree(fd, child);
    }
    ::closedir(dir);
    ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}

}  // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool othersMayWrite(const QString& folder) {
    struct stat st {};
    if (::stat(encoded(folder).constData(), &st) != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

std::optional<QString> unsafeFolder(const QString& folder) {
    struct stat st {};
    if (::stat(encoded(folder).constData(), &st) != 0)
        return QStringLiteral("%1: %2").arg(shownPath(folder), systemError(errno));
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder").arg(shownPath(folder));
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        return QStringLiteral(
                   "the folder %1 can be written by other accounts but lacks the sticky bit "
                   "(chmod +t)")
            .arg(shownPath(folder));
    return std::nullopt;
}

FileDescriptor openChecked(const QString& path, int flags, QString& problem) {
    FileDescriptor fd(
        ::open(encoded(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isValid()) {
        problem = errno == ELOOP
                      ? QStringLiteral("%1 is a symbolic link").arg(shownPath(path))
                      : QStringLiteral("%1: %2").arg(shownPath(path), systemError(errno));
        return {};
    }
    struct stat file {};
    struct stat folder {};
    if (::fstat(fd.get(), &file) != 0 || !statFolderOf(path, folder)) {
        problem = QStringLiteral("%1: %2").arg(shownPath(path), systemError(errno));
        return {};
    }
    if (const auto why = untrusted(file, folder)) {
        problem = QStringLiteral("%1 cannot be trusted: %2").arg(shownPath(path), *why);
        return {};
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<QString> untrustedDatabase(const QString& path) {
    struct stat st {};
    if (::lstat(encoded(path).constData(), &st) != 0) return std::nullopt;
    // A regular file this account may not read is told by the open that follows.
    if (S_ISREG(st.st_mode) && ::access(encoded(path).constData(), R_OK) != 0) return std::nullopt;
    QString problem;
    if (openChecked(path, O_RDONLY, problem).isValid()) return std::nullopt;
    return problem;
}

FileDescriptor createExclusive(const QString& path, int mode, QString& problem) {
    FileDescriptor fd(::open(encoded(path).constData(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    int error = errno;
    // A file for its owner alone does not take the group of a setgid folder.
    if (fd.isValid() && !(mode & 070) && ::fchown(fd.get(), uid_t(-1), ::getegid()) != 0) {
        error = errno;
        fd = FileDescriptor();
    }
    if (!fd.isValid()) problem = QStringLiteral("%1: %2").arg(shownPath(path), systemError(error));
    return fd;
}

std::optional<QString> copyDescriptor(int from, int to, const std::function<void()>& onBlock) {
    constexpr qsizetype kBlock = 64 * 1024;
    QByteArray block(kBlock, Qt::Uninitialized);
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(from, block.data(), size_t(kBlock), at);
        if (got < 0) {
            if (errno == EINTR) continue;
            return systemError(errno);
        }
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::pwrite(to, block.constData() + done, size_t(got - done), at + done);
            if (put < 0) {
                if (errno == EINTR) continue;
                return systemError(errno);
            }
            done += put;
        }
        at += got;
        if (onBlock) onBlock();
    }
    if (::fsync(to) != 0) return systemError(errno);
    return std::nullopt;
}

int posixMode(QFileDevice::Permissions permissions) {
    int mode = 0;
    if (permissions & QFileDevice::ReadOwner) mode |= 0400;
    if (permissions & QFileDevice::WriteOwner) mode |= 0200;
    if (permissions & QFileDevice::ReadGroup) mode |= 0040;
    if (permissions & QFileDevice::WriteGroup) mode |= 0020;
    if (permissions & QFileDevice::ReadOther) mode |= 0004;
    if (permissions & QFileDevice::WriteOther) mode |= 0002;
    return mode;
}

PrivateFolder::PrivateFolder(const QString& parent) {
    QByteArray name =
        encoded(QDir(parent).filePath(QLatin1String(kPrivatePrefix) + QStringLiteral("XXXXXX")));
    // mkdtemp makes the folder 0700, failing on any name that exists.
    if (!::mkdtemp(name.data())) {
        m_error = QStringLiteral("%1: %2").arg(shownPath(parent), systemError(errno));
        return;
    }
    m_path = QFile::decodeName(name);
    m_fd =
        FileDescriptor(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!m_fd.isValid())
        m_error = QStringLiteral("%1: %2").arg(shownPath(m_path), systemError(errno));
}

PrivateFolder::~PrivateFolder() {
    if (m_path.isEmpty()) return;
    const int parent = ::open(encoded(QFileInfo(m_path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) return;
    removeTree(parent, encoded(QFileInfo(m_path).fileName()));
    ::close(parent);
}

QString PrivateFolder::filePath(const QString& name) const {
    return QDir(m_path).filePath(name);
}

int PrivateFolder::moveOut(const QString& name, const QString& to, bool noReplace) const {
    const QByteArray source = encoded(name);
    const QByteArray target = encoded(to);
    const int done = noReplace
                         ? ::renameat2(m_fd.get(), source.constData(), AT_FDCWD, target.constData(),
                                       RENAME_NOREPLACE)
                         : ::renameat(m_fd.get(), source.constData(), AT_FDCWD, target.constData());
    return done == 0 ? 0 : errno;
}

void PrivateFolder::removeStale(const QString& parent) {
    const int fd = ::open(encoded(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    const QStringList stale =
        QDir(parent).entryList({namePattern()}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : stale) removeTree(fd, encoded(name));
    ::close(fd);
}

QString PrivateFolder::namePattern() {
    return QLatin1String(kPrivatePrefix) + QLatin1Char('*');
}

std::optional<QString> replaceSafely(const QString& path, QByteArrayView bytes, int mode) {
    const QString folder = QFileInfo(path).absolutePath();
    const PrivateFolder building(folder);
    if (!building.isValid()) return building.error();
    const QString name = QStringLiteral("new");
    QString problem;
    const FileDescriptor fd = createExclusive(building.filePath(name), mode, problem);
    if (!fd.isValid()) return problem;
    while (!bytes.isEmpty()) {
        const ssize_t put = ::write(fd.get(), bytes.data(), size_t(bytes.size()));
        if (put < 0) {
            if (errno == EINTR) continue;
            return systemError(errno);
        }
        bytes = bytes.sliced(put);
    }
    if (::fsync(fd.get()) != 0) return systemError(errno);
    if (const int failed = building.moveOut(name, path, false)) return systemError(failed);
    return syncFolder(folder);
}

std::optional<QString> syncFolder(const QString& folder) {
    const FileDescriptor fd(
        ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isValid() || ::fsync(fd.get()) != 0) return systemError(errno);
    return std::nullopt;
}

QStringList namesBeside(const QString& databaseFileName) {
    QStringList names{databaseFileName};
    for (const QString& suffix : SqliteEngine::companionSuffixes())
        names.append(databaseFileName + suffix);
    names.append(databaseFileName + QStringLiteral(".before-restore-*"));
    names.append(PrivateFolder::namePattern());
    return names;
}

bool isVemoraDatabase(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return false;
    const qint32 id = qFromBigEndian<qint32>(header.constData() + 68);
    return id == SqliteEngine::passwordVerifier(QString::fromLatin1(kDatabasePassword));
}

std::optional<QString> partOfDatabase(const QString& path) {
    const QFileInfo chosen(path);
    // What a link leads to is what a program following it would replace.
    const QString target = chosen.isSymLink() ? chosen.symLinkTarget() : path;
    const QString name = QFileInfo(target).fileName();
    const QString shown = shownPath(path);
    for (const QString& suffix : SqliteEngine::companionSuffixes())
        if (name.endsWith(suffix) && isVemoraDatabase(target.left(target.size() - suffix.size())))
            return QStringLiteral("%1 belongs to a Vemora database; choose another file")
                .arg(shown);
    if (name.contains(QLatin1String(".before-restore-")))
        return QStringLiteral("%1 is a kept copy of a Vemora database; choose another file")
            .arg(shown);
    return std::nullopt;
}

std::optional<QString> protectedOutput(const QString& path) {
    const QFileInfo chosen(path);
    const QString target = chosen.isSymLink() ? chosen.symLinkTarget() : path;
    if (isVemoraDatabase(target))
        return QStringLiteral("%1 is a Vemora database; choose another file").arg(shownPath(path));
    return partOfDatabase(path);
}

int privateFileMode() {
    // Read, not set: umask() would change it for every thread for a moment.
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        while (!status.atEnd()) {
            const QByteArray line = status.readLine();
            if (line.startsWith("Umask:")) mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    return int(0600 & ~mask);
}

}  // namespace vemora
