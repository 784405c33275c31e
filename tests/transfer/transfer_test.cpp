#include "transfer/Transfer.h"
#include "core/DayStore.h"
#include "core/SearchStore.h"
#include "core/StoreFixture.h"
#include "support/Contacts.h"
#include "support/Words.h"

#include <QStringEncoder>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class TransferTest : public StoreTest {
protected:
    TransferTest() {
        ann = files.addUser(u"ann"_s, u"pw"_s, u"Ann"_s);
        bob = files.addUser(u"bob"_s, u"pw"_s, u"Bob"_s);
    }

    QByteArray exported(qint64 user, const ExportRequest& request) {
        const Result<Exported> file = exportRecords(database, user, request);
        EXPECT_TRUE(file.ok()) << (file ? "" : file.error().description.toStdString());
        return file ? file.value().bytes : QByteArray();
    }
    ImportSummary imported(qint64 user, const QByteArray& bytes,
                           const TransferProgress& progress = {}) {
        return importRecords(database, user, bytes, progress);
    }
    // Every row of the user's, column by column, exactly as stored.
    QList<QVariantList> rowsOf(const QString& table, qint64 user, const QString& order) {
        const Recordset rows =
            query(Statement(QStringLiteral("SELECT * FROM %1 WHERE user_num = ").arg(table))
                      .number(user)
                      .sql(QStringLiteral(" ORDER BY %1 COLLATE BINARY").arg(order),
                           QStringLiteral(" ORDER BY CAST(%1 AS text) COLLATE \"C\"").arg(order)));
        QList<QVariantList> list;
        for (int i = 0; i < rows.rowCount(); ++i) list.append(rows.row(i).mid(1));
        return list;
    }
    void storeDay(const DayBook& book, qint64 user, const QString& day, const QStringList& texts) {
        Statement insert(QStringLiteral("INSERT INTO %1 VALUES (").arg(book.table));
        insert.number(user).sql(", ").value(day);
        for (const QString& text : texts) insert.sql(", ").value(text);
        query(insert.sql(")"));
    }

    qint64 ann = 0;
    qint64 bob = 0;
};

// Texts that formats escape, fold or quote, as a contact's fields may hold them.
QStringList hardContact(const QString& first) {
    return {first,
            u"de la, Cruz"_s,
            u"Nuñez;Ölund"_s,
            u"X"_s,
            u"Flat 2\\3, \"Rue\" d`Été; 東京 "_s,
            u"+63 (2) 555"_s,
            u"0917,1"_s,
            u"N/A"_s,
            u"a.b+c@d.example"_s};
}

TEST_F(TransferTest, ContactsComeBackExactlyFromEachFormatAndOnlyTheUsersAreExported) {
    storeContact(files, hardContact(u"Ann"_s), ann);
    storeContact(files, hardContact(u"  Zoë  "_s), ann);
    storeContact(files, contact(u"Anna"_s, u"M"_s, u"Lee"_s), ann);
    storeContact(files, contact(u"Someone"_s, u"Else"_s, u"Entirely"_s), bob);
    const auto stored = rowsOf(u"addressbook_tbl"_s, ann, u"name"_s);

    for (const FileFormat format : {FileFormat::VCard3, FileFormat::VCard4, FileFormat::Csv}) {
        const QByteArray bytes = exported(ann, {DataKind::Contacts, format});
        EXPECT_FALSE(bytes.contains("Someone")) << int(format);
        query(Statement("DELETE FROM addressbook_tbl WHERE user_num = 1"));
        const ImportSummary summary = imported(1, bytes);
        EXPECT_EQ(summary.text(), u"3 added, 0 already present, 0 refused"_s)
            << int(format) << summary.details().join(u'\n').toStdString();
        EXPECT_EQ(rowsOf(u"addressbook_tbl"_s, 1, u"name"_s), stored) << int(format);
    }
}

TEST_F(TransferTest, OneChosenContactIsExportedAlone) {
    storeContact(files, contact(u"Ann"_s, u"M"_s, u"Lee"_s), ann);
    storeContact(files, contact(u"Ben"_s, u"M"_s, u"Lee"_s), ann);
    const QByteArray bytes = exported(
        ann, {DataKind::Contacts, FileFormat::Csv, ContactNames{u" ann"_s, u"m"_s, u"LEE"_s}});
    EXPECT_TRUE(bytes.contains("Ann")) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains("Ben"));
    EXPECT_TRUE(bytes.startsWith(
        "First name,Middle name,Last name,Sex,Address,Phone #,Cellular #,Fax #,E-mail\r\n"));
}

TEST_F(TransferTest, DiaryAndPlansComeBackExactlyForTheDaysAsked) {
    const DayBook& diary = DayBook::diary();
    const DayBook& planner = DayBook::planner();
    storeDay(diary, ann, u"2020-02-29"_s, {u"Leap day;\nline two, with \\ and `quotes`\n"_s});
    storeDay(diary, ann, u"2020-03-01"_s, {u"  Ünïcode 日記  "_s});
    storeDay(diary, ann, u"2021-01-01"_s, {u"outside the range"_s});
    storeDay(diary, bob, u"2020-03-01"_s, {u"Bob's own"_s});
    storeDay(planner, ann, u"2020-03-01"_s, {u"AM: a, b; c"_s, u"PM\\\nnext"_s, u"\"Quote\""_s});
    storeDay(planner, ann, u"2020-03-02"_s, {u"x"_s, u"y"_s, u"z"_s});

    const QByteArray days =
        exported(ann, {DataKind::Diary, FileFormat::ICalendar, {}, {2020, 1, 1}, {2020, 12, 31}});
    EXPECT_FALSE(days.contains("Bob")) << days.toStdString();
    EXPECT_FALSE(days.contains("outside"));
    const QByteArray plans =
        exported(ann, {DataKind::Planner, FileFormat::ICalendar, {}, {2020, 1, 1}, {2020, 12, 31}});

    EXPECT_EQ(imported(1, days).text(), u"2 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(imported(1, plans).text(), u"2 added, 0 already present, 0 refused"_s);
    auto annDiary = rowsOf(u"diary_tbl"_s, ann, u"diary_date"_s);
    annDiary.removeLast();
    EXPECT_EQ(rowsOf(u"diary_tbl"_s, 1, u"diary_date"_s), annDiary);
    EXPECT_EQ(rowsOf(u"planner_tbl"_s, 1, u"planner_date"_s),
              rowsOf(u"planner_tbl"_s, ann, u"planner_date"_s));
    // What came in is found by the importer's search.
    SearchStore search(database);
    const auto found =
        search.find(1, SearchTerms::parse(u"unicode \"line two\""_s), SearchOrder::Newest, 10);
    ASSERT_TRUE(found.ok());
    EXPECT_TRUE(found.value().isEmpty());
    for (const auto& [typed, day, place] :
         {std::tuple{u"unicode"_s, QDate(2020, 3, 1), SearchPlace::Diary},
          std::tuple{u"\"line two\""_s, QDate(2020, 2, 29), SearchPlace::Diary},
          std::tuple{u"next"_s, QDate(2020, 3, 1), SearchPlace::Afternoon}}) {
        const auto hits = search.find(1, SearchTerms::parse(typed), SearchOrder::Newest, 10);
        ASSERT_TRUE(hits.ok());
        ASSERT_EQ(hits.value().size(), 1) << typed.toStdString();
        EXPECT_EQ(hits.value().front().day, day);
        EXPECT_EQ(hits.value().front().place, place);
    }

    const auto range = entryRange(database, diary, ann);
    ASSERT_TRUE(range.ok() && range.value());
    EXPECT_EQ(range.value()->first, QDate(2020, 2, 29));
    EXPECT_EQ(range.value()->second, QDate(2021, 1, 1));
    EXPECT_FALSE(entryRange(database, planner, bob).value());
}

TEST_F(TransferTest, ADayACalendarCannotHoldIsLeftOutAndNamedNotWrittenWrong) {
    storeDay(DayBook::diary(), ann, u"2020-03-01"_s, {u"kept"_s});
    storeDay(DayBook::diary(), ann, u"3001-01-01"_s, {u"far ahead"_s});

    const Result<Exported> file = exportRecords(
        database, ann, {DataKind::Diary, FileFormat::ICalendar, {}, {2000, 1, 1}, {9999, 12, 31}});
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(file.value().records, 1);
    EXPECT_EQ(linesOf(file.value().leftOut),
              QStringList{u"3001-01-01: an iCalendar file cannot hold this day"_s});
    EXPECT_FALSE(file.value().bytes.contains("far ahead"));
    EXPECT_EQ(imported(bob, file.value().bytes).text(), u"1 added, 0 already present, 0 refused"_s);
}

TEST_F(TransferTest, WordsComeBackExactlyAndBelongToTheImporter) {
    query(insertWord(ann, u"apple"_s, u"a fruit, red; or \"green\"\nsecond line"_s));
    query(insertWord(bob, u"Bärlauch"_s, u"  wild garlic  "_s));
    const QByteArray bytes = exported(ann, {DataKind::Dictionary, FileFormat::Csv});
    EXPECT_TRUE(bytes.startsWith("Word,Description\r\n"));
    const auto stored =
        query(Statement("SELECT dict_name, dict_description FROM dictionary_tbl "
                        "ORDER BY dict_name"));

    query(Statement("DELETE FROM dictionary_tbl"));
    EXPECT_EQ(imported(bob, bytes).text(), u"2 added, 0 already present, 0 refused"_s);
    const auto again =
        query(Statement("SELECT dict_name, dict_description FROM dictionary_tbl "
                        "ORDER BY dict_name"));
    ASSERT_EQ(again.rowCount(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(again.row(i), stored.row(i));
    EXPECT_EQ(
        query(Statement("SELECT * FROM dictionary_tbl WHERE user_num = ").number(bob)).rowCount(),
        2);
}

TEST_F(TransferTest, StoredRecordsAreSkippedAndCountedNeverOverwritten) {
    storeContact(files, contact(u"Ann"_s, u"M"_s, u"Lee"_s), ann);
    const QByteArray csv =
        "first name,MIDDLE NAME,Last name,Sex,Address,Phone #,Cellular #,Fax #,E-mail\n"
        " ANN ,m,lee,F,New address,1,2,3,new@x\n"  // the stored one, other case and blanks
        "Cy,,Doe,,,,,,\n"                          // fields missing
        "Cy,N/A,DOE,F,x,1,2,3,y\n"                 // the one just added
        "Dee,Q,O'Hara,F,x,1,2,3,y\n";
    const ImportSummary summary = imported(ann, csv);
    EXPECT_EQ(summary.text(), u"2 added, 2 already present, 0 refused"_s);
    EXPECT_EQ(summary.kinds, QList<DataKind>{DataKind::Contacts});
    const auto rows = rowsOf(u"addressbook_tbl"_s, ann, u"name"_s);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).at(4).toString(), u"1 Main St"_s);  // not overwritten
    EXPECT_EQ(rows.at(1), (QVariantList{u"Cy"_s, u"N/A"_s, u"Doe"_s, u"U"_s, u"N/A"_s, u"N/A"_s,
                                        u"N/A"_s, u"N/A"_s, u"N/A"_s}));
    EXPECT_EQ(rows.at(2).at(2).toString(), u"O`Hara"_s);
    // Imported again, everything is present.
    EXPECT_EQ(imported(ann, csv).text(), u"0 added, 4 already present, 0 refused"_s);

    storeDay(DayBook::diary(), ann, u"2020-01-01"_s, {u"mine"_s});
    const QByteArray days =
        exported(ann, {DataKind::Diary, FileFormat::ICalendar, {}, {2020, 1, 1}, {2020, 1, 1}});
    query(Statement("UPDATE diary_tbl SET diary_message = 'changed since'"));
    EXPECT_EQ(imported(ann, days).text(), u"0 added, 1 already present, 0 refused"_s);
    EXPECT_EQ(rowsOf(u"diary_tbl"_s, ann, u"diary_date"_s).at(0).at(1).toString(),
              u"changed since"_s);

    query(insertWord(bob, u"Taken"_s, u"by Bob"_s));
    EXPECT_EQ(imported(ann, "word,description\ntaken,mine\nfree,mine\n").text(),
              u"1 added, 1 already present, 0 refused"_s);
}

TEST_F(TransferTest, RecordsThatCannotBeStoredExactlyAreRefusedWithTheirReason) {
    const QByteArray csv =
        "First name,Middle name,Last name,Sex,Address,Phone #,Cellular #,Fax #,E-mail\n"
        ",,,F,x,,,,\n"
        "Cy,M,Lee,F,x,1,2,3,y\n";
    const ImportSummary summary = imported(ann, csv);
    EXPECT_EQ(summary.text(), u"1 added, 0 already present, 1 refused"_s);
    EXPECT_EQ(summary.details(),
              QStringList{u"it has no name, organisation, e-mail address or phone number"_s});

    const ImportSummary words =
        imported(ann, "Word,Description\nthirty-one characters long word,x\nempty,\n");
    EXPECT_EQ(words.added, 0);
    EXPECT_EQ(words.details().value(0),
              u"thirty-one characters long word: the word is longer than 30 characters"_s);
    EXPECT_EQ(words.details().value(1), u"empty: the description is empty"_s);
    EXPECT_EQ(count(u"dictionary_tbl"_s), 0);
}

TEST_F(TransferTest, AValueItsFieldCannotHoldIsLeftOutAndNamedAndTheContactStored) {
    const QByteArray cards =
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ada Quill\r\nN:Quill;Ada;;;\r\n"
        "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+1-555-010-9254;ext=102\r\n"
        "TEL;VALUE=uri;TYPE=cell:tel:+1-555-010-6501\r\n"
        "TEL;TYPE=fax:+1 (555) 010-9999 ext. 12345 ask for Bo\r\n"
        "EMAIL:ada@example.org\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Abercrombie-Featherstonehaugh-Montmorency;Bo;;;\r\n"
        "X-GENDER:Male\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Quillworks, Inc.\r\nORG:Quillworks, Inc.;Sales\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nEMAIL:cy@example.org\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nEMAIL:a.very.long.name.for.a.mailbox@example.org\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL;TYPE=cell:0917 555\r\nEND:VCARD\r\n";
    const ImportSummary summary = imported(ann, cards);
    EXPECT_EQ(summary.text(), u"6 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(summary.details(),
              (QStringList{u"Ada Quill: fax number left out (39 characters, the field holds 16)"_s,
                           u"Bo Abercrombie-Featherstonehaugh-Montmorency: last name left out (41 "
                           "characters, the field holds 30)"_s}));
    const QString na = u"N/A"_s;
    const auto rows = rowsOf(u"addressbook_tbl"_s, ann, u"name"_s);
    ASSERT_EQ(rows.size(), 6);
    // The numbers fit without a digit lost; the fax that cannot is left out.
    EXPECT_EQ(rows.at(1), (QVariantList{u"Ada"_s, na, u"Quill"_s, u"U"_s, na, u"+15550109254x102"_s,
                                        u"+1-555-010-6501"_s, na, u"ada@example.org"_s}));
    EXPECT_EQ(rows.at(2), (QVariantList{u"Bo"_s, na, na, u"M"_s, na, na, na, na, na}));
    // Unnamed cards are filed under their organisation, e-mail address or phone number.
    EXPECT_EQ(rows.at(0).mid(0, 3), (QVariantList{u"0917 555"_s, na, na}));
    EXPECT_EQ(rows.at(3).mid(0, 3), (QVariantList{u"Quillworks, Inc."_s, na, na}));
    EXPECT_EQ(rows.at(4).mid(0, 3), (QVariantList{u"a.very.long.name.for.a.mailbox"_s, na, na}));
    EXPECT_EQ(rows.at(5).mid(0, 3), (QVariantList{u"cy@example.org"_s, na, na}));
    EXPECT_EQ(rows.at(5).at(8), u"cy@example.org"_s);
}

TEST_F(TransferTest, PlaceholdersAreExportedAsAbsentFieldsAndComeBackTheSame) {
    const QString na = u"N/A"_s;
    storeContact(files, {u"Maria"_s, na, u"Oneil"_s, u"U"_s, na, u"555-01"_s, na, na, na}, ann);
    storeContact(files, {u"Ned"_s, u"O"_s, u"Ray"_s, u"M"_s, u"N/A 2"_s, na, na, na, na}, ann);
    const auto stored = rowsOf(u"addressbook_tbl"_s, ann, u"name"_s);
    for (const FileFormat format : {FileFormat::VCard3, FileFormat::VCard4, FileFormat::Csv}) {
        const QByteArray bytes = exported(ann, {DataKind::Contacts, format});
        EXPECT_EQ(bytes.count("N/A"), 1) << bytes.toStdString();  // "N/A 2" is data
        EXPECT_FALSE(bytes.contains("X-VEMORA-SEX")) << bytes.toStdString();
        query(Statement("DELETE FROM addressbook_tbl"));
        EXPECT_EQ(imported(ann, bytes).text(), u"2 added, 0 already present, 0 refused"_s);
        EXPECT_EQ(rowsOf(u"addressbook_tbl"_s, ann, u"name"_s), stored) << int(format);
    }
    EXPECT_TRUE(exported(ann, {DataKind::Contacts, FileFormat::VCard4})
                    .contains("FN:Maria Oneil\r\nN:Oneil;Maria;;;\r\n"));
}

TEST_F(TransferTest, TheFormatIsToldByTheContentInAnyUnicodeForm) {
    const QString card = u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Zoë;;;\r\nEND:VCARD\r\n"_s;
    QStringEncoder utf16be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    EXPECT_EQ(imported(ann, utf16be(card)).text(), u"1 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(rowsOf(u"addressbook_tbl"_s, ann, u"name"_s).at(0).at(0), u"Zoë"_s);

    // A journal without its calendar, in UTF-16LE.
    QStringEncoder utf16le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const ImportSummary journal =
        imported(ann, utf16le(u"BEGIN:VJOURNAL\r\nUID:1\r\nDTSTART;VALUE=DATE:20200102\r\n"
                              "DESCRIPTION:Snow\r\nEND:VJOURNAL\r\n"_s));
    EXPECT_EQ(journal.text(), u"1 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(rowsOf(u"diary_tbl"_s, ann, u"diary_date"_s).at(0).at(1), u"Snow"_s);

    // Damaged files are still called what they are.
    const ImportSummary damaged =
        imported(ann, "Exported by hand\nBEGIN:VCARD\nVERSION:3.0\nN:Lee;Bo;;;\n");
    EXPECT_EQ(damaged.details(), QStringList{u"Card 1 (Bo Lee): it has no END:VCARD line."_s});
    const ImportSummary events =
        imported(ann,
                 "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:1\nEND:VEVENT\nBEGIN:VEVENT\n"
                 "UID:2\nEND:VEVENT\nBEGIN:VTODO\nUID:3\nEND:VTODO\nEND:VCALENDAR\n");
    EXPECT_EQ(events.text(), u"This file holds no journal entries (it holds 2 events, 1 task)"_s);
    EXPECT_FALSE(events.completed());
    EXPECT_EQ(imported(ann, "BEGIN:VEVENT\nUID:1\nEND:VEVENT\n").text(),
              u"This file holds no journal entries (it holds 1 event, 0 tasks)"_s);
}

TEST_F(TransferTest, ACancelledImportKeepsTheRecordsCompletedBeforeIt) {
    QByteArray csv = "Word,Description\n";
    for (int i = 0; i < 10; ++i) csv += QStringLiteral("word%1,d\n").arg(i).toUtf8();
    QList<qsizetype> told;
    const ImportSummary summary = imported(ann, csv, [&told](qsizetype done, qsizetype total) {
        EXPECT_EQ(total, 10);
        told.append(done);
        return done < 3;
    });
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(told, (QList<qsizetype>{1, 2, 3}));
    EXPECT_EQ(summary.text(),
              u"3 added, 0 already present, 0 refused. The import was cancelled; the rest of the "
              "file was not imported."_s);
    EXPECT_EQ(count(u"dictionary_tbl"_s), 3);
}

TEST_F(TransferTest, ContactsOfAnotherProgramsCsvAreImportedAndAnUnknownHeaderWaitsForAChoice) {
    const ImportSummary google =
        imported(ann,
                 "Name,Given Name,Family Name,Phone 1 - Type,Phone 1 - Value,Notes\r\n"
                 "Ann Lee,Ann,Lee,Mobile,0917,\"two\nlines\"\r\n");
    EXPECT_EQ(google.text(), u"1 added, 0 already present, 0 refused"_s);
    EXPECT_EQ(google.unusedColumns, QStringList{u"Notes"_s});
    EXPECT_EQ(rowsOf(u"addressbook_tbl"_s, ann, u"name"_s),
              (QList<QVariantList>{{u"Ann"_s, u"N/A"_s, u"Lee"_s, u"U"_s, u"N/A"_s, u"N/A"_s,
                                    u"0917"_s, u"N/A"_s, u"N/A"_s}}));

    const QByteArray unknown("Wer;Wo;Handy\n\"Bo Ray\";Ulm;0170\nCy;Bonn;0171\n");
    const ImportSummary asked = imported(ann, unknown);
    ASSERT_TRUE(asked.unknownHeader);
    EXPECT_EQ(asked.unknownHeader->header, (QStringList{u"Wer"_s, u"Wo"_s, u"Handy"_s}));
    EXPECT_EQ(asked.unknownHeader->rows.size(), 2);
    EXPECT_FALSE(asked.completed());
    EXPECT_TRUE(asked.text().startsWith(u"The CSV file has neither the columns of contacts"_s));

    const ImportSummary missing =
        importRecords(database, ann, unknown, {}, {{u"Wer"_s, 0}, {u"Name"_s, 2}});
    EXPECT_EQ(missing.unreadable, u"The CSV file has no column \"Name\"."_s);
    const ImportSummary mapped =
        importRecords(database, ann, unknown, {}, {{u"wer"_s, 0}, {u"Wo"_s, 4}, {u"Handy"_s, 6}});
    EXPECT_EQ(mapped.text(), u"2 added, 0 already present, 0 refused"_s);
    EXPECT_TRUE(mapped.unusedColumns.isEmpty());
    EXPECT_EQ(rowsOf(u"addressbook_tbl"_s, ann, u"name"_s).value(1),
              (QVariantList{u"Bo Ray"_s, u"N/A"_s, u"N/A"_s, u"U"_s, u"Ulm"_s, u"N/A"_s, u"0170"_s,
                            u"N/A"_s, u"N/A"_s}));
    // A choice makes even a file of words one of contacts.
    EXPECT_EQ(importRecords(database, bob, "Word,Description\nx,y\n", {}, {{u"Word"_s, 2}}).kinds,
              QList<DataKind>{DataKind::Contacts});
}

TEST_F(TransferTest, AFileOfNoKnownKindChangesNothing) {
    for (const QByteArray& bytes : {QByteArray("just some text"), QByteArray("a,b\n1,2\n"),
                                    QByteArray("Word,Description\n\"open"), QByteArray()}) {
        const ImportSummary summary = imported(ann, bytes);
        EXPECT_FALSE(summary.unreadable.isEmpty()) << bytes.toStdString();
        EXPECT_EQ(summary.text(), summary.unreadable);
        EXPECT_FALSE(summary.completed());
    }
    EXPECT_EQ(count(u"dictionary_tbl"_s) + count(u"addressbook_tbl"_s), 0);
}

}  // namespace
}  // namespace vemora::test
