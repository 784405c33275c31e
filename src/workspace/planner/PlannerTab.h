#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class PlannerTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlannerTab)
public:
    explicit PlannerTab(Platform& platform, QWidget* parent = nullptr);

    Status LoadPlan();
private:
    Platform& m_platform;
};

}  // namespace vemora
