#include "tools/frmLoginTools.h"

#include "core/Accounts.h"
#include "core/OptionStore.h"
#include "data/Schema.h"
#include "platform/ColourScheme.h"
#include "platform/LogInReply.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"
#include "tools/frmTools.h"
#include "ui_frmLoginTools.h"

#include <QCloseEvent>

namespace vemora {

frmLoginTools::frmLoginTools(ToolsPlatform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmLoginTools>()) {
    m_ui->setupUi(this);
    setAccessibleRole(this, QAccessible::Dialog);
    m_ui->txtUserName->setMaxLength(kUsersColumns[1].maxLength);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("dialog-password")));
    m_ui->cmdOk->setIcon(themeIcon(QStringLiteral("dialog-ok")));
    m_ui->cmdCancel->setIcon(themeIcon(QStringLiteral("dialog-cancel")));

    connect(m_ui->cmdOk, &QPushButton::clicked, this, &frmLoginTools::logIn);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    chainEnter(m_ui->txtUserName, m_ui->txtPassword);
    onEnter(m_ui->txtPassword, [this] { logIn(); });
    m_ui->txtPassword->installEventFilter(this);
    enterPressesButtons(this);
    escapeCloses(this);
}

frmLoginTools::~frmLoginTools() = default;

void frmLoginTools::load() {
    // Until the administrator is known, the desktop's scheme.
    applyColourScheme(ColourScheme::System);
    if (m_platform.module.OpenDatabase()) {
        centreOnParent(this);
        show();
    } else {
        close();
    }
}

bool frmLoginTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->txtPassword && event->type() == QEvent::FocusIn) SelectActiveText();
    return QWidget::eventFilter(watched, event);
}

void frmLoginTools::logIn() {
    const std::optional<UserRecord> found =
        lookUpLogIn(m_platform.module.database(), m_platform.prompter, m_ui->txtUserName->text(),
                    m_ui->txtPassword);
    if (!found) return;
    if (found->isAdministrator())
        admit(found->name.toString());
    else
        m_platform.prompter.show(
            QStringLiteral("Sorry you are not authorized to use this program!"),
            QStringLiteral("Unauthorized user!"), vbInformation);
    close();
}

void frmLoginTools::admit(const QString& name) {
    // The administrator's scheme, as the organizer shows it; what cannot be read leaves the
    // desktop's.
    const Result<std::optional<QString>> scheme =
        OptionStore(m_platform.module.database())
            .value(kAdministratorNumber, kColourSchemeOption.toString());
    applyColourScheme(colourSchemeFromValue(scheme ? scheme.value() : std::nullopt));
    m_platform.prompter.show(QStringLiteral("Access granted! Welcome ") + name + QLatin1Char('.'),
                             QStringLiteral("Successful!"), vbInformation);
    // The file must be free for the compaction.
    m_platform.module.DbConnection().close();
    auto* tools = new frmTools(m_platform);
    centreOnParent(tools);
    tools->show();
    m_handedOver = true;
}

void frmLoginTools::closeEvent(QCloseEvent* event) {
    m_platform.module.DbConnection().close();
    if (!m_handedOver) m_platform.endProgram();
    QWidget::closeEvent(event);
}

}  // namespace vemora
