#pragma once

#include "core/Database.h"
#include "data/ServerWait.h"

#include <QPointer>

class QMessageBox;

namespace vemora {

// While a lost server connection is made again: after a second, "Reconnecting to SERVER..."
// with Retry and Cancel, the program's other windows kept from input meanwhile.
class ReconnectNotice final : public ReconnectWatcher {
public:
    static constexpr std::chrono::milliseconds kShownAfter{1000};

    ReconnectNotice() = default;
    ~ReconnectNotice() override;
    Q_DISABLE_COPY_MOVE(ReconnectNotice)

    Answer waiting(const QString& server, std::chrono::milliseconds waited) override;
    void ended() override;

private:
    QPointer<QMessageBox> m_box;
    Answer m_answer = Answer::Wait;
};

// While a server's answer is late: "Waiting for SERVER to answer..." with Cancel, the other
// windows kept from input and their timers held.
class AnswerNotice final : public AnswerWaiter {
public:
    AnswerNotice() = default;
    ~AnswerNotice() override;
    Q_DISABLE_COPY_MOVE(AnswerNotice)

    bool waiting(const QString& server, std::chrono::milliseconds waited) override;
    void ended() override;

private:
    QPointer<QMessageBox> m_box;
    bool m_stopped = false;
};

}  // namespace vemora
