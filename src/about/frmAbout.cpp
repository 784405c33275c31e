#include "about/frmAbout.h"

#include "data/SqliteEngine.h"

#include "platform/Prompter.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "ui_frmAbout.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>

namespace vemora {

namespace {

constexpr qsizetype kValueBufferSize = 1024;

}  // namespace

frmAbout::frmAbout(Platform& platform, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_ui(std::make_unique<Ui::frmAbout>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    const QIcon picture(QStringLiteral(":/pictures/vemora-about.svg"));
    m_ui->picIcon->setPixmap(picture.pixmap(QSize(96, 96), devicePixelRatio()));
    m_ui->Label1->setText(programmerCredit());
    m_ui->lblVersion->setText(QStringLiteral("Version %1, running on Qt %2 and SQLite %3")
                                  .arg(QStringLiteral(VEMORA_VERSION),
                                       QString::fromLatin1(qVersion()), SqliteEngine::version()));

    connect(m_ui->cmdOk, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

frmAbout::~frmAbout() = default;

bool frmAbout::GetKeyValue(RegistryRoot KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    KeyVal.clear();
    Registry* registry = m_platform.registry;
    if (!registry) return false;
    const std::optional<Registry::Key> key = registry->openKey(KeyRoot, KeyName);
    if (!key) return false;
    const std::optional<RegistryValue> value =
        registry->queryValue(*key, SubKeyRef, kValueBufferSize);
    registry->closeKey(*key);
    // Only strings name a program or a folder; other types count as unreadable.
    if (!value || value->type != REG_SZ) return false;
    KeyVal = value->data;
    if (KeyVal.endsWith(QChar(0))) KeyVal.chop(1);
    return true;
}

void frmAbout::StartSysInfo() {
    QString SysInfoPath;
    bool found = GetKeyValue(RegistryRoot::LocalMachine,
                             QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                             QStringLiteral("PATH"), SysInfoPath);
    if (!found && GetKeyValue(RegistryRoot::LocalMachine,
                              QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                              QStringLiteral("MSINFO"), SysInfoPath)) {
        SysInfoPath = QDir(SysInfoPath).filePath(QStringLiteral("MSINFO32.EXE"));
        found = QFileInfo(SysInfoPath).isFile();
    }
    if (found && m_platform.shell.startProgram(SysInfoPath, {})) return;
    m_platform.prompter.show(QStringLiteral("System Information Is Unavailable At This Time"),
                             QGuiApplication::applicationDisplayName(), vbOKOnly);
}

}  // namespace vemora
