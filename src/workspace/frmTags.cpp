#include "workspace/frmTags.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace vemora {

frmTags::frmTags(Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_tabMenu(new QTabWidget(this)) {
    setObjectName(QStringLiteral("frmTags"));
    setWindowTitle(QStringLiteral("Vemora Main"));
    m_tabMenu->setObjectName(QStringLiteral("tabMenu"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabMenu);
}

void frmTags::load() {}

}  // namespace vemora
