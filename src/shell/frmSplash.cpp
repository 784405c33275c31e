#include "shell/frmSplash.h"

#include <QScreen>
#include <QTimer>

#include "platform/Session.h"
#include "shell/ShellWindows.h"
#include "ui_frmSplash.h"

namespace vemora {

namespace {
constexpr int kStep = 3;
constexpr int kLastValue = 99;
constexpr int kDotsBeforeBlank = 8;
}  // namespace

frmSplash::frmSplash(Platform& platform, ShellWindows& windows, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_platform(platform),
      m_windows(windows),
      m_ui(std::make_unique<::Ui::frmSplash>()),
      m_timer(new QTimer(this)) {
    m_ui->setupUi(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &frmSplash::tick);
    adjustSize();
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

frmSplash::~frmSplash() = default;

bool frmSplash::load() {
    if (!m_platform.session.OpenDatabase()) {
        close();
        return false;
    }
    m_timer->start();
    return true;
}

void frmSplash::tick() {
    m_ui->bar->setValue(m_ui->bar->value() + kStep);
    if (++m_ticks == kDotsBeforeBlank) {
        m_ui->Label2->setText(QStringLiteral(" "));
        m_ticks = 0;
    } else {
        m_ui->Label2->setText(m_ui->Label2->text() + QLatin1Char('.'));
    }
    if (m_ui->bar->value() == kLastValue && m_timer->interval() > 0) {
        m_timer->stop();
        // The dialog first, so the program never runs without a window.
        m_windows.showLogin();
        close();
    }
}

}  // namespace vemora
