#pragma once

#include <QString>

class QPlainTextEdit;
class QWidget;

namespace vemora {

class Prompter;

// Says that the field, named as its window labels it, holds text that cannot be stored
// exactly.
void showUnstorable(Prompter& prompter, const QString& label);
// The same for a text longer than the field holds.
void showTooLong(Prompter& prompter, const QString& label, int most);

// What a multi-line box holds for storing. A text box shows some characters of a text it is
// given otherwise (CR LF and U+2028 as LF, a non-breaking space as a space): while the box
// still shows the loaded text as it was given, that is the loaded text itself, exactly.
QString textToStore(const QPlainTextEdit* box, const QString& loaded);

// Keeps every one-line text box under `root` from taking half a character: a character that
// does not fit in what is left of a box's length limit is not typed or pasted at all.
void keepWholeCharacters(QWidget* root);

}  // namespace vemora
