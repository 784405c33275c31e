#include "platform/DatabaseNotices.h"

#include "platform/Prompter.h"

namespace vemora {

void reportOpenFailure(Prompter& prompter, const DbError& error) {
    if (error.problem == DbProblem::Missing ||
        (error.problem == DbProblem::None && error.number == kErrGeneral)) {
        prompter.show(
            QStringLiteral(
                "Can't find the database file! Please check if the database file is installed!"),
            QStringLiteral("Can't locate!"), vbExclamation);
    } else if (error.problem != DbProblem::None) {
        prompter.show(error.description, QStringLiteral("Can't use the database!"), vbExclamation);
    }
}

bool askToWaitForTool(Prompter& prompter) {
    return prompter.show(QStringLiteral("The maintenance tool is working on the database. Please "
                                        "wait until it has finished, then choose Retry."),
                         QStringLiteral("Please wait..."),
                         vbExclamation | vbRetryCancel) == Answer::Retry;
}

}  // namespace vemora
