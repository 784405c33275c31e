#include "workspace/diary/DiaryTab.h"

namespace vemora {

DiaryTab::DiaryTab(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {}

Status DiaryTab::LoadDiary() { return {}; }

}  // namespace vemora
