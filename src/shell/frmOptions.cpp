#include "shell/frmOptions.h"

#include "core/Accounts.h"
#include "platform/ErrorPrompts.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "ui_frmOptions.h"

namespace vemora {

frmOptions::frmOptions(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_platform(platform),
      m_ui(std::make_unique<::Ui::frmOptions>()),
      m_administrator(platform.session.CurrentUser().isAdministrator()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("preferences-system")));
    m_ui->cmdOk->setIcon(themeIcon(QStringLiteral("dialog-ok")));
    m_ui->cmdClose->setIcon(themeIcon(QStringLiteral("dialog-cancel")));
    m_ui->spnEveryone->setMaximum(LockSettings::kLongestMinutes);
    m_ui->spnOwn->setMaximum(LockSettings::kLongestMinutes);
    m_ui->fraEveryone->setEnabled(m_administrator);

    connect(m_ui->chkLockEveryone, &QCheckBox::toggled, this, &frmOptions::updateOwnLimit);
    connect(m_ui->spnEveryone, &QSpinBox::valueChanged, this, &frmOptions::updateOwnLimit);
    connect(m_ui->chkOwn, &QCheckBox::toggled, m_ui->spnOwn, &QWidget::setEnabled);
    connect(m_ui->cmdOk, &QPushButton::clicked, this, &frmOptions::save);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);
    enterPressesButtons(this);
    escapeCloses(this);
    load();
}

frmOptions::~frmOptions() = default;

int frmOptions::everyoneMinutes() const {
    return m_ui->chkLockEveryone->isChecked() ? m_ui->spnEveryone->value() : 0;
}

void frmOptions::load() {
    const qint64 user = m_platform.session.CurrentUser().user_num.toLongLong();
    const Result<LockDelays> read = LockSettings(m_platform.session.database()).read(user);
    const LockDelays delays = read ? read.value() : LockDelays{};
    if (!read) reportTrapped(m_platform.prompter, read.error(), TrapWording::Record);
    m_ui->chkLockEveryone->setChecked(delays.everyone > 0);
    m_ui->spnEveryone->setValue(delays.everyone > 0 ? delays.everyone
                                                    : LockSettings::kDefaultMinutes);
    m_ui->chkOwn->setChecked(delays.own.has_value());
    m_ui->spnOwn->setEnabled(delays.own.has_value());
    updateOwnLimit();
    m_ui->spnOwn->setValue(delays.own.value_or(
        delays.effective() > 0 ? delays.effective() : LockSettings::kDefaultMinutes));
}

// A user's delay is never longer than everyone's.
void frmOptions::updateOwnLimit() {
    const int everyone = everyoneMinutes();
    m_ui->spnEveryone->setEnabled(m_ui->chkLockEveryone->isChecked());
    m_ui->spnOwn->setMaximum(everyone > 0 ? everyone : LockSettings::kLongestMinutes);
    m_ui->lblOwnLimit->setText(
        everyone > 0
            ? QStringLiteral("At most the delay for everyone: %1 minutes.").arg(everyone)
            : QStringLiteral("The lock is off for everyone; a delay of your own still locks "
                             "your session."));
}

void frmOptions::save() {
    LockSettings settings(m_platform.session.database());
    const qint64 user = m_platform.session.CurrentUser().user_num.toLongLong();
    if (m_administrator) {
        if (const Status stored = settings.setEveryone(everyoneMinutes()); !stored) {
            reportTrapped(m_platform.prompter, stored.error(), TrapWording::Record);
            return;
        }
    }
    const std::optional<int> own =
        m_ui->chkOwn->isChecked() ? std::optional<int>(m_ui->spnOwn->value()) : std::nullopt;
    // Everyone's delay may have been shortened since this window was opened.
    const Result<LockDelays> current = settings.read(user);
    if (!current) {
        reportTrapped(m_platform.prompter, current.error(), TrapWording::Record);
        return;
    }
    if (own) {
        if (const auto why = LockSettings::refusalForOwn(*own, current.value().everyone)) {
            m_platform.prompter.show(LockSettings::describe(*why, current.value().everyone),
                                     QStringLiteral("Options"), vbExclamation);
            load();
            return;
        }
    }
    if (const Status stored = settings.setOwn(user, own); !stored) {
        reportTrapped(m_platform.prompter, stored.error(), TrapWording::Record);
        return;
    }
    LockDelays delays = current.value();
    delays.own = own;
    emit saved(delays);
    close();
}

}  // namespace vemora
