#include "platform/ExactText.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QValidator>

#include "data/Encoding.h"
#include "platform/Prompter.h"

namespace vemora {

namespace {

// Refuses an edit that leaves half of a character behind; QLineEdit then undoes it.
class WholeCharacters final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return storesExactly(input) ? Acceptable : Invalid;
    }
};

}  // namespace

void showUnstorable(Prompter& prompter, const QString& label) {
    prompter.show(QStringLiteral("The \"%1\" field holds a character that cannot be stored! "
                                 "Please type it again.")
                      .arg(label),
                  QStringLiteral("Cannot Store!"), vbExclamation);
}

void showTooLong(Prompter& prompter, const QString& label, int most) {
    prompter.show(QStringLiteral("The \"%1\" field holds at most %2 characters! Please shorten it.")
                      .arg(label)
                      .arg(most),
                  QStringLiteral("Too Long!"), vbExclamation);
}

QString textToStore(const QPlainTextEdit* box, const QString& loaded) {
    const QString text = box->toPlainText();
    QTextDocument shown;
    shown.setPlainText(loaded);
    return text == shown.toPlainText() ? loaded : text;
}

void keepWholeCharacters(QWidget* root) {
    for (QLineEdit* box : root->findChildren<QLineEdit*>())
        if (!box->validator()) box->setValidator(new WholeCharacters(box));
}

}  // namespace vemora
