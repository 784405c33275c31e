#pragma once

#include <QObject>
#include <QStringList>

#include <optional>

#include "data/DbError.h"
#include "spelling/SpellChecker.h"

namespace vemora {

class Database;

// The spell checking of the user who is logged in: the language they chose among the installed
// dictionaries and the words they added, both kept as their options in the database.
class Spelling final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Spelling)
public:
    static constexpr QStringView kLanguageOption = u"spelling_language";
    static constexpr QStringView kWordsOption = u"spelling_words";
    // The language stored when the user turned spell checking off.
    static constexpr QStringView kNoLanguage = u"none";

    Spelling(Database& database, QString folder, QObject* parent = nullptr);
    ~Spelling() override;

    QStringList languages() const { return installedDictionaries(m_folder); }
    // Loads the user's language and words; with no user nothing is checked. A failed read
    // leaves the default language and no added words.
    Status setUser(std::optional<qint64> user);
    // The loaded dictionary's name; empty when nothing is checked.
    QString language() const { return m_checker.name(); }
    // Keeps the choice for the user and loads it; an empty name turns checking off.
    Status setLanguage(const QString& name);
    // Accepts the word from now on, for this user only.
    Status addWord(const QString& word);

    const SpellChecker& checker() const { return m_checker; }

signals:
    // The language or the accepted words changed: texts need checking again.
    void changed();

private:
    // The user's system language when its dictionary is installed, else US English, else the
    // first installed; empty when none is.
    QString defaultLanguage() const;
    void loadLanguage(const QString& name);

    Database& m_database;
    QString m_folder;
    std::optional<qint64> m_user;
    QStringList m_words;
    SpellChecker m_checker;
};

}  // namespace vemora
