#pragma once

#include "platform/Platform.h"

#include <QWidget>

#include <memory>

namespace Ui {
class frmChangePW;
}

namespace vemora {

// The logged-in user's change of password and of the name stored with the account.
class frmChangePW final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmChangePW)
public:
    explicit frmChangePW(Platform& platform, QWidget* parent = nullptr);
    ~frmChangePW() override;

private:
    void change();

    Platform& m_platform;
    std::unique_ptr<Ui::frmChangePW> m_ui;
};

}  // namespace vemora
