#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class PlayerTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerTab)
public:
    explicit PlayerTab(Platform& platform, QWidget* parent = nullptr);

private:
    Platform& m_platform;
};

}  // namespace vemora
