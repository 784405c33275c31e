#include "platform/ReconnectNotice.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vemora {

ReconnectNotice::~ReconnectNotice() {
    delete m_box.data();
}

ReconnectWatcher::Answer ReconnectNotice::waiting(const QString& server,
                                                  std::chrono::milliseconds waited) {
    if (!m_box && waited >= kShownAfter) {
        m_answer = Answer::Wait;
        m_box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Vemora"),
                                QStringLiteral("Reconnecting to %1...").arg(server),
                                QMessageBox::Retry | QMessageBox::Cancel);
        m_box->setObjectName(QStringLiteral("reconnectNotice"));
        m_box->setWindowModality(Qt::ApplicationModal);
        for (QAbstractButton* button : m_box->buttons())
            QObject::connect(button, &QAbstractButton::clicked, m_box, [this, button] {
                m_answer = m_box->standardButton(button) == QMessageBox::Retry ? Answer::Retry
                                                                               : Answer::Cancel;
            });
        m_box->show();
    }
    // Without the box, paints only: no click reaches a window whose action waits here.
    QCoreApplication::processEvents(m_box ? QEventLoop::AllEvents
                                          : QEventLoop::ExcludeUserInputEvents);
    const Answer answer = m_answer;
    // A click closed the box; while the wait goes on after Retry, it is shown again.
    if (answer != Answer::Wait) ended();
    return answer;
}

void ReconnectNotice::ended() {
    m_answer = Answer::Wait;
    if (m_box) {
        m_box->hide();
        m_box->deleteLater();
        m_box = nullptr;
    }
}

}  // namespace vemora
