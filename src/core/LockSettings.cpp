#include "core/LockSettings.h"

#include "core/OptionStore.h"

#include <algorithm>

namespace vemora {

namespace {

std::optional<int> minutesIn(const std::optional<QString>& stored) {
    if (!stored) return std::nullopt;
    bool number = false;
    const int minutes = stored->toInt(&number);
    if (!number || minutes < 0 || minutes > LockSettings::kLongestMinutes) return std::nullopt;
    return minutes;
}

DbError refused(LockRefusal why, int everyone) {
    return {kErrOther, LockSettings::describe(why, everyone)};
}

}  // namespace

int LockDelays::effective() const {
    if (!own) return everyone;
    return everyone == 0 ? *own : std::min(*own, everyone);
}

std::optional<LockRefusal> LockSettings::refusalForEveryone(int minutes) {
    if (minutes < 0 || minutes > kLongestMinutes) return LockRefusal::OutOfRange;
    return std::nullopt;
}

std::optional<LockRefusal> LockSettings::refusalForOwn(int minutes, int everyone) {
    if (minutes < 1 || minutes > kLongestMinutes) return LockRefusal::OutOfRange;
    if (everyone > 0 && minutes > everyone) return LockRefusal::LongerThanEveryone;
    return std::nullopt;
}

QString LockSettings::describe(LockRefusal why, int everyone) {
    if (why == LockRefusal::LongerThanEveryone)
        return QStringLiteral("Your delay cannot be longer than the one for everyone (%1 minutes).")
            .arg(everyone);
    return QStringLiteral("The delay must be from 1 to %1 minutes.").arg(kLongestMinutes);
}

Result<LockDelays> LockSettings::read(qint64 user) {
    OptionStore options(m_database);
    const auto everyone = options.value(OptionStore::kEveryone, kLockDelayOption);
    if (!everyone) return everyone.error();
    LockDelays delays;
    delays.everyone = minutesIn(everyone.value()).value_or(kDefaultMinutes);
    if (user == OptionStore::kEveryone) return delays;
    const auto own = options.value(user, kLockDelayOption);
    if (!own) return own.error();
    delays.own = minutesIn(own.value());
    if (delays.own == 0) delays.own.reset();
    return delays;
}

Status LockSettings::setEveryone(int minutes) {
    if (const auto why = refusalForEveryone(minutes)) return refused(*why, minutes);
    return OptionStore(m_database)
        .set(OptionStore::kEveryone, kLockDelayOption, QString::number(minutes));
}

Status LockSettings::setOwn(qint64 user, std::optional<int> minutes) {
    OptionStore options(m_database);
    if (!minutes) return options.clear(user, kLockDelayOption);
    const Result<LockDelays> current = read(OptionStore::kEveryone);
    if (!current) return current.status();
    if (const auto why = refusalForOwn(*minutes, current.value().everyone))
        return refused(*why, current.value().everyone);
    return options.set(user, kLockDelayOption, QString::number(*minutes));
}

}  // namespace vemora
