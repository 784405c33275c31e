#include "cli/Console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <iostream>
#include <optional>
#include <string>

#include "data/ConnectionString.h"
#include "data/SafeFiles.h"

#include <cerrno>

namespace vemora {

namespace {

// One line from standard input, without echo when it is a terminal.
std::optional<QString> readLine() {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::cerr << "Password: " << std::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = bool(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << std::endl;
    }
    if (!read) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

}  // namespace

int fail(int code, const QString& message) {
    std::cerr << "vemora-cli: " << message.toStdString() << std::endl;
    return code;
}

int exitFor(DbProblem problem) {
    switch (problem) {
        case DbProblem::Busy:
            return kInUse;
        case DbProblem::Damaged:
        case DbProblem::Foreign:
        case DbProblem::Newer:
            return kInvalidFile;
        default:
            return kIoFailure;
    }
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString databaseFile(const QCommandLineParser& options) {
    return options.isSet(QStringLiteral("database"))
               ? QFileInfo(options.value(QStringLiteral("database"))).absoluteFilePath()
               : QDir(databaseDirectory(QCoreApplication::applicationDirPath()))
                     .filePath(QString::fromLatin1(kDatabaseFileName));
}

int refusePasswordInUrl(const ServerAddress& server) {
    if (const auto problem = passwordOnCommandLine(server)) return fail(kUsage, *problem);
    return kSuccess;
}

std::variant<QString, int> readPassword(const QCommandLineParser& options) {
    std::optional<QString> password;
    if (options.isSet(QStringLiteral("password-file"))) {
        const QString path = options.value(QStringLiteral("password-file"));
        // Checked on the descriptor that is read, so the file cannot change in between.
        const FileDescriptor fd(
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!fd.isValid() || ::fstat(fd.get(), &st) != 0)
            return fail(kIoFailure, QStringLiteral("%1: %2").arg(shown(path), systemError(errno)));
        if (!S_ISREG(st.st_mode))
            return fail(kIoFailure, QStringLiteral("%1 is not a file").arg(shown(path)));
        if (st.st_uid != ::geteuid())
            return fail(kLoginRefused,
                        QStringLiteral("%1 belongs to another account; use a file of your own, "
                                       "readable by you only (chmod 600)")
                            .arg(shown(path)));
        if (st.st_mode & (S_IRGRP | S_IROTH))
            return fail(kLoginRefused,
                        QStringLiteral("%1 can be read by other users; make it readable by "
                                       "its owner only (chmod 600)")
                            .arg(shown(path)));
        if (st.st_mode & (S_IWGRP | S_IWOTH))
            return fail(kLoginRefused,
                        QStringLiteral("%1 can be changed by other users; make it writable by "
                                       "its owner only (chmod 600)")
                            .arg(shown(path)));
        QFile file;
        if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return fail(kIoFailure, QStringLiteral("%1: %2").arg(shown(path), file.errorString()));
        password =
            QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    } else {
        password = readLine();
    }
    if (!password) return fail(kLoginRefused, QStringLiteral("no password was given"));
    return *password;
}

int refuseUnlessAdministrator(const Result<std::optional<UserRecord>>& found) {
    if (!found) return fail(exitFor(found.error().problem), found.error().description);
    if (!found.value() || !found.value()->isAdministrator())
        return fail(kLoginRefused,
                    QStringLiteral("log-in refused: wrong user name or password, or not the "
                                   "administrator"));
    return kSuccess;
}

}  // namespace vemora
