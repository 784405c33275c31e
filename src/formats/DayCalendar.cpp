#include "formats/DayCalendar.h"

#include "formats/Decoding.h"

#include <QDateTime>
#include <QUrl>
#include <QUuid>

#include <libical/ical.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace vemora::ical {

namespace {

constexpr const char* kText = "X-VEMORA-TEXT";
constexpr const char* kAm = "X-VEMORA-AM";
constexpr const char* kPm = "X-VEMORA-PM";
constexpr const char* kQuote = "X-VEMORA-QUOTE";

// The labels of the readable plan, as the printed plan has them.
const std::array<QString, 3> kLabels{QStringLiteral("AM:"), QStringLiteral("PM:"),
                                     QStringLiteral("Daily Quote:")};

// libical drops or alters control characters other than line feeds, and trims every value:
// such characters, and the escape mark %, travel percent-encoded in the exact texts.
QString exactForm(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace()) ++begin;
    while (end > begin && text[end - 1].isSpace()) --end;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (i < begin || i >= end || c == u'%' ||
            (c.category() == QChar::Other_Control && c != u'\n'))
            out.append(QString::fromLatin1(QUrl::toPercentEncoding(QString(c))));
        else
            out.append(c);
    }
    return out;
}

QString fromExactForm(const char* value) {
    return formats::decodeText(QByteArray::fromPercentEncoding(value));
}

icaltimetype dateOf(QDate day) {
    icaltimetype t = icaltime_null_date();
    t.year = day.year();
    t.month = day.month();
    t.day = day.day();
    return t;
}

icalcomponent* newCalendar() {
    icalerror_set_errors_are_fatal(0);
    icalcomponent* calendar = icalcomponent_new_vcalendar();
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid("-//Vemora//Organizer//EN"));
    return calendar;
}

icalcomponent* newJournal(icalcomponent* calendar, QDate day) {
    icalcomponent* journal = icalcomponent_new_vjournal();
    const QByteArray uid = QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + "@vemora";
    icalcomponent_add_property(journal, icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(
        journal, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                     QDateTime::currentSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone())));
    icalcomponent_add_property(journal, icalproperty_new_dtstart(dateOf(day)));
    icalcomponent_add_component(calendar, journal);
    return journal;
}

void addExact(icalcomponent* journal, const char* name, const QString& text) {
    if (text.isEmpty()) return;  // libical drops an empty value
    icalproperty* p = icalproperty_new_x(exactForm(text).toUtf8().constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(journal, p);
}

QByteArray finished(icalcomponent* calendar) {
    char* text = icalcomponent_as_ical_string_r(calendar);
    const QByteArray bytes(text);
    icalmemory_free_buffer(text);
    icalcomponent_free(calendar);
    icalmemory_free_ring();  // libical's temporary strings, so that nothing stays behind
    return bytes;
}

// The text of the first property of that kind; nothing when there is none.
std::optional<QString> textOf(icalcomponent* journal, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(journal, kind);
    const icalvalue* value = p ? icalproperty_get_value(p) : nullptr;
    if (!value || icalvalue_isa(value) != ICAL_TEXT_VALUE) return std::nullopt;
    return formats::decodeText(icalvalue_get_text(value));
}

// Plan parts from a readable description: a line that starts with a label starts its part.
PlanDay fromReadable(const QString& text) {
    PlanDay plan;
    const std::array<QString*, 3> parts{&plan.morning, &plan.afternoon, &plan.quote};
    QString* part = parts[0];
    bool fresh = true;
    for (const QString& line : text.split(u'\n')) {
        QString rest = line;
        for (std::size_t k = 0; k < kLabels.size(); ++k) {
            if (!line.startsWith(kLabels[k])) continue;
            part = parts[k];
            rest = line.mid(kLabels[k].size());
            if (rest.startsWith(u' ')) rest.remove(0, 1);
            fresh = true;
            break;
        }
        if (!fresh) part->append(u'\n');
        part->append(rest);
        fresh = false;
    }
    return plan;
}

QString readable(const PlanDay& plan) {
    return QStringLiteral("%1 %2\n%3 %4\n%5 %6")
        .arg(kLabels[0], plan.morning, kLabels[1], plan.afternoon, kLabels[2], plan.quote);
}

}  // namespace

bool writable(QDate day) {
    return day.isValid() && day.year() >= 1 && day.year() <= 3000;
}

QByteArray writeDiary(const QList<DiaryDay>& days) {
    icalcomponent* calendar = newCalendar();
    for (const DiaryDay& day : days) {
        if (!writable(day.day)) continue;
        icalcomponent* journal = newJournal(calendar, day.day);
        if (!day.text.isEmpty())
            icalcomponent_add_property(journal,
                                       icalproperty_new_description(day.text.toUtf8().constData()));
        if (exactForm(day.text) != day.text) addExact(journal, kText, day.text);
    }
    return finished(calendar);
}

QByteArray writePlans(const QList<PlanDay>& days) {
    icalcomponent* calendar = newCalendar();
    for (const PlanDay& day : days) {
        if (!writable(day.day)) continue;
        icalcomponent* journal = newJournal(calendar, day.day);
        icalcomponent_add_property(journal, icalproperty_new_summary("Plan"));
        icalcomponent_add_property(
            journal, icalproperty_new_description(readable(day).toUtf8().constData()));
        addExact(journal, kAm, day.morning);
        addExact(journal, kPm, day.afternoon);
        addExact(journal, kQuote, day.quote);
    }
    return finished(calendar);
}

ReadDays read(const QByteArray& bytes) {
    icalerror_set_errors_are_fatal(0);
    ReadDays result;
    icalcomponent* root = icalparser_parse_string(
        formats::withoutBom(formats::unicodeAsUtf8(bytes, u'B')).toByteArray().constData());
    if (!root) {
        result.problems.append(QStringLiteral("The file holds no calendar."));
        return result;
    }
    // The journal entries wherever they are nested, in file order.
    QList<icalcomponent*> journals;
    QList<icalcomponent*> stack{root};
    while (!stack.isEmpty()) {
        icalcomponent* c = stack.takeLast();
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind == ICAL_VJOURNAL_COMPONENT) journals.append(c);
        result.events += kind == ICAL_VEVENT_COMPONENT;
        result.tasks += kind == ICAL_VTODO_COMPONENT;
        QList<icalcomponent*> children;
        for (icalcomponent* child = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); child;
             child = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
            children.append(child);
        std::reverse_copy(children.cbegin(), children.cend(), std::back_inserter(stack));
    }
    int index = 0;
    for (icalcomponent* journal : journals) {
        ++index;
        const icaltimetype start = icalcomponent_get_dtstart(journal);
        const QDate day =
            icaltime_is_null_time(start) ? QDate() : QDate(start.year, start.month, start.day);
        if (!writable(day)) {
            result.problems.append(
                QStringLiteral("Journal entry %1 has no usable date.").arg(index));
            continue;
        }
        std::optional<QString> text, am, pm, quote;
        for (icalproperty* p = icalcomponent_get_first_property(journal, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(journal, ICAL_X_PROPERTY)) {
            const QByteArray name = QByteArray(icalproperty_get_x_name(p)).toUpper();
            const char* value = icalproperty_get_x(p);
            if (!value) continue;
            for (auto [key, field] : {std::pair{kText, &text}, std::pair{kAm, &am},
                                      std::pair{kPm, &pm}, std::pair{kQuote, &quote}})
                if (name == key && !*field) *field = fromExactForm(value);
        }
        const std::optional<QString> description = textOf(journal, ICAL_DESCRIPTION_PROPERTY);
        const std::optional<QString> summary = textOf(journal, ICAL_SUMMARY_PROPERTY);
        if (am || pm || quote) {
            result.plans.append(
                {day, am.value_or(QString()), pm.value_or(QString()), quote.value_or(QString())});
        } else if (summary && summary->trimmed().compare(u"Plan", Qt::CaseInsensitive) == 0) {
            PlanDay plan = fromReadable(description.value_or(QString()));
            plan.day = day;
            result.plans.append(plan);
        } else {
            result.diary.append(
                {day, text.value_or(description.value_or(summary.value_or(QString())))});
        }
    }
    icalcomponent_free(root);
    icalmemory_free_ring();
    return result;
}

bool recognises(const QByteArray& bytes) {
    // A journal, event or task without its calendar is read as well.
    static const QList<QByteArray> opened{"VCALENDAR", "VJOURNAL", "VEVENT", "VTODO"};
    return opened.contains(formats::firstBegin(formats::unicodeAsUtf8(bytes, u'B')));
}

}  // namespace vemora::ical
