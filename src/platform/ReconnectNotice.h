#pragma once

#include "core/Database.h"

#include <QPointer>

class QMessageBox;

namespace vemora {

// While a lost server connection is made again: after a few seconds, "Reconnecting to
// SERVER..." with Retry and Cancel, the program's other windows kept from input meanwhile.
class ReconnectNotice final : public ReconnectWatcher {
public:
    static constexpr std::chrono::milliseconds kShownAfter{3000};

    ReconnectNotice() = default;
    ~ReconnectNotice() override;
    Q_DISABLE_COPY_MOVE(ReconnectNotice)

    Answer waiting(const QString& server, std::chrono::milliseconds waited) override;
    void ended() override;

private:
    QPointer<QMessageBox> m_box;
    Answer m_answer = Answer::Wait;
};

}  // namespace vemora
