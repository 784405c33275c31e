#include "platform/ErrorPrompts.h"

#include "platform/Prompter.h"

namespace vemora {

void showApostropheAlert(Prompter& prompter, TrapWording wording) {
    prompter.show(wording == TrapWording::Day
                      ? QStringLiteral("Please do not use ' character, their's a\r\n"
                                       "conflict in JET Engine used in this project!\r\n"
                                       " You can use this ` character instead!")
                      : QStringLiteral("Please do not use ' character, their's a conflict in JET "
                                       "Engine used in this project!"),
                  QStringLiteral("Message Alert!"), vbExclamation);
}

void showTrappedError(Prompter& prompter, const DbError& error, TrapWording wording) {
    const QString separator = wording == TrapWording::Day ? QString() : QStringLiteral(" ");
    prompter.show(QString::number(error.number) + separator + error.description,
                  QStringLiteral("Errot Traping"), vbInformation);
}

void reportTrapped(Prompter& prompter, const DbError& error, TrapWording wording) {
    if (error.number == kErrSyntax)
        showApostropheAlert(prompter, wording);
    else
        showTrappedError(prompter, error, wording);
}

}  // namespace vemora
