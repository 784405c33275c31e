#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Diary and planner days as iCalendar journal entries (VJOURNAL).
namespace vemora::ical {

struct DiaryDay {
    QDate day;
    QString text;
    bool operator==(const DiaryDay&) const = default;
};

// The planner's morning, afternoon and quote of a day.
struct PlanDay {
    QDate day;
    QString morning, afternoon, quote;
    bool operator==(const PlanDay&) const = default;
};

// Whether a day can be written: libical carries the years 1 to 3000. The writers leave out
// other days; callers check them first and report them.
bool writable(QDate day);

// One VJOURNAL per day with DTSTART;VALUE=DATE, a UID and DTSTAMP; the text in DESCRIPTION,
// and in X-VEMORA-TEXT as well when libical would alter it (blanks at its ends, controls).
QByteArray writeDiary(const QList<DiaryDay>& days);

// SUMMARY "Plan"; DESCRIPTION a readable text of morning, afternoon and quote;
// X-VEMORA-AM, X-VEMORA-PM and X-VEMORA-QUOTE carry the exact texts.
QByteArray writePlans(const QList<PlanDay>& days);

struct ReadDays {
    QList<DiaryDay> diary;
    QList<PlanDay> plans;
    QStringList problems;
    int events = 0, tasks = 0;  // VEVENTs and VTODOs, which are not read
};

// A VJOURNAL with X-VEMORA plan properties (or SUMMARY "Plan") is a plan; any other is a
// diary day (its DESCRIPTION, else its SUMMARY). DTSTART as DATE or DATE-TIME (its date).
// Entries that cannot be read (no date, ...) are reported in `problems`.
ReadDays read(const QByteArray& bytes);

// Whether the first BEGIN line opens a VCALENDAR, or a VJOURNAL, VEVENT or VTODO without one;
// UTF-8, UTF-16 or UTF-32.
bool recognises(const QByteArray& bytes);

}  // namespace vemora::ical
