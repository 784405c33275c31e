#include "workspace/player/PlayerTab.h"

namespace vemora {

PlayerTab::PlayerTab(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {}

}  // namespace vemora
