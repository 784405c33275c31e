#pragma once

#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class frmChangePW final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmChangePW)
public:
    explicit frmChangePW(Platform& platform, QWidget* parent = nullptr);

private:
    Platform& m_platform;
};

}  // namespace vemora
