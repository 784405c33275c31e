#pragma once

#include "platform/Platform.h"

#include <QWidget>

class QTabWidget;

namespace vemora {

// The workspace: one tab per module, inside the main window.
class frmTags final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTags)
public:
    explicit frmTags(Platform& platform, QWidget* parent = nullptr);

    // Runs the load sequence; called once, right after construction.
    void load();
    QTabWidget* tabMenu() const { return m_tabMenu; }

private:
    Platform& m_platform;
    QTabWidget* m_tabMenu;
};

}  // namespace vemora
