#include "shell/frmLock.h"

#include <QCloseEvent>
#include <QTimer>

#include "core/Accounts.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "ui_frmLock.h"

namespace vemora {

frmLock::frmLock(Platform& platform, QWidget* parent)
    : QDialog(parent),
      m_platform(platform),
      m_ui(std::make_unique<::Ui::frmLock>()),
      m_wait(new QTimer(this)) {
    m_ui->setupUi(this);
    // No close button: the lock ends only through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    QFont bold = m_ui->lblLocked->font();
    bold.setBold(true);
    m_ui->lblLocked->setFont(bold);
    m_ui->lblAttempts->hide();
    m_wait->setObjectName(QStringLiteral("unlockWait"));
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, &frmLock::endWait);
    onEnter(m_ui->txtPassword, [this] { tryUnlock(); });
    enterPressesButtons(this);
    connect(m_ui->cmdUnlock, &QPushButton::clicked, this, &frmLock::tryUnlock);
    connect(m_ui->cmdSwitchUser, &QPushButton::clicked, this, &frmLock::switchUserRequested);
}

frmLock::~frmLock() = default;

void frmLock::start() {
    const UserRecord& user = m_platform.session.CurrentUser();
    m_ui->lblLocked->setText(
        QStringLiteral("Locked: %1 (%2)").arg(user.name.toString(), user.user_name.toString()));
    m_attempts.reset();
    m_wait->stop();
    endWait();
    m_ui->lblAttempts->hide();
    m_ui->txtPassword->clear();
    m_ui->txtPassword->setFocus();
}

bool frmLock::waiting() const {
    return m_wait->isActive();
}

void frmLock::tryUnlock() {
    if (waiting()) return;
    const UserRecord& user = m_platform.session.CurrentUser();
    AccountStore accounts(m_platform.session.database());
    const Result<std::optional<UserRecord>> found =
        accounts.find(user.user_name.toString(), m_ui->txtPassword->text());
    if (!found) {
        // Not the user's fault: nothing is counted, and the password stays to try again.
        m_ui->lblAttempts->setText(
            QStringLiteral("The password could not be checked: %1").arg(found.error().description));
        m_ui->lblAttempts->show();
        adjustSize();
        return;
    }
    if (const std::optional<UserRecord>& account = found.value();
        account && account->user_num.toLongLong() == user.user_num.toLongLong()) {
        m_attempts.reset();
        m_ui->txtPassword->clear();
        m_ui->lblAttempts->hide();
        emit unlocked();
        return;
    }
    m_attempts.failed();
    m_ui->txtPassword->clear();
    const std::chrono::milliseconds wait = m_attempts.wait();
    // The box keeps the focus, so that typing on never reaches the other button.
    if (wait.count() > 0) {
        m_ui->cmdUnlock->setEnabled(false);
        m_wait->start(wait);
    }
    showFailures(wait.count() > 0);
}

void frmLock::endWait() {
    m_wait->stop();
    m_ui->cmdUnlock->setEnabled(true);
    if (m_attempts.failures() > 0) showFailures(false);
    if (isVisible()) m_ui->txtPassword->setFocus();
}

void frmLock::showFailures(bool waiting) {
    QString text =
        QStringLiteral("That is not the password. Failed attempts: %1.").arg(m_attempts.failures());
    if (waiting) text += QStringLiteral("\nPlease wait before trying again.");
    m_ui->lblAttempts->setText(text);
    m_ui->lblAttempts->show();
    adjustSize();
}

void frmLock::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace vemora
