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

QString shortDateFormat(const QLocale& locale) {
    if (locale.language() == QLocale::C) return QStringLiteral("M/d/yyyy");
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString shortDate(QDate day) {
    const QLocale locale;
    return locale.toString(day, shortDateFormat(locale));
}

}  // namespace vemora
