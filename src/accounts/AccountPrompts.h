#pragma once

#include <QString>

#include <optional>

class QLineEdit;

namespace vemora {

class Prompter;

// Shows a message, then puts the focus in the box and selects its whole text.
void promptAt(Prompter& prompter, QLineEdit* box, const QString& text, const QString& title,
              int style);

// The stored form of the password typed in the box. A password with a character that has no
// stored form, or one that would be stored as an apostrophe, is refused with a message.
std::optional<QString> storablePassword(Prompter& prompter, QLineEdit* box);

}  // namespace vemora
