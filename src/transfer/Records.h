#pragma once

#include "data/Plural.h"

#include "core/ContactStore.h"
#include "formats/ContactCard.h"

#include <QStringList>

#include <array>

// How stored records and the records of the formats map onto each other.
namespace vemora::records {

// CSV headers: a contact's, in the order of kContactColumns, as the address book's grid
// heads them; a word's.
extern const std::array<QString, kContactColumns.size()> kContactHeaders;
extern const std::array<QString, 2> kWordHeaders;

// The most characters the address book's fields hold, in the order of kContactColumns.
inline constexpr auto kContactLimits = [] {
    std::array<int, kContactColumns.size()> limits{};
    for (size_t i = 0; i < limits.size(); ++i) limits[i] = kContactsColumns[i + 1].maxLength;
    return limits;
}();
// The dictionary's word, dict_name.
inline constexpr int kWordLimit = kDictionaryColumns[1].maxLength;

// What a contact's field is called in a refusal.
QString contactFieldName(int field);

// Where a contact read from a file may carry its organisation, after the address book's
// fields: an unnamed contact is filed under it.
inline constexpr qsizetype kOrganisation = qsizetype(kContactColumns.size());

// The address book's fields, then the organisation.
QStringList textsOf(const vcard::Card& card);
vcard::Card cardOf(const QStringList& texts);

using vemora::plural;

// The names of a contact as the user knows them ("Ann Lee Smith").
QString contactLabel(const QStringList& texts);

}  // namespace vemora::records
