#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace vemora::test {

Answer ScriptedPrompter::show(const QString& text, const QString& title, int style) {
    m_shown.append({text, title, style});
    const int buttons = style & 0x0F;
    if (buttons != vbYesNo && buttons != vbRetryCancel && buttons != vbRestoreDiscard)
        return Answer::Ok;
    if (m_answers.empty()) {
        ADD_FAILURE() << "Unexpected question: " << title.toStdString() << ": "
                      << text.toStdString();
        return buttons == vbRetryCancel ? Answer::Cancel : Answer::No;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

}  // namespace vemora::test
