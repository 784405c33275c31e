#include "about/frmAbout.h"

namespace vemora {

frmAbout::frmAbout(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
}

}  // namespace vemora
