#include "transfer/ContactColumns.h"

#include "formats/Csv.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora {
namespace {

// The contacts a CSV file gives, in the order of the address book's fields.
QList<QStringList> contactsOf(const QByteArray& bytes) {
    QString error;
    const std::optional<csv::Table> table = csv::read(bytes, &error);
    EXPECT_TRUE(table) << error.toStdString();
    if (!table) return {};
    const ContactColumns columns(table->header);
    EXPECT_TRUE(columns.known());
    QList<QStringList> contacts;
    for (const QStringList& row : table->rows) contacts.append(columns.contactOf(row));
    return contacts;
}

QByteArray cp1252(const QString& text) {
    return QStringEncoder("Windows-1252")(text);
}

TEST(ContactColumns, EachAddressBookFamilysHeaderGivesTheSameContact) {
    const QStringList maria{u"Maria"_s,
                            u"José"_s,
                            u"Oneil"_s,
                            u"F"_s,
                            u"12 Elm St, Springfield, 01101, USA"_s,
                            u"555-0101"_s,
                            u"555-0102"_s,
                            u"555-0103"_s,
                            u"maria@example.org"_s};
    // Google, legacy: phone kinds by their Type, several values joined by " ::: ".
    EXPECT_EQ(contactsOf("Name,Given Name,Additional Name,Family Name,Gender,E-mail 1 - Type,"
                         "E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,"
                         "Phone 2 - Value,Phone 3 - Type,Phone 3 - Value,Address 1 - Type,"
                         "Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
                         "Address 1 - Postal Code,Address 1 - Country\r\n"
                         "Maria Jos\xc3\xa9 Oneil,Maria,Jos\xc3\xa9,Oneil,female,* Home,"
                         "maria@example.org ::: m@example.com,Work Fax,555-0103,Mobile,555-0102,"
                         "Home,555-0101,Home,\"12 Elm St\nSpringfield\",12 Elm St,Springfield,"
                         "01101,USA\r\n"),
              QList<QStringList>{maria});
    // Google, current: Label instead of Type; only the formatted address.
    EXPECT_EQ(contactsOf("First Name,Middle Name,Last Name,Phone 1 - Label,Phone 1 - Value,"
                         "Phone 2 - Label,Phone 2 - Value,Phone 3 - Label,Phone 3 - Value,"
                         "E-mail 1 - Label,E-mail 1 - Value,Gender,Address 1 - Label,"
                         "Address 1 - Formatted\n"
                         "Maria,Jos\xc3\xa9,Oneil,Mobile,555-0102,Home,555-0101,Fax,555-0103,"
                         "Home,maria@example.org,Female,Home,\"12 Elm St\n Springfield\n"
                         "01101\nUSA\"\n"),
              QList<QStringList>{maria});
    // Outlook in English, quoted, Windows-1252; the home address wins over the business one.
    EXPECT_EQ(contactsOf(cp1252(u"\"Title\",\"First Name\",\"Middle Name\",\"Last Name\","
                                u"\"Company\",\"Business Street\",\"Business City\","
                                u"\"Home Street\",\"Home City\",\"Home Postal Code\","
                                u"\"Home Country/Region\",\"Business Fax\",\"Business Phone\","
                                u"\"Home Phone\",\"Mobile Phone\",\"E-mail Address\","
                                u"\"Gender\"\r\n"
                                u"\"Dr.\",\"Maria\",\"José\",\"Oneil\",\"Acme\",\"1 Work Rd\","
                                u"\"Boston\",\"12 Elm St\",\"Springfield\",\"01101\",\"USA\","
                                u"\"555-0103\",\"\",\"555-0101\",\"555-0102\","
                                u"\"maria@example.org\",\"Female\"\r\n"_s)),
              QList<QStringList>{maria});
    // Outlook in German, with semicolons, as German Excel saves it.
    EXPECT_EQ(contactsOf(cp1252(u"Vorname;Weitere Vornamen;Nachname;Straße privat;Ort privat;"
                                u"Postleitzahl privat;Land/Region privat;Telefon privat;"
                                u"Mobiltelefon;Fax privat;E-Mail-Adresse;Geschlecht\r\n"
                                u"Maria;José;Oneil;12 Elm St;Springfield;01101;USA;555-0101;"
                                u"555-0102;555-0103;maria@example.org;Weiblich\r\n"_s)),
              QList<QStringList>{maria});
    // Outlook in French and in Spanish, UTF-8 with a byte-order mark.
    EXPECT_EQ(contactsOf("\xef\xbb\xbf" + u"Prénom,Deuxième prénom,Nom,Rue (domicile),"
                                          u"Ville (domicile),Code postal (domicile),"
                                          u"Pays/Région (domicile),Téléphone (domicile),"
                                          u"Tél. mobile,Télécopie (domicile),"
                                          u"Adresse de messagerie,Sexe\n"
                                          u"Maria,José,Oneil,12 Elm St,Springfield,01101,USA,"
                                          u"555-0101,555-0102,555-0103,maria@example.org,"
                                          u"Féminin\n"_s.toUtf8()),
              QList<QStringList>{maria});
    EXPECT_EQ(contactsOf(u"Nombre,Segundo nombre,Apellidos,Calle del domicilio,"
                         u"Ciudad de residencia,Código postal de residencia,"
                         u"País o región de residencia,Particular,Móvil,Fax particular,"
                         u"Dirección de correo electrónico,Sexo\n"
                         u"Maria,José,Oneil,12 Elm St,Springfield,01101,USA,555-0101,555-0102,"
                         u"555-0103,maria@example.org,Mujer\n"_s.toUtf8()),
              QList<QStringList>{maria});
    // Thunderbird: tab-separated, UTF-16LE with a byte-order mark, a multi-line street.
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray thunderbird = utf16(
        u"First Name\tLast Name\tDisplay Name\tPrimary Email\tWork Phone\tHome Phone\t"
        u"Fax Number\tMobile Number\tHome Address\tHome Address 2\tHome City\tHome ZipCode\t"
        u"Home Country\tOrganization\r\n"
        u"Maria José\tOneil\tMaria Oneil\tmaria@example.org\t\t555-0101\t555-0103\t555-0102\t"
        u"\"12 Elm St\r\n\"\t\tSpringfield\t01101\tUSA\tAcme\r\n"_s);
    EXPECT_EQ(contactsOf(thunderbird),
              (QList<QStringList>{{u"Maria José"_s, u""_s, u"Oneil"_s, u""_s, maria[4], maria[5],
                                   maria[6], maria[7], maria[8]}}));
    // Our own header, in UTF-16BE: every value as it is, blanks included.
    QStringEncoder utf16be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    EXPECT_EQ(contactsOf(utf16be(u"First name,Middle name,Last name,Sex,Address,Phone #,"
                                 u"Cellular #,Fax #,E-mail\r\n"
                                 u"Maria,José,Oneil,F,\" 12 Elm St \",1,2,3,m@x\r\n"_s)),
              (QList<QStringList>{{u"Maria"_s, u"José"_s, u"Oneil"_s, u"F"_s, u" 12 Elm St "_s,
                                   u"1"_s, u"2"_s, u"3"_s, u"m@x"_s}}));
}

TEST(ContactColumns, ANameIsTakenFromTheDisplayNameThenTheCompanyWhenNoneIsGiven) {
    const QList<QStringList> contacts = contactsOf(
        "First Name,Last Name,Display Name,Organization,Primary Email\n"
        ",,Mia O.,Acme,a@x\n,,,Acme,b@x\n,,,,c@x\nAnn,,Mia O.,Acme,d@x\n");
    ASSERT_EQ(contacts.size(), 4);
    EXPECT_EQ(contacts[0].mid(0, 3), (QStringList{u"Mia O."_s, u""_s, u""_s}));
    EXPECT_EQ(contacts[1].mid(0, 3), (QStringList{u"Acme"_s, u""_s, u""_s}));
    EXPECT_EQ(contacts[2].mid(0, 3), (QStringList{u""_s, u""_s, u""_s}));
    EXPECT_EQ(contacts[3].mid(0, 3), (QStringList{u"Ann"_s, u""_s, u""_s}));
}

TEST(ContactColumns, AnUnknownHeaderIsMappedByTheUsersChoice) {
    const QStringList header{u"Nom complet"_s, u"Rue"_s, u"Ville"_s, u"Portable"_s, u"Notes"_s};
    ContactColumns columns(header);
    EXPECT_FALSE(columns.known());
    EXPECT_EQ(columns.unused(), header);
    columns.setField(0, *ContactColumns::fieldOfKey(u"first"_s));
    columns.setField(1, *ContactColumns::fieldOfKey(u" Address"_s));
    columns.setField(2, *ContactColumns::fieldOfKey(u"address"_s));
    columns.setField(3, *ContactColumns::fieldOfKey(u"CELLULAR"_s));
    EXPECT_TRUE(columns.known());
    EXPECT_EQ(columns.unused(), QStringList{u"Notes"_s});
    EXPECT_EQ(columns.contactOf({u"Ann Lee"_s, u"1 Rue\nHaute"_s, u"Lyon"_s, u"06"_s, u"x"_s}),
              (QStringList{u"Ann Lee"_s, u""_s, u""_s, u""_s, u"1 Rue, Haute, Lyon"_s, u""_s,
                           u"06"_s, u""_s, u""_s}));
    // A short row leaves the missing fields empty.
    EXPECT_EQ(columns.contactOf({u"Bo"_s}).value(0), u"Bo"_s);
    EXPECT_EQ(ContactColumns::fieldOfKey(u"none"_s), ContactColumns::kNotImported);
    EXPECT_FALSE(ContactColumns::fieldOfKey(u"phone #"_s));
}

}  // namespace
}  // namespace vemora
