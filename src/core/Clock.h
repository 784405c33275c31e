#pragma once

#include <QDateTime>

#include <optional>

namespace vemora {

// The moment the programs take "now" and "today" from. Tests fix it, so that nothing they
// check moves at midnight.
QDateTime currentDateTime();
void fixClock(std::optional<QDateTime> now);

}  // namespace vemora
