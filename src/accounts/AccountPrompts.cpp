#include "accounts/AccountPrompts.h"

#include "data/Encoding.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"

#include <QLineEdit>

namespace vemora {

void promptAt(Prompter& prompter, QLineEdit* box, const QString& text, const QString& title,
              int style) {
    prompter.show(text, title, style);
    box->setFocus(Qt::OtherFocusReason);
    selectWholeText(box);
}

std::optional<QString> storablePassword(Prompter& prompter, QLineEdit* box) {
    std::optional<QString> stored = EncodePassword(box->text());
    // The statement refuses an apostrophe, which is the stored form of a typed code 167.
    if (stored && !stored->contains(QLatin1Char('\''))) return stored;
    promptAt(prompter, box,
             QStringLiteral("The password has a character that can not be stored! Please use "
                            "another password."),
             QStringLiteral("Message Alert!"), vbExclamation);
    return std::nullopt;
}

}  // namespace vemora
