#include "transfer/Records.h"

namespace vemora::records {

const std::array<QString, kContactColumns.size()> kContactHeaders{
    QStringLiteral("First name"), QStringLiteral("Middle name"), QStringLiteral("Last name"),
    QStringLiteral("Sex"),        QStringLiteral("Address"),     QStringLiteral("Phone #"),
    QStringLiteral("Cellular #"), QStringLiteral("Fax #"),       QStringLiteral("E-mail")};

const std::array<QString, 2> kWordHeaders{QStringLiteral("Word"), QStringLiteral("Description")};

QString contactFieldName(int field) {
    static const std::array<QString, kContactColumns.size()> names{
        QStringLiteral("first name"),      QStringLiteral("middle name"),
        QStringLiteral("last name"),       QStringLiteral("sex"),
        QStringLiteral("address"),         QStringLiteral("phone number"),
        QStringLiteral("cellular number"), QStringLiteral("fax number"),
        QStringLiteral("e-mail address")};
    return names.at(std::size_t(field));
}

QStringList textsOf(const vcard::Card& card) {
    return {card.first, card.middle,   card.last, card.sex,   card.address,
            card.phone, card.cellular, card.fax,  card.email, card.organisation};
}

vcard::Card cardOf(const QStringList& texts) {
    return {
        texts.value(0), texts.value(1), texts.value(2), texts.value(3), texts.value(4),
        texts.value(5), texts.value(6), texts.value(7), texts.value(8), texts.value(kOrganisation)};
}

QString contactLabel(const QStringList& texts) {
    QStringList names;
    for (int i = 0; i < 3; ++i)
        if (const QString name = texts.value(i).trimmed(); !name.isEmpty()) names.append(name);
    return names.join(QLatin1Char(' '));
}

}  // namespace vemora::records
