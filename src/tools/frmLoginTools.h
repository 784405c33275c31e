#pragma once

#include "tools/mod_Tools.h"

#include <QWidget>

#include <memory>

namespace Ui {
class frmLoginTools;
}

namespace vemora {

// The tool's start-up window: admits only the administrator, then hands over to frmTools.
// Closing it any other way ends the program.
class frmLoginTools final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLoginTools)
public:
    explicit frmLoginTools(ToolsPlatform& platform, QWidget* parent = nullptr);
    ~frmLoginTools() override;

    // Opens the database and shows the dialog; a missing database is reported and the dialog
    // unloads without being shown.
    void load();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void logIn();
    void admit(const QString& name);

    ToolsPlatform& m_platform;
    std::unique_ptr<Ui::frmLoginTools> m_ui;
    bool m_handedOver = false;
};

}  // namespace vemora
