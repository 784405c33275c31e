#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class DiaryTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DiaryTab)
public:
    explicit DiaryTab(Platform& platform, QWidget* parent = nullptr);

    Status LoadDiary();
private:
    Platform& m_platform;
};

}  // namespace vemora
