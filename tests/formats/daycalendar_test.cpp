#include "formats/DayCalendar.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora::ical {

void PrintTo(const DiaryDay& d, std::ostream* os) {
    *os << d.day.toString(Qt::ISODate).toStdString() << ' ' << d.text.toStdString();
}
void PrintTo(const PlanDay& p, std::ostream* os) {
    *os << p.day.toString(Qt::ISODate).toStdString() << ' '
        << QStringList{p.morning, p.afternoon, p.quote}.join(u'|').toStdString();
}

namespace {

// Texts that libical escapes, folds, trims or drops.
const QStringList kHardTexts{
    u"Dear diary,\r\nToday; nothing \\ much.\r\n"_s,
    u"  leading and trailing blanks\t "_s,
    u"\n\nnewlines around\n"_s,
    u"100% sure, `backquote` and O'Neil"_s,
    u"caf\u00e9 \u20ac \u65e5\u672c \U0001F600 "_s.repeated(12),
    u"lone\rreturn, a \0 nul, \b\f\x7f\u0085 controls and a\ttab"_s,
    u"%0D%25 looks encoded"_s,
    u"\ufeffstarts with a byte-order mark"_s,
    u""_s,
};

TEST(DayCalendarFormat, DiaryRoundTripsExactly) {
    QList<DiaryDay> days;
    QDate day(2024, 2, 28);
    for (const QString& text : kHardTexts) days.append({day = day.addDays(1), text});
    const ReadDays back = read(writeDiary(days));
    EXPECT_TRUE(back.problems.isEmpty()) << back.problems.join(u'\n').toStdString();
    EXPECT_TRUE(back.plans.isEmpty());
    EXPECT_EQ(back.diary, days);
}

TEST(DayCalendarFormat, PlansRoundTripExactly) {
    QList<PlanDay> days;
    QDate day(1999, 12, 31);
    for (qsizetype i = 0; i < kHardTexts.size(); ++i)
        days.append({day = day.addDays(1), kHardTexts[i], kHardTexts[(i + 1) % kHardTexts.size()],
                     kHardTexts[(i + 2) % kHardTexts.size()]});
    days.append({day.addDays(1), u""_s, u""_s, u""_s});
    days.append({day.addDays(2), u""_s, u"PM: only"_s, u""_s});
    const ReadDays back = read(writePlans(days));
    EXPECT_TRUE(back.problems.isEmpty()) << back.problems.join(u'\n').toStdString();
    EXPECT_TRUE(back.diary.isEmpty());
    EXPECT_EQ(back.plans, days);
}

TEST(DayCalendarFormat, WritesOneDatedJournalPerDay) {
    const QByteArray diary =
        writeDiary({{QDate(2024, 2, 29), u"Leap day, at last"_s}, {QDate(2024, 3, 1), u"x"_s}});
    EXPECT_TRUE(diary.startsWith("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(diary.contains("\r\nVERSION:2.0\r\n"));
    EXPECT_TRUE(diary.contains("\r\nPRODID:"));
    EXPECT_EQ(diary.count("BEGIN:VJOURNAL\r\n"), 2);
    EXPECT_EQ(diary.count("\r\nUID:"), 2);
    EXPECT_EQ(diary.count("\r\nDTSTAMP:"), 2);
    EXPECT_TRUE(diary.contains("\r\nDTSTART;VALUE=DATE:20240229\r\n"));
    EXPECT_TRUE(diary.contains("\r\nDESCRIPTION:Leap day\\, at last\r\n"));
    EXPECT_FALSE(diary.contains("X-VEMORA"));  // a plain text needs no exact copy

    const QByteArray plan = writePlans({{QDate(2024, 1, 2), u"Gym"_s, u"Work"_s, u"Carpe diem"_s}});
    EXPECT_TRUE(plan.contains("\r\nSUMMARY:Plan\r\n"));
    EXPECT_TRUE(plan.contains("\r\nDESCRIPTION:AM: Gym\\nPM: Work\\nDaily Quote: Carpe diem\r\n"));
    EXPECT_TRUE(plan.contains("\r\nX-VEMORA-AM:Gym\r\n"));
    EXPECT_TRUE(plan.contains("\r\nX-VEMORA-PM:Work\r\n"));
    EXPECT_TRUE(plan.contains("\r\nX-VEMORA-QUOTE:Carpe diem\r\n"));
}

TEST(DayCalendarFormat, ReadsTheRfc5545JournalExample) {
    const ReadDays r = read(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//ABC Corporation//NONSGML My Product//EN\r\n"
        "BEGIN:VJOURNAL\r\nUID:19970901T130000Z-123405@example.com\r\n"
        "DTSTAMP:19970901T130000Z\r\nDTSTART;VALUE=DATE:19970317\r\n"
        "SUMMARY:Staff meeting minutes\r\n"
        "DESCRIPTION:1. Staff meeting: Participants include Joe\\,\r\n"
        "  Lisa\\, and Bob. Aurora project plans were reviewed.\r\n"
        "  There is currently no budget reserves for this project.\r\n"
        "  Lisa will escalate to management. Next meeting on Tuesday.\\n\r\n"
        " 2. Telephone Conference: ABC Corp. sales representative\r\n"
        "  called to discuss new printers. Promised to get us a demo by\r\n"
        "  Friday.\\n3. Henry Miller (Handsoff Insurance): Car was\r\n"
        "  totaled by tree. Is looking into a loaner car. 555-2323\r\n"
        "  (tel).\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    ASSERT_TRUE(r.problems.isEmpty());
    ASSERT_EQ(r.diary.size(), 1);
    EXPECT_EQ(r.diary[0].day, QDate(1997, 3, 17));
    EXPECT_TRUE(r.diary[0].text.startsWith(
        u"1. Staff meeting: Participants include Joe, Lisa, and Bob. Aurora"_s));
    EXPECT_TRUE(r.diary[0].text.contains(u"on Tuesday.\n2. Telephone Conference"_s));
    EXPECT_TRUE(r.diary[0].text.endsWith(u"car. 555-2323 (tel)."_s));
}

TEST(DayCalendarFormat, ReadsForeignJournalsAndNamesThoseWithoutADate) {
    const ReadDays r = read(
        "\xef\xbb\xbf"
        "BEGIN:VCALENDAR\nVERSION:2.0\n"
        "BEGIN:VEVENT\nDTSTART:20240101T100000Z\nSUMMARY:Not a journal\nEND:VEVENT\n"
        "BEGIN:VJOURNAL\nDTSTART;TZID=Europe/Paris:20240105T233000\nSUMMARY:Only a summary\n"
        "END:VJOURNAL\n"
        "BEGIN:VJOURNAL\nSUMMARY:No date\nEND:VJOURNAL\n"
        "BEGIN:VJOURNAL\nDTSTART:20240106T010000Z\nDESCRIPTION:Caf\xe9 in Windows-1252\n"
        "END:VJOURNAL\n"
        "BEGIN:VJOURNAL\nDTSTART;VALUE=DATE:20240107\nSUMMARY:plan\n"
        "DESCRIPTION:AM: Run\\nand swim\\nPM:Read\\nDaily Quote: Be kind\nEND:VJOURNAL\n"
        "BEGIN:VJOURNAL\nDTSTART;VALUE=DATE:20240108\nX-VEMORA-PM:Only PM\nEND:VJOURNAL\n"
        "END:VCALENDAR\n");
    EXPECT_EQ(r.diary, (QList<DiaryDay>{{QDate(2024, 1, 5), u"Only a summary"_s},
                                        {QDate(2024, 1, 6), u"Caf\u00e9 in Windows-1252"_s}}));
    EXPECT_EQ(r.plans,
              (QList<PlanDay>{{QDate(2024, 1, 7), u"Run\nand swim"_s, u"Read"_s, u"Be kind"_s},
                              {QDate(2024, 1, 8), u""_s, u"Only PM"_s, u""_s}}));
    EXPECT_EQ(r.problems, QStringList{u"Journal entry 2 has no usable date."_s});
}

TEST(DayCalendarFormat, DaysBeyondWhatLibicalCarriesAreLeftOutAndRefused) {
    EXPECT_TRUE(writable(QDate(1, 1, 1)));
    EXPECT_TRUE(writable(QDate(3000, 12, 31)));
    EXPECT_FALSE(writable(QDate(3001, 1, 1)));
    EXPECT_FALSE(writable(QDate()));
    const ReadDays r =
        read(writeDiary({{QDate(3001, 1, 1), u"far"_s}, {QDate(2001, 1, 1), u"near"_s}}));
    EXPECT_EQ(r.diary, (QList<DiaryDay>{{QDate(2001, 1, 1), u"near"_s}}));
    EXPECT_TRUE(read(writePlans({{QDate(3001, 1, 1), u"a"_s, u"b"_s, u"c"_s}})).plans.isEmpty());
    EXPECT_EQ(read("BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\nDTSTART:40480212T101010\r\n"
                   "DESCRIPTION:x\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n")
                  .problems,
              QStringList{u"Journal entry 1 has no usable date."_s});
}

TEST(DayCalendarFormat, MalformedInputGivesProblemsNotCrashes) {
    for (const char* bytes :
         {"", "hello", "BEGIN:VCALENDAR", "BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\n",
          "BEGIN:VJOURNAL\r\nDTSTART:garbage\r\nEND:VJOURNAL\r\n",
          "BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\nDTSTART;VALUE=DATE:20241340\r\nEND:VJOURNAL\r\n"
          "END:VCALENDAR\r\n",
          "END:VCALENDAR\r\nEND:VJOURNAL\r\n:\r\n;\r\n"}) {
        const ReadDays r = read(QByteArray(bytes));
        EXPECT_TRUE(r.diary.isEmpty() && r.plans.isEmpty()) << bytes;
    }
    EXPECT_EQ(read("").problems, QStringList{u"The file holds no calendar."_s});
}

TEST(DayCalendarFormat, RecognisesACalendarByItsFirstLine) {
    EXPECT_TRUE(recognises("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(recognises("\xef\xbb\xbf\n begin:vcalendar\n"));
    EXPECT_FALSE(recognises("BEGIN:VCARD\r\n"));
    EXPECT_FALSE(recognises("Day,Text\n1,BEGIN:VJOURNAL\n"));
    // Journals, events and tasks without their calendar, and text before a damaged one.
    EXPECT_TRUE(recognises("BEGIN:VJOURNAL\r\n"));
    EXPECT_TRUE(recognises("begin:vevent\r\n"));
    EXPECT_TRUE(recognises("Saved by hand\r\nBEGIN:VCALENDAR\r\nBEGIN:VTODO\r\n"));
    EXPECT_TRUE(recognises(QByteArray("\0B\0E\0G\0I\0N\0:\0V\0T\0O\0D\0O", 22)));
}

}  // namespace
}  // namespace vemora::ical
