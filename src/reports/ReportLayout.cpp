#include "reports/ReportLayout.h"

#include <algorithm>

namespace vemora {

namespace {

template <class T>
T* at(QList<T>& list, int index) {
    return index >= 1 && index <= list.size() ? &list[index - 1] : nullptr;
}

}  // namespace

Control* Section::control(int index) {
    return at(controls, index);
}

const Control* Section::control(int index) const {
    return const_cast<Section*>(this)->control(index);
}

int Section::contentHeight() const {
    int bottom = 0;
    for (const Control& c : controls) bottom = std::max(bottom, c.box.y() + c.box.height());
    return bottom;
}

Section* ReportLayout::section(int index) {
    return at(sections, index);
}

const Section* ReportLayout::section(int index) const {
    return const_cast<ReportLayout*>(this)->section(index);
}

}  // namespace vemora
