#pragma once

#include "core/Accounts.h"
#include "data/ConnectionString.h"
#include "data/DbError.h"

#include <QString>

#include <variant>

class QCommandLineParser;

// What the console commands share: exit codes, messages, the database and the password.
namespace vemora {

enum Exit : int {
    kSuccess = 0,
    kUsage = 1,
    kLoginRefused = 2,
    kInUse = 3,
    kInvalidFile = 4,
    kIoFailure = 5,
};

// Says why on standard error; yields the code.
int fail(int code, const QString& message);
int exitFor(DbProblem problem);
QString shown(const QString& path);

// 0 when the account found by the log-in is the administrator's; the exit code, already
// explained, when none was found, another account was or the look-up failed.
int refuseUnlessAdministrator(const Result<std::optional<UserRecord>>& found);

// The --database file, or journey.mdb beside the programs.
QString databaseFile(const QCommandLineParser& options);
// Refuses a server URL given on the command line with a password in it, which every account
// could read in the list of processes: 0, or the exit code, already explained.
int refusePasswordInUrl(const ServerAddress& server);
// The password from --password-file, which only its owner may read, or one line from standard
// input (without echo at a terminal); the exit code, already explained, when there is none.
std::variant<QString, int> readPassword(const QCommandLineParser& options);

}  // namespace vemora
