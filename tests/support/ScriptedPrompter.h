#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QString>

#include <deque>

namespace vemora::test {

// Records every message box and answers Yes/No and Retry/Cancel questions from a queue. A
// question with no answer queued fails the test and answers No or Cancel; OK-only boxes answer
// Ok.
class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        QString text;
        QString title;
        int style;
    };

    Answer show(const QString& text, const QString& title, int style) override;

    void answer(Answer a) { m_answers.push_back(a); }
    const QList<Shown>& shown() const { return m_shown; }
    const Shown& last() const { return m_shown.back(); }
    qsizetype count() const { return m_shown.size(); }
    void clear() { m_shown.clear(); }
    // Forgets what was shown and the answers not yet given.
    void forget() {
        m_shown.clear();
        m_answers.clear();
    }

private:
    QList<Shown> m_shown;
    std::deque<Answer> m_answers;
};

}  // namespace vemora::test
