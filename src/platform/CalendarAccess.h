#pragma once

class QCalendarWidget;

namespace vemora {

// Screen readers meet the calendar's grid as a table whose columns are headed by the weekday
// names the calendar shows, in its locale and from its first day of the week, rather than by
// the column numbers Qt's own table gives it. Call before the calendar is first shown.
void headCalendarColumns(QCalendarWidget* calendar);

}  // namespace vemora
