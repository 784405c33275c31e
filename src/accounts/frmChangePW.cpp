#include "accounts/frmChangePW.h"

namespace vemora {

frmChangePW::frmChangePW(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {
    setObjectName(QStringLiteral("frmChangePW"));
    setWindowTitle(QStringLiteral("Change Password"));
}

}  // namespace vemora
