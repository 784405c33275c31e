#include "tools/frmLoginTools.h"

#include "data/Accounts.h"
#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"
#include "tools/frmTools.h"
#include "ui_frmLoginTools.h"

#include <QCloseEvent>

namespace vemora {

frmLoginTools::frmLoginTools(ToolsPlatform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmLoginTools>()) {
    m_ui->setupUi(this);
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
    mod_Tools& module = m_platform.module;
    const std::optional<Statement> lookup =
        accountLookup(m_ui->txtUserName->text(), m_ui->txtPassword->text());
    const Status found = lookup ? module.execute(*lookup) : Status();
    // A name or password holding an apostrophe, refused by the statement, is stored nowhere.
    if (!found && found.number() != kErrSyntax) {
        m_platform.prompter.show(
            QString::number(found.number()) + QLatin1Char(' ') + found.error().description,
            QStringLiteral("Errot Traping"), vbInformation);
        return;
    }
    Recordset& rows = module.DbRecordset();
    if (!lookup || !found || rows.eof()) {
        m_platform.prompter.show(
            QStringLiteral("Sorry you maybe typed the wrong username or password!"),
            QStringLiteral("Sorry!"), vbInformation);
        m_ui->txtPassword->setFocus(Qt::OtherFocusReason);
        selectWholeText(m_ui->txtPassword);
        return;
    }
    if (rows.field(u"user_num").toLongLong() == 1)
        admit(rows.text(u"name"));
    else
        m_platform.prompter.show(
            QStringLiteral("Sorry you are not authorized to use this program!"),
            QStringLiteral("Unauthorized user!"), vbInformation);
    close();
}

void frmLoginTools::admit(const QString& name) {
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
