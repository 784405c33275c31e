#include "core/Clock.h"

namespace vemora {

namespace {

std::optional<QDateTime>& fixedNow() {
    static std::optional<QDateTime> now;
    return now;
}

}  // namespace

QDateTime currentDateTime() {
    return fixedNow().value_or(QDateTime::currentDateTime());
}

void fixClock(std::optional<QDateTime> now) {
    fixedNow() = std::move(now);
}

}  // namespace vemora
