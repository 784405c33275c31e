#pragma once

#include "platform/Platform.h"
#include "platform/Registry.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}

namespace vemora {

// Program information, and a button that starts the system-information viewer named in the
// registry.
class frmAbout final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)
public:
    explicit frmAbout(Platform& platform, QWidget* parent = nullptr);
    ~frmAbout() override;

private:
    bool GetKeyValue(RegistryRoot KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);
    void StartSysInfo();

    Platform& m_platform;
    std::unique_ptr<Ui::frmAbout> m_ui;
};

}  // namespace vemora
