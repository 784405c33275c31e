#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

namespace vemora {

// Where Debian's hunspell-* packages put their dictionaries.
inline constexpr QStringView kSystemDictionaries = u"/usr/share/hunspell";

// The dictionaries in `folder`: the names that have both a .aff and a .dic file, sorted.
QStringList installedDictionaries(const QString& folder);
// How a dictionary is offered to the user, as "English (United States)"; the name itself when
// it names no language.
QString dictionaryTitle(const QString& name);

// Part of a text, in UTF-16 code units.
struct TextRange {
    int start = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// One Hunspell dictionary, with the words added to it while it is loaded.
class SpellChecker final {
    Q_DISABLE_COPY_MOVE(SpellChecker)
public:
    SpellChecker();
    ~SpellChecker();

    // Loads folder/name.aff and folder/name.dic; false (and nothing loaded) when either is
    // missing or written in an encoding Qt cannot convert.
    bool load(const QString& folder, const QString& name);
    void unload();
    bool isLoaded() const { return m_hunspell != nullptr; }
    QString name() const { return m_name; }

    // A word is correct while no dictionary is loaded.
    bool isCorrect(const QString& word) const;
    QStringList suggestions(const QString& word) const;
    // Accepted until the dictionary is unloaded.
    void addWord(const QString& word);

    // The words of `text` the dictionary does not know. Words with digits are skipped; a
    // backquote inside a word reads as the apostrophe it stands for.
    QList<TextRange> misspelt(const QString& text) const;
    // The word at `position` (inside it or just after it), or an empty range.
    static TextRange wordAt(const QString& text, int position);

private:
    std::string encode(const QString& word) const;
    QString decode(const std::string& word) const;

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_name;
    QString m_encoding;
};

}  // namespace vemora
