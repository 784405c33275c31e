#pragma once

#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class frmAbout final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)
public:
    explicit frmAbout(Platform& platform, QWidget* parent = nullptr);

private:
    Platform& m_platform;
};

}  // namespace vemora
