#include "workspace/dictionary/DictionaryTab.h"

namespace vemora {

DictionaryTab::DictionaryTab(Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform) {}

void DictionaryTab::RefreshDictionaryGrid() {}

}  // namespace vemora
