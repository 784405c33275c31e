#include "platform/LogInReply.h"

#include "platform/ErrorPrompts.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"

#include <QLineEdit>

namespace vemora {

std::optional<UserRecord> lookUpLogIn(Database& database, Prompter& prompter,
                                      const QString& userName, QLineEdit* password) {
    const Result<std::optional<UserRecord>> found =
        AccountStore(database).find(userName, password->text());
    if (!found) {
        // A query that cannot run says so; it does not blame the credentials.
        showTrappedError(prompter, found.error(), TrapWording::Record);
        return std::nullopt;
    }
    if (!found.value()) {
        prompter.show(QStringLiteral("Sorry you maybe typed the wrong username or password!"),
                      QStringLiteral("Sorry!"), vbInformation);
        password->setFocus(Qt::OtherFocusReason);
        selectWholeText(password);
    }
    return found.value();
}

}  // namespace vemora
