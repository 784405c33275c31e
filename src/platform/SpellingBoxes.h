#pragma once

class QMenu;
class QPlainTextEdit;

namespace vemora {

class Prompter;
class Spelling;

// Spell checking in a text area: the words the user's dictionary does not know are underlined
// with a red wave, and the context menu offers the dictionary's suggestions and "Add to
// dictionary". Only the user's own choices change the text.
void checkSpelling(QPlainTextEdit* box, Spelling& spelling, Prompter& prompter);

// The context menu checkSpelling gives `box` for the character at `position`: the standard
// menu, headed by the suggestions for the misspelt word there. The caller owns it.
QMenu* spellingMenu(QPlainTextEdit* box, int position);

}  // namespace vemora
