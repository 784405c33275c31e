#include "formats/ContactCard.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vemora::vcard {

void PrintTo(const Card& c, std::ostream* os) {
    *os << QStringList{c.first, c.middle,   c.last, c.sex,  c.address,
                       c.phone, c.cellular, c.fax,  c.email}
               .join(u'|')
               .toStdString();
}

namespace {

// Texts that vCard escapes, folds or encodes.
QList<Card> hardCards() {
    const QString long75 = u"\u20ac"_s.repeated(30) + u"x\u65e5\U0001F600"_s.repeated(10);
    return {
        {u"John"_s, u"Q."_s, u"Public"_s, u"M"_s, u"1 Main St, Springfield; USA"_s,
         u"+1 555 0100"_s, u"555-0101"_s, u"555-0102"_s, u"john@example.com"_s},
        {u"Ren\u00e9e"_s, u"`back`"_s, u"O'Neil\\Smith"_s, u"F"_s, u"line1\nline2\r\nline3\r"_s,
         u"a,b;c"_s, u""_s, u""_s, u"r\u00e9n\u00e9e@exampl\u00e9.fr"_s},
        {u" lead"_s, u"\ufefftrail "_s, u"\u5c71\u7530"_s, u"X"_s, long75, u"\\n"_s, u"tel:123"_s,
         u"\\"_s, u"\ufeffa\\,b"_s},
        {u""_s, u""_s, u""_s, u"m"_s, u""_s, u""_s, u""_s, u""_s, u""_s},
        {u"Only"_s, u""_s, u""_s, u";"_s, u"   "_s, u""_s, u""_s, u""_s, u""_s},
    };
}

// The cards of a file whose cards are all readable.
QList<Card> readable(const QByteArray& bytes) {
    const ReadCards r = read(bytes);
    EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
    return r.cards;
}

TEST(ContactCardFormat, EveryFieldRoundTripsExactlyInBothVersions) {
    for (const Version version : {Version::V3, Version::V4}) {
        const ReadCards back = read(write(hardCards(), version));
        EXPECT_TRUE(back.problems.isEmpty()) << back.problems.join(u'\n').toStdString();
        EXPECT_EQ(back.cards, hardCards());
    }
}

TEST(ContactCardFormat, LinesAreFoldedAt75OctetsBetweenUtf8Sequences) {
    // Every offset of a three-byte character against the fold.
    for (int shift = 0; shift < 3; ++shift) {
        Card card;
        card.first = QString(shift, u'a') + u"\u20ac"_s.repeated(60);
        card.address = u"\U0001F600"_s.repeated(40);
        const QByteArray bytes = write({card}, Version::V4);
        QList<QByteArray> lines = bytes.split('\n');
        ASSERT_TRUE(lines.takeLast().isEmpty());
        for (const QByteArray& line : lines) {
            ASSERT_TRUE(line.endsWith('\r')) << line.toStdString();
            EXPECT_LE(line.size() - 1, 75);
            QStringDecoder utf8(QStringDecoder::Utf8);
            (void)QString(utf8(line));
            EXPECT_FALSE(utf8.hasError()) << line.toStdString();
        }
        EXPECT_EQ(read(bytes).cards, QList<Card>{card});
    }
}

TEST(ContactCardFormat, WritesTheStandardPropertiesOfEachVersion) {
    const Card card{u"John"_s, u"Q"_s,   u"Public"_s,       u"M"_s, u"1 Main St"_s, u"555"_s,
                    u"556"_s,  u"557"_s, u"j@example.com"_s};
    EXPECT_EQ(write({card}, Version::V3),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:John Q Public\r\nN:Public;John;Q;;\r\n"
              "X-GENDER:M\r\nADR:;;1 Main St;;;;\r\nTEL;TYPE=voice:555\r\nTEL;TYPE=cell:556\r\n"
              "TEL;TYPE=fax:557\r\nEMAIL:j@example.com\r\nEND:VCARD\r\n");
    const QByteArray v4 = write({card}, Version::V4);
    EXPECT_TRUE(v4.contains("\r\nVERSION:4.0\r\n"));
    EXPECT_TRUE(v4.contains("\r\nGENDER:M\r\n"));
    EXPECT_TRUE(v4.contains("\r\nTEL;VALUE=text;TYPE=cell:556\r\n"));
    Card other{u"A"_s, u""_s, u""_s, u"?"_s, u""_s, u""_s, u""_s, u""_s, u""_s};
    EXPECT_TRUE(write({other}, Version::V4).contains("\r\nX-VEMORA-SEX:?\r\n"));
    EXPECT_FALSE(write({other}, Version::V4).contains("GENDER"));
    EXPECT_FALSE(write({other}, Version::V4).contains("TEL"));
}

TEST(ContactCardFormat, ReadsTheRfc6350Example) {
    EXPECT_EQ(
        readable(
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Simon Perreault\r\n"
            "N:Perreault;Simon;;;ing. jr,M.Sc.\r\nBDAY:--0203\r\nGENDER:M\r\nLANG;PREF=1:fr\r\n"
            "ORG;TYPE=work:Viagenie\r\nADR;TYPE=work:;Suite D2-630;2875 Laurier;\r\n"
            " Quebec;QC;G1V 2M2;Canada\r\n"
            "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\r\n"
            "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\r\n"
            "EMAIL;TYPE=work:simon.perreault@viagenie.ca\r\n"
            "GEO;TYPE=work:geo:46.772673,-71.282945\r\n"
            "KEY;TYPE=work;VALUE=uri:\r\n http://www.viagenie.ca/simon.perreault/simon.asc\r\n"
            "END:VCARD\r\n"),
        (QList<Card>{{u"Simon"_s, u""_s, u"Perreault"_s, u"M"_s,
                      u"Suite D2-630, 2875 Laurier, Quebec, QC, G1V 2M2, Canada"_s,
                      u"+1-418-656-9254;ext=102"_s, u"+1-418-262-6501"_s, u""_s,
                      u"simon.perreault@viagenie.ca"_s, u"Viagenie"_s}}));
}

TEST(ContactCardFormat, ReadsTheRfc2426ExamplesWithoutNFromTheFormattedName) {
    EXPECT_EQ(
        readable(
            "BEGIN:vCard\r\nVERSION:3.0\r\nFN:Frank Dawson\r\nORG:Lotus Development Corporation\r\n"
            "ADR;TYPE=WORK,POSTAL,PARCEL:;;6544 Battleford Drive\r\n "
            ";Raleigh;NC;27613-3502;U.S.A.\r\n"
            "TEL;TYPE=VOICE,MSG,WORK:+1-919-676-9515\r\nTEL;TYPE=FAX,WORK:+1-919-676-9564\r\n"
            "EMAIL;TYPE=INTERNET,PREF:Frank_Dawson@Lotus.com\r\n"
            "EMAIL;TYPE=INTERNET:fdawson@earthlink.net\r\nEND:vCard\r\n\r\n"
            "BEGIN:vCard\r\nVERSION:3.0\r\nFN:Tim A. B. Howes\r\n"
            "ADR;TYPE=WORK:;;501 E. Middlefield Rd.;Mountain View;\r\n CA; 94043;U.S.A.\r\n"
            "TEL;TYPE=PAGER:1\r\nTEL;TYPE=VOICE,MSG,WORK:+1-415-937-3419\r\nEND:vCard\r\n"),
        (QList<Card>{{u"Frank"_s, u""_s, u"Dawson"_s, u""_s,
                      u"6544 Battleford Drive, Raleigh, NC, 27613-3502, U.S.A."_s,
                      u"+1-919-676-9515"_s, u""_s, u"+1-919-676-9564"_s,
                      u"Frank_Dawson@Lotus.com"_s, u"Lotus Development Corporation"_s},
                     {u"Tim"_s, u"A. B."_s, u"Howes"_s, u""_s,
                      u"501 E. Middlefield Rd., Mountain View, CA, 94043, U.S.A."_s,
                      u"+1-415-937-3419"_s, u""_s, u""_s, u""_s}}));
}

TEST(ContactCardFormat, ReadsOutlook21QuotedPrintableInWindows1252) {
    EXPECT_EQ(
        readable(
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;LANGUAGE=de;CHARSET=Windows-1252:M\xfc"
            "ller;J\xfcrgen;;;\r\nFN;CHARSET=Windows-1252:J\xfcrgen M\xfcller\r\n"
            "TEL;WORK;VOICE:+49 30 1234567\r\nTEL;HOME;VOICE:+49 30 7654321\r\n"
            "TEL;CELL;VOICE:+49 170 1234567\r\nTEL;WORK;FAX:+49 30 1234568\r\n"
            "ADR;WORK;ENCODING=QUOTED-PRINTABLE;CHARSET=Windows-1252:;;Hauptstra=DFe 1=0D=0A=\r\n"
            "Hinterhaus =80;Berlin;;10115;Deutschland\r\n"
            "PHOTO;TYPE=JPEG;ENCODING=BASE64:\r\n "
            "/9j/4AAQSkZJRgABAQEA\r\nYABgAAD/2wBDAAgGBgcG==\r\n\r\n"
            "EMAIL;PREF;INTERNET:juergen@example.de\r\nX-MS-OL-DEFAULT-POSTAL-ADDRESS:2\r\n"
            "END:VCARD\r\n"),
        (QList<Card>{{u"J\u00fcrgen"_s, u""_s, u"M\u00fcller"_s, u""_s,
                      u"Hauptstra\u00dfe 1\r\nHinterhaus \u20ac, Berlin, 10115, "
                      u"Deutschland"_s,
                      u"+49 30 1234567"_s, u"+49 170 1234567"_s, u"+49 30 1234568"_s,
                      u"juergen@example.de"_s}}));
}

TEST(ContactCardFormat, ReadsAndroid21QuotedPrintableInUtf8) {
    EXPECT_EQ(
        readable(
            "BEGIN:VCARD\nVERSION:2.1\n"
            "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=B1=B1=E7=94=B0;=E5=A4=AA=E9=83=8E;;;\n"
            "TEL;CELL:090-1234-5678\n"
            "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;=E6=9D=B1=E4=BA=AC=E9=83=BD=\n"
            "=E6=B8=AF=E5=8C=BA;;;;\n"
            "X-GENDER:male\nNOTE:folded\n in 2.1 keeps the blank\nEND:VCARD\n"),
        (QList<Card>{{u"\u592a\u90ce"_s, u""_s, u"\u5c71\u7530"_s, u"M"_s,
                      u"\u6771\u4eac\u90fd\u6e2f\u533a"_s, u""_s, u"090-1234-5678"_s, u""_s,
                      u""_s}}));
}

TEST(ContactCardFormat, ReadsAGoogleStyleExportWithBomLowerCaseGroupsAndNoVersion) {
    EXPECT_EQ(
        readable("\xef\xbb\xbf\nbegin:vcard\nfn:Ana Mar\xc3\xad"
                 "a P\xc3\xa9rez\n"
                 "n:P\xc3\xa9rez;Ana;Mar\xc3\xad"
                 "a;;\nitem1.email;type=INTERNET:ana@example.com\n"
                 "item1.X-ABLabel:\ntel;type=CELL:+34 600 000 000\ntel;type=HOME:+34 91 000 00 00\n"
                 "tel;type=WORK;type=FAX:+34 91 000 00 01\n"
                 "item2.adr;type=HOME:;;Calle Mayor 1;Madrid;;28013;Espa\xc3\xb1"
                 "a\n"
                 "X-GENDER:Female\nend:vcard\n"),

        (QList<Card>{{u"Ana"_s, u"Mar\u00eda"_s, u"P\u00e9rez"_s, u"F"_s,
                      u"Calle Mayor 1, Madrid, 28013, Espa\u00f1a"_s, u"+34 91 000 00 00"_s,
                      u"+34 600 000 000"_s, u"+34 91 000 00 01"_s, u"ana@example.com"_s}}));
}

TEST(ContactCardFormat, CardsThatCannotBeReadAreNamedAndTheOthersKept) {
    const ReadCards r = read(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:One;Ann;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob Two\r\nthis line has no colon\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nN;TYPE=\"unclosed:Three;Cy\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Four;Di;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Five;Ed;;;\r\n");
    ASSERT_EQ(r.cards.size(), 2);
    EXPECT_EQ(r.cards[0].first, u"Ann"_s);
    EXPECT_EQ(r.cards[1].first, u"Di"_s);
    EXPECT_EQ(r.problems, (QStringList{u"Card 2 (Bob Two): line 8 is not a property."_s,
                                       u"Card 3: line 11 is not a property."_s,
                                       u"Card 5 (Ed Five): it has no END:VCARD line."_s}));
}

TEST(ContactCardFormat, MalformedInputGivesProblemsOrNothing) {
    for (const char* bytes :
         {"", "BEGIN:VCARD", "BEGIN:VCARD\r\n\r\n", "END:VCARD\r\n",
          "BEGIN:VCARD\r\nN:=\r\n=", "BEGIN:VCARD\r\nN;ENCODING=QUOTED-PRINTABLE:=\r\n",
          ":\r\n;\r\n\\", "BEGIN:VCARD\r\n;:\r\n", "BEGIN:VCARD\r\nN:a\\\r\nEND:VCARD",
          "BEGIN:VCARD\r\nN;CHARSET=nonsense:\xff\r\nEND:VCARD"}) {
        const ReadCards r = read(QByteArray(bytes));
        EXPECT_LE(r.cards.size() + r.problems.size(), 1) << bytes;
    }
    EXPECT_EQ(read("BEGIN:VCARD\r\nN:a\\\r\nEND:VCARD").cards.value(0).last, u"a\\"_s);
}

TEST(ContactCardFormat, RecognisesACardByItsFirstLine) {
    EXPECT_TRUE(recognises("BEGIN:VCARD\r\n"));
    EXPECT_TRUE(recognises("\xef\xbb\xbf\r\n\r\n  begin:vCard  \nVERSION:3.0"));
    EXPECT_TRUE(recognises("BEGIN:VCARD"));
    EXPECT_FALSE(recognises("BEGIN:VCALENDAR\r\n"));
    EXPECT_FALSE(recognises("X BEGIN:VCARD\r\n"));
    EXPECT_FALSE(recognises("BEGIN:VCARDS\r\n"));
    EXPECT_FALSE(recognises(""));
}

}  // namespace
}  // namespace vemora::vcard
