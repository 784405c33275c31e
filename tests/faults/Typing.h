#pragma once

#include <QDate>

namespace vemora::test {

// The diary day the typing child types into: one no other write of the rehearsals touches.
inline const QDate kTypingDay(2031, 1, 1);

}  // namespace vemora::test
