#include "transfer/ContactColumns.h"

#include "core/ContactStore.h"
#include "transfer/Records.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace vemora {

using namespace Qt::StringLiterals;

namespace {

enum Field { First, Middle, Last, Sex, Address, Phone, Cellular, Fax, Email };

// Address groups: a home address is preferred to a business one, either to any other.
enum Group { Home = 1, Business, Other };

struct Known {
    int field;
    int group = 0;
    int fallback = 0;
    bool gender = false;
};

// Headers in lower case, as Outlook (English, German, French, Spanish), Windows Contacts,
// Thunderbird and the current Google Contacts write them; our own come from the grid.
const QHash<QString, Known>& knownHeaders() {
    static const QHash<QString, Known> known = [] {
        QHash<QString, Known> names;
        const auto add = [&names](int field, std::initializer_list<const char16_t*> list,
                                  int group = 0, int fallback = 0) {
            for (const char16_t* name : list)
                names.insert(QString::fromUtf16(name), {field, group, fallback});
        };
        for (std::size_t i = 0; i < records::kContactHeaders.size(); ++i)
            names.insert(records::kContactHeaders[i].toLower(), {int(i)});
        add(First, {u"first name", u"given name", u"vorname", u"prénom", u"nombre"});
        add(Middle, {u"middle name", u"additional name", u"weitere vornamen", u"deuxième prénom",
                     u"segundo nombre"});
        add(Last, {u"last name", u"family name", u"nachname", u"nom", u"apellidos"});
        for (const char16_t* name : {u"gender", u"geschlecht", u"sexe", u"sexo"})
            names.insert(QString::fromUtf16(name), {Sex, 0, 0, true});
        add(Email, {u"e-mail address", u"e-mail 2 address", u"e-mail 3 address", u"primary email",
                    u"secondary email", u"e-mail-adresse", u"e-mail 2: adresse",
                    u"e-mail 3: adresse", u"adresse de messagerie", u"adresse de messagerie 2",
                    u"adresse de messagerie 3", u"dirección de correo electrónico",
                    u"dirección de correo electrónico 2", u"dirección de correo electrónico 3"});
        add(Phone, {u"home phone",
                    u"home phone 2",
                    u"business phone",
                    u"business phone 2",
                    u"primary phone",
                    u"other phone",
                    u"company main phone",
                    u"work phone",
                    u"telefon privat",
                    u"telefon privat 2",
                    u"telefon geschäftlich",
                    u"telefon geschäftlich 2",
                    u"haupttelefon",
                    u"weiteres telefon",
                    u"telefon firma",
                    u"téléphone (domicile)",
                    u"téléphone 2 (domicile)",
                    u"téléphone (bureau)",
                    u"téléphone 2 (bureau)",
                    u"téléphone principal",
                    u"autre téléphone",
                    u"téléphone société",
                    u"particular",
                    u"particular 2",
                    u"teléfono del trabajo",
                    u"teléfono del trabajo 2",
                    u"teléfono principal",
                    u"otro teléfono",
                    u"teléfono de la compañía"});
        add(Cellular, {u"mobile phone", u"car phone", u"mobile number", u"mobiltelefon",
                       u"autotelefon", u"tél. mobile", u"téléphone mobile", u"téléphone (voiture)",
                       u"móvil", u"teléfono móvil", u"teléfono del automóvil"});
        add(Fax, {u"business fax", u"home fax", u"other fax", u"fax number", u"fax geschäftlich",
                  u"fax privat", u"weiteres fax", u"télécopie (bureau)", u"télécopie (domicile)",
                  u"télécopie (autre)", u"fax del trabajo", u"fax particular", u"otro fax"});
        add(Address,
            {u"home street",
             u"home street 2",
             u"home street 3",
             u"home po box",
             u"home city",
             u"home state",
             u"home postal code",
             u"home country/region",
             u"home address",
             u"home address 2",
             u"home zipcode",
             u"home country",
             u"straße privat",
             u"straße privat 2",
             u"straße privat 3",
             u"postfach privat",
             u"postleitzahl privat",
             u"ort privat",
             u"bundesland/kanton privat",
             u"region privat",
             u"land/region privat",
             u"rue (domicile)",
             u"rue (domicile) 2",
             u"rue (domicile) 3",
             u"code postal (domicile)",
             u"ville (domicile)",
             u"dép/région (domicile)",
             u"pays/région (domicile)",
             u"calle del domicilio",
             u"calle del domicilio 2",
             u"calle del domicilio 3",
             u"código postal de residencia",
             u"ciudad de residencia",
             u"provincia o estado de residencia",
             u"país o región de residencia"},
            Home);
        add(Address,
            {u"business street",
             u"business street 2",
             u"business street 3",
             u"business po box",
             u"business city",
             u"business state",
             u"business postal code",
             u"business country/region",
             u"work address",
             u"work address 2",
             u"work city",
             u"work state",
             u"work zipcode",
             u"work country",
             u"straße geschäftlich",
             u"straße geschäftlich 2",
             u"straße geschäftlich 3",
             u"postfach geschäftlich",
             u"postleitzahl geschäftlich",
             u"ort geschäftlich",
             u"bundesland/kanton geschäftlich",
             u"region geschäftlich",
             u"land/region geschäftlich",
             u"rue (bureau)",
             u"rue (bureau) 2",
             u"rue (bureau) 3",
             u"code postal (bureau)",
             u"ville (bureau)",
             u"dép/région (bureau)",
             u"pays/région (bureau)",
             u"calle del trabajo",
             u"calle del trabajo 2",
             u"calle del trabajo 3",
             u"código postal del trabajo",
             u"ciudad de trabajo",
             u"provincia o estado de trabajo",
             u"país o región del trabajo"},
            Business);
        add(Address,
            {u"other street",
             u"other street 2",
             u"other street 3",
             u"other po box",
             u"other city",
             u"other state",
             u"other postal code",
             u"other country/region",
             u"weitere straße",
             u"weitere straße 2",
             u"weitere straße 3",
             u"weiteres postfach",
             u"weitere postleitzahl",
             u"weiterer ort",
             u"weiteres/r bundesland/kanton",
             u"weiteres/r land/region",
             u"rue (autre)",
             u"rue (autre) 2",
             u"rue (autre) 3",
             u"code postal (autre)",
             u"ville (autre)",
             u"dép/région (autre)",
             u"pays/région (autre)",
             u"otra calle",
             u"otra calle 2",
             u"otra calle 3",
             u"otro código postal",
             u"otra ciudad",
             u"otra provincia o estado",
             u"otro país o región"},
            Other);
        add(First, {u"display name", u"name"}, 0, 1);
        add(First,
            {u"company", u"organization", u"organization name", u"firma", u"société",
             u"organización", u"compañía"},
            0, 2);
        return names;
    }();
    return known;
}

// Google's numbered columns: "Phone 1 - Value", "E-mail 2 - Value", "Address 1 - City",
// "Organization 1 - Name".
const QRegularExpression& numbered() {
    static const QRegularExpression pattern(QStringLiteral(R"(^(.+) (\d{1,3}) - (.+)$)"));
    return pattern;
}

QString keyOf(const QString& name) {
    return name.simplified().toLower();
}

int phoneFieldOf(const QString& label) {
    if (label.contains(u"fax", Qt::CaseInsensitive)) return Fax;
    if (label.contains(u"mobile", Qt::CaseInsensitive) ||
        label.contains(u"cell", Qt::CaseInsensitive))
        return Cellular;
    return Phone;
}

// M or F from the words address books use; one character as it is; else nothing.
QString sexOf(const QString& value) {
    const QString word = value.trimmed().toLower();
    if (word.size() <= 1) return value.trimmed();
    static const QStringList male{u"male"_s,  u"männlich"_s, u"masculin"_s, u"masculino"_s,
                                  u"homme"_s, u"hombre"_s,   u"mann"_s};
    static const QStringList female{u"female"_s, u"weiblich"_s, u"féminin"_s, u"femenino"_s,
                                    u"femme"_s,  u"mujer"_s,    u"frau"_s};
    if (male.contains(word)) return QStringLiteral("M");
    if (female.contains(word)) return QStringLiteral("F");
    return {};
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

// Address parts as one line: their lines trimmed, joined by commas.
QString joinedLines(const QStringList& parts) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]+"));
    QStringList lines;
    for (const QString& part : parts)
        for (const QString& line : part.split(lineBreaks))
            if (!blank(line)) lines.append(line.trimmed());
    return lines.join(QStringLiteral(", "));
}

}  // namespace

ContactColumns::ContactColumns(const QStringList& header) : m_header(header) {
    QHash<QString, int> positions;  // the first column of each name
    for (int i = int(header.size()) - 1; i >= 0; --i) positions.insert(keyOf(header[i]), i);
    m_uses.reserve(header.size());
    for (const QString& name : header) m_uses.append(recognise(keyOf(name), positions));
}

ContactColumns::Use ContactColumns::recognise(const QString& key,
                                              const QHash<QString, int>& positions) {
    if (const auto found = knownHeaders().constFind(key); found != knownHeaders().cend())
        return {found->field, found->group, -1, found->fallback, false, found->gender};
    const QRegularExpressionMatch match = numbered().match(key);
    if (!match.hasMatch()) return {};
    const QString kind = match.captured(1);
    const int number = match.captured(2).toInt();
    const QString part = match.captured(3);
    if (kind == u"phone" && part == u"value") {
        const int label =
            positions.value(QStringLiteral("phone %1 - type").arg(number),
                            positions.value(QStringLiteral("phone %1 - label").arg(number), -1));
        return {Phone, 0, label, 0, true};
    }
    if (kind == u"e-mail" && part == u"value") return {Email, 0, -1, 0, true};
    if (kind == u"organization" && part == u"name") return {First, 0, -1, 2, true};
    static const QStringList addressParts{u"street"_s, u"po box"_s, u"extended address"_s,
                                          u"city"_s,   u"region"_s, u"postal code"_s,
                                          u"country"_s};
    // The formatted address stands in only when the parts of its number are all empty.
    if (kind == u"address" && addressParts.contains(part)) return {Address, 2 * number + Other};
    if (kind == u"address" && part == u"formatted") return {Address, 2 * number + Other + 1};
    return {};
}

void ContactColumns::setField(int column, int field) {
    if (column >= 0 && column < m_uses.size()) m_uses[column] = {field};
}

bool ContactColumns::known() const {
    return std::any_of(m_uses.begin(), m_uses.end(), [](const Use& use) {
        return use.field != kNotImported && use.field != Sex;
    });
}

QStringList ContactColumns::unused() const {
    QSet<int> labels;
    for (const Use& use : m_uses) labels.insert(use.label);
    QStringList names;
    for (int i = 0; i < m_uses.size(); ++i)
        if (m_uses[i].field == kNotImported && !labels.contains(i)) names.append(m_header[i]);
    return names;
}

QStringList ContactColumns::contactOf(const QStringList& row) const {
    QStringList texts(qsizetype(kContactColumns.size()));
    QString fallback;
    int fallbackRank = 3;
    int addressGroup = -1;
    QStringList addressParts;
    for (qsizetype i = 0; i < m_uses.size() && i < row.size(); ++i) {
        const Use& use = m_uses[i];
        if (use.field == kNotImported || blank(row[i])) continue;
        QString value = row[i];
        if (const qsizetype more = use.firstOfMany ? value.indexOf(u" ::: ") : -1; more >= 0)
            value.truncate(more);
        if (use.fallback) {
            if (use.fallback < fallbackRank) {
                fallback = value;
                fallbackRank = use.fallback;
            }
        } else if (use.field == Address) {
            if (addressGroup >= 0 && use.group > addressGroup) continue;
            if (use.group != addressGroup) addressParts.clear();
            addressGroup = use.group;
            addressParts.append(value);
        } else {
            const int field = use.label >= 0 ? phoneFieldOf(row.value(use.label)) : use.field;
            QString& text = texts[field];
            if (text.isEmpty()) text = use.gender ? sexOf(value) : value;
        }
    }
    // One column of its own, as in our own files, is kept as it is.
    texts[Address] = addressGroup == 0 && addressParts.size() == 1 ? addressParts.front()
                                                                   : joinedLines(addressParts);
    if (blank(texts[First]) && blank(texts[Middle]) && blank(texts[Last])) texts[First] = fallback;
    return texts;
}

const QStringList& ContactColumns::fieldKeys() {
    static const QStringList keys{u"first"_s, u"middle"_s,   u"last"_s, u"sex"_s,   u"address"_s,
                                  u"phone"_s, u"cellular"_s, u"fax"_s,  u"email"_s, u"none"_s};
    return keys;
}

std::optional<int> ContactColumns::fieldOfKey(const QString& key) {
    const qsizetype index = fieldKeys().indexOf(key.trimmed().toLower());
    if (index < 0) return std::nullopt;
    return index == fieldKeys().size() - 1 ? kNotImported : int(index);
}

}  // namespace vemora
