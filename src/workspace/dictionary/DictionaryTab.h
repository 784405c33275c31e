#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

namespace vemora {

class DictionaryTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DictionaryTab)
public:
    explicit DictionaryTab(Platform& platform, QWidget* parent = nullptr);

    void RefreshDictionaryGrid();
private:
    Platform& m_platform;
};

}  // namespace vemora
