#pragma once

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
inline constexpr std::array<int, kContactColumns.size()> kContactLimits{30, 30, 30, 1, 150,
                                                                        16, 16, 16, 50};
inline constexpr int kWordLimit = 30;

// What a contact's field is called in a refusal.
QString contactFieldName(int field);

QStringList textsOf(const vcard::Card& card);
vcard::Card cardOf(const QStringList& texts);

// "1 word", "2 words".
QString plural(qsizetype count, const char* one, const char* many);

// The names of a contact as the user knows them ("Ann Lee Smith").
QString contactLabel(const QStringList& texts);

}  // namespace vemora::records
