#include "formats/Csv.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora::csv {
namespace {

TEST(CsvFormat, EveryFieldRoundTripsExactly) {
    const QList<QStringList> rows{
        {u"\ufeffword"_s, u"description"_s},
        {u"a,b"_s, u"say \"hi\""_s},
        {u"line1\nline2"_s, u"cr\r\nlf\rend"_s},
        {u" lead"_s, u"trail\t"_s},
        {u""_s, u""_s},
        {u"caf\u00e9 \u20ac \u65e5 \U0001F600"_s, u"`back` O'Neil \\"_s},
        {u"\""_s, u","_s},
    };
    const auto table = read(write(rows));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->header, rows.front());
    EXPECT_EQ(table->rows, rows.mid(1));
}

TEST(CsvFormat, WritesUtf8WithCrLfAndQuotesOnlyWhereNeeded) {
    EXPECT_EQ(
        write({{u"a"_s, u"b c"_s},
               {u"x,y"_s, u"say \"hi\""_s},
               {u" lead"_s, u""_s},
               {u""_s},
               {u"\u00e9"_s, u"l1\nl2"_s}}),
        "a,b c\r\n\"x,y\",\"say \"\"hi\"\"\"\r\n\" lead\",\r\n\"\"\r\n\xc3\xa9,\"l1\nl2\"\r\n");
    // A lone empty field is a row, not a blank line.
    const auto single = read(write({{u"word"_s}, {u""_s}, {u"w"_s}}));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->rows, (QList<QStringList>{{u""_s}, {u"w"_s}}));
}

TEST(CsvFormat, ReadsBomLfBlankLinesAndAMissingFinalLineEnd) {
    const auto table =
        read("\xef\xbb\xbfword,description\n\napple,\"a fruit,\r\nred\"\r\npear,\"green\"\"ish\"");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->header, (QStringList{u"word"_s, u"description"_s}));
    EXPECT_EQ(table->rows, (QList<QStringList>{{u"apple"_s, u"a fruit,\r\nred"_s},
                                               {u"pear"_s, u"green\"ish"_s}}));
    // What is not UTF-8 comes from a Windows spreadsheet: Windows-1252.
    const auto legacy = read("word\r\ncaf\xe9 \x80\r\n");
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->rows, QList<QStringList>{{u"caf\u00e9 \u20ac"_s}});
    const auto headerOnly = read("word,description\r\n");
    ASSERT_TRUE(headerOnly);
    EXPECT_TRUE(headerOnly->rows.isEmpty());
}

TEST(CsvFormat, RefusesUnclosedQuotesAndRaggedRowsSayingWhere) {
    QString error;
    EXPECT_FALSE(read("a,b\r\n\"x\ny\",1\r\n3,\"open\r\n", &error));
    EXPECT_EQ(error, u"Line 4: a quote is not closed."_s);
    EXPECT_FALSE(read("a,b\r\n1,2\r\n\"x\r\ny\",2,3\r\n", &error));
    EXPECT_EQ(error, u"Line 3: the row's field count (3) differs from the header's (2)."_s);
    EXPECT_FALSE(read("a,b\n1\n", &error));
    EXPECT_EQ(error, u"Line 2: the row's field count (1) differs from the header's (2)."_s);
    EXPECT_FALSE(read("", &error));
    EXPECT_EQ(error, u"The file has no header row."_s);
    EXPECT_FALSE(read("\r\n\n", nullptr));
    // Text after a closing quote is kept, as spreadsheets do.
    EXPECT_EQ(read("a\r\n\"x\"y\r\n")->rows, QList<QStringList>{{u"xy"_s}});
}

TEST(CsvFormat, TheHeaderSaysTheSeparatorAndAByteOrderMarkTheEncoding) {
    const QList<QStringList> rows{{u"a"_s, u"b c"_s}, {u"x,y"_s, u"l1\nl2"_s}};
    EXPECT_EQ(read("a;b c\r\nx,y;\"l1\nl2\"\r\n")->rows, rows.mid(1));
    EXPECT_EQ(read("\"a\tb\";b c\n;\n")->header, (QStringList{u"a\tb"_s, u"b c"_s}));
    EXPECT_EQ(read("a\tb c\n\"x,y\"\t\"l1\nl2\"\n")->rows, rows.mid(1));
    // Separators inside quotes do not count; a tie goes to the comma.
    EXPECT_EQ(read("\"a;b;c\",d;e\n1,2;3\n")->header, (QStringList{u"a;b;c"_s, u"d;e"_s}));
    EXPECT_EQ(read("only\n1;2\n")->rows, QList<QStringList>{{u"1;2"_s}});
    for (const auto encoding : {QStringEncoder::Utf16LE, QStringEncoder::Utf16BE,
                                QStringEncoder::Utf8, QStringEncoder::Utf32LE}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        const auto table = read(encoder(u"a;b c\r\nx,y;\"l1\nl2\"\r\n"_s));
        ASSERT_TRUE(table) << int(encoding);
        EXPECT_EQ(QList<QStringList>{table->header} + table->rows, rows);
    }
    // A lone surrogate reads as what it is written as.
    const auto lone =
        read(QByteArray("\xff\xfe"
                        "a\0\0\xd8",
                        6));
    ASSERT_TRUE(lone);
    EXPECT_EQ(read(write({lone->header}))->header, lone->header);
    // Written fields with a semicolon or a tab are quoted, so that they read back as one.
    const QList<QStringList> separators{{u"a;b"_s}, {u"c\td"_s}};
    EXPECT_EQ(write(separators), "\"a;b\"\r\n\"c\td\"\r\n");
    EXPECT_EQ(read(write(separators))->rows, separators.mid(1));

    EXPECT_EQ(read("w\ncaf\xe9")->rows, QList<QStringList>{{u"caf\u00e9"_s}});
    EXPECT_TRUE(guessesCharset("caf\xe9"));
    EXPECT_FALSE(guessesCharset("caf\xc3\xa9"));
    EXPECT_FALSE(
        guessesCharset("\xff\xfe"
                       "c\0"));
    EXPECT_FALSE(guessesCharset("plain"));
}

}  // namespace
}  // namespace vemora::csv
