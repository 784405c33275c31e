#pragma once

#include <QWidget>
#include <memory>

#include "core/LockSettings.h"
#include "platform/Platform.h"

namespace Ui {
class frmOptions;
}

namespace vemora {

// The lock's delays: the administrator's for everyone (or the lock turned off), and each
// user's own shorter one. Users see everyone's delay but only the administrator changes it.
class frmOptions final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOptions)
public:
    explicit frmOptions(Platform& platform, QWidget* parent = nullptr);
    ~frmOptions() override;

signals:
    // The settings were stored; the delays that apply now.
    void saved(const vemora::LockDelays& delays);

private:
    void load();
    void save();
    void updateOwnLimit();
    int everyoneMinutes() const;

    Platform& m_platform;
    std::unique_ptr<::Ui::frmOptions> m_ui;
    bool m_administrator;
};

}  // namespace vemora
