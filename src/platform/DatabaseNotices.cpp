#include "platform/DatabaseNotices.h"

#include "data/DatabaseLock.h"
#include "platform/Prompter.h"

#include <QDeadlineTimer>
#include <QThread>

namespace vemora {

void reportOpenFailure(Prompter& prompter, const DbError& error) {
    if (error.problem == DbProblem::Missing ||
        (error.problem == DbProblem::None && error.number == kErrGeneral)) {
        prompter.show(
            QStringLiteral(
                "Can't find the database file! Please check if the database file is installed!"),
            QStringLiteral("Can't locate!"), vbExclamation);
    } else if (error.problem != DbProblem::None) {
        prompter.show(error.description, QStringLiteral("Can't use the database!"),
                      vbExclamation);
    }
}

bool holdSharedLock(DatabaseLock& lock, Prompter& prompter, std::chrono::milliseconds wait) {
    constexpr std::chrono::milliseconds kPoll(50);
    if (lock.isLocked()) return true;
    for (;;) {
        const QDeadlineTimer deadline(wait);
        while (!lock.tryLock(DatabaseLock::Mode::Shared)) {
            if (!lock.heldElsewhere()) return true;
            if (deadline.hasExpired()) break;
            QThread::msleep(static_cast<unsigned long>(kPoll.count()));
        }
        if (lock.isLocked()) return true;
        const Answer answer = prompter.show(
            QStringLiteral("The maintenance tool is working on the database. Please wait until "
                           "it has finished, then choose Retry."),
            QStringLiteral("Please wait..."), vbExclamation | vbRetryCancel);
        if (answer != Answer::Retry) return false;
    }
}

}  // namespace vemora
