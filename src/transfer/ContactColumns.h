#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// How the columns of a CSV file of contacts become the address book's fields: the headers
// of Google Contacts, Outlook (English, German, French, Spanish), Windows Contacts,
// Thunderbird and the program's own, or the user's choice for a header nobody knows.
namespace vemora {

class ContactColumns final {
public:
    static constexpr int kNotImported = -1;

    // Each column taken as its header names it; unknown names are not imported.
    explicit ContactColumns(const QStringList& header);

    const QStringList& header() const { return m_header; }
    // The field, in the order of kContactColumns, that the column's values go to.
    int fieldOf(int column) const { return m_uses.value(column).field; }
    // The user's choice; the column's values then go to the field as they are.
    void setField(int column, int field);
    // Whether some column gives a name, an organisation, an address, a number or an e-mail.
    bool known() const;
    // The names of the columns neither imported nor read as a phone's label.
    QStringList unused() const;

    // The contact's texts, in the order of kContactColumns, that a row gives. Address parts
    // are joined into one line; a phone with a label goes to the field its label names; a
    // gender becomes M or F; the first of several values for one field that is not blank wins.
    QStringList contactOf(const QStringList& row) const;

    // The words that name the fields on a command line ("first", ..., "email", and "none").
    static const QStringList& fieldKeys();
    // The field a word names, kNotImported for "none"; nothing when it names none.
    static std::optional<int> fieldOfKey(const QString& key);

private:
    struct Use {
        int field = kNotImported;
        int group = 0;     // address parts of one group are joined; the lowest group with any wins
        int label = -1;    // the column whose label says phone, cellular or fax
        int fallback = 0;  // 1 a display name, 2 an organisation: the first name when none is given
        bool firstOfMany = false;  // Google's "a ::: b" holds several values: the first counts
        bool gender = false;       // a word such as "female" or "Weiblich" rather than a letter
    };
    // `key` is a header in lower case; `positions` holds the first column of each.
    static Use recognise(const QString& key, const QHash<QString, int>& positions);

    QStringList m_header;
    QList<Use> m_uses;
};

}  // namespace vemora
