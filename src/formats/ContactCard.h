#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Address book cards (vCard).
namespace vemora::vcard {

struct Card {
    QString first, middle, last, sex, address, phone, cellular, fax, email;
    QString organisation = {};  // ORG's first part, which names a card that has no name
    bool operator==(const Card&) const = default;
};

enum class Version { V3, V4 };

// UTF-8, CR LF, lines folded at 75 octets (never inside a UTF-8 sequence), values escaped
// (a carriage return as \r, which the standard lacks).
// Sex "M"/"F" goes to GENDER (4.0) / X-GENDER (3.0); any other value travels in X-VEMORA-SEX.
// ORG when the card has an organisation. Every field comes back exactly from read().
QByteArray write(const QList<Card>& cards, Version version);

struct ReadCards {
    QList<Card> cards;
    QStringList problems;  // one line per card that could not be read, saying which and why
};

// vCard 2.1, 3.0 and 4.0: several cards, folded lines, CR LF or LF, a UTF-8 byte-order mark,
// any case of property names, a missing VERSION, group prefixes (item1.TEL), and the
// QUOTED-PRINTABLE encoding and CHARSET (Windows-1252, UTF-8, ISO-8859-1) of 2.1.
// N gives last;first;middle (FN split when N is missing); ADR becomes one line (non-empty
// parts joined by ", "); TEL home/work/voice (or untyped) -> phone, cell -> cellular,
// fax -> fax (the first of each); the first EMAIL; GENDER / X-GENDER M or F; the first ORG.
// An FN that only repeats the organisation gives no name. UTF-16 and UTF-32 are read too.
// Fields a card lacks are empty.
ReadCards read(const QByteArray& bytes);

// Whether the first BEGIN line (after a byte-order mark and anything before it) is BEGIN:VCARD,
// any case, in UTF-8, UTF-16 or UTF-32.
bool recognises(const QByteArray& bytes);

}  // namespace vemora::vcard
