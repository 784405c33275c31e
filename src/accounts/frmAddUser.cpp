#include "accounts/frmAddUser.h"

namespace vemora {

frmAddUser::frmAddUser(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {
    setObjectName(QStringLiteral("frmAddUser"));
    setWindowTitle(QStringLiteral("Add User"));
}

}  // namespace vemora
