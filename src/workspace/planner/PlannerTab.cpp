#include "workspace/planner/PlannerTab.h"

namespace vemora {

PlannerTab::PlannerTab(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {}

Status PlannerTab::LoadPlan() { return {}; }

}  // namespace vemora
