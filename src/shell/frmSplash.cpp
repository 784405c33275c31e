#include "shell/frmSplash.h"

#include "platform/Session.h"
#include "shell/ShellWindows.h"
#include "ui_frmSplash.h"

#include <QScreen>
#include <QTimer>

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
      ui(std::make_unique<Ui::frmSplash>()),
      m_timer(new QTimer(this)) {
    ui->setupUi(this);
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
    ui->bar->setValue(ui->bar->value() + kStep);
    if (++m_ticks == kDotsBeforeBlank) {
        ui->Label2->setText(QStringLiteral(" "));
        m_ticks = 0;
    } else {
        ui->Label2->setText(ui->Label2->text() + QLatin1Char('.'));
    }
    if (ui->bar->value() == kLastValue && m_timer->interval() > 0) {
        m_timer->stop();
        // The dialog first, so the program never runs without a window.
        m_windows.showLogin();
        close();
    }
}

}  // namespace vemora
