#pragma once

#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class frmAddUser final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddUser)
public:
    explicit frmAddUser(Platform& platform, QWidget* parent = nullptr);

private:
    Platform& m_platform;
};

}  // namespace vemora
