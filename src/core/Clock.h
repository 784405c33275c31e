#pragma once

#include <QDateTime>
#include <QLocale>

#include <optional>

namespace vemora {

// The moment the programs take "now" and "today" from. Tests fix it, so that nothing they
// check moves at midnight.
QDateTime currentDateTime();
void fixClock(std::optional<QDateTime> now);

// How windows and reports write a day: the region's short form with a four-digit year
// ("3.12.2026" in Germany), month/day/year where no region is set ("12/3/2026"). Digits only,
// so that a day fits the reports' narrow date boxes.
QString shortDateFormat(const QLocale& locale = QLocale());
QString shortDate(QDate day);

}  // namespace vemora
