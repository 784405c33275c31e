#include "platform/ReconnectNotice.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vemora {

namespace {

// Timers are held while a notice waits: what they start (a draft kept, the lock checked) would
// wait on the same server.
constexpr QEventLoop::ProcessEventsFlags kWithNotice = QEventLoop::X11ExcludeTimers;
constexpr QEventLoop::ProcessEventsFlags kPaintsOnly =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers;

QMessageBox* noticeBox(const QString& name, const QString& text,
                       QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Vemora"), text, buttons);
    box->setObjectName(name);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    return box;
}

void dismiss(QPointer<QMessageBox>& box) {
    if (!box) return;
    box->hide();
    box->deleteLater();
    box = nullptr;
}

}  // namespace

ReconnectNotice::~ReconnectNotice() {
    delete m_box.data();
}

ReconnectWatcher::Answer ReconnectNotice::waiting(const QString& server,
                                                  std::chrono::milliseconds waited) {
    if (!m_box && waited >= kShownAfter) {
        m_answer = Answer::Wait;
        m_box = noticeBox(QStringLiteral("reconnectNotice"),
                          QStringLiteral("Reconnecting to %1...").arg(server),
                          QMessageBox::Retry | QMessageBox::Cancel);
        for (QAbstractButton* button : m_box->buttons())
            QObject::connect(button, &QAbstractButton::clicked, m_box, [this, button] {
                m_answer = m_box->standardButton(button) == QMessageBox::Retry ? Answer::Retry
                                                                               : Answer::Cancel;
            });
    }
    // Without the box, paints only: no click reaches a window whose action waits here.
    QCoreApplication::processEvents(m_box ? kWithNotice : kPaintsOnly);
    const Answer answer = m_answer;
    // A click closed the box; while the wait goes on after Retry, it is shown again.
    if (answer != Answer::Wait) ended();
    return answer;
}

void ReconnectNotice::ended() {
    m_answer = Answer::Wait;
    dismiss(m_box);
}

AnswerNotice::~AnswerNotice() {
    delete m_box.data();
}

bool AnswerNotice::waiting(const QString& server, std::chrono::milliseconds) {
    if (!m_box) {
        m_stopped = false;
        m_box = noticeBox(QStringLiteral("answerNotice"),
                          QStringLiteral("Waiting for %1 to answer...").arg(server),
                          QMessageBox::Cancel);
        QAbstractButton* cancel = m_box->button(QMessageBox::Cancel);
        // The connection is cut at once; the box stays until the work has ended.
        QObject::connect(cancel, &QAbstractButton::clicked, m_box, [this, cancel] {
            m_stopped = true;
            cancel->setEnabled(false);
        });
    }
    // The box would close on Escape or Cancel; it goes only with ended().
    m_box->show();
    QCoreApplication::processEvents(kWithNotice);
    return !m_stopped;
}

void AnswerNotice::ended() {
    m_stopped = false;
    dismiss(m_box);
}

}  // namespace vemora
