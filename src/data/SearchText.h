#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace vemora {

// Where in a day's entries a text was found. The number is the last digit of the index's key,
// counted down so that a day's diary comes before its plan's AM, PM and quote.
enum class SearchPlace { Diary = 3, Morning = 2, Afternoon = 1, Quote = 0 };

// A word as both engines' indexes keep it: lower case, without the diacritics of the combining
// blocks (é, É and e are one word).
QString foldForSearch(QStringView word);

// A piece of a text around what was found: as HTML with the matched words in bold, and plain.
struct Snippet {
    QString html;
    QString plain;
};

// What a typed search asks for: every group must be found in one text; a group of several
// words is a phrase (typed in double quotes). The last word may be the start of a word the user
// is still typing.
class SearchTerms final {
public:
    // Any text: quotes pair into phrases (an unpaired one runs to the end); everything that is
    // not a letter or digit only parts words, so nothing typed is taken as the engines' syntax.
    static SearchTerms parse(QStringView typed);

    // Nothing to look for: no word at all, or a word too long for any index.
    bool isEmpty() const { return m_groups.isEmpty(); }
    const QList<QStringList>& groups() const { return m_groups; }
    bool lastIsPrefix() const { return m_lastIsPrefix; }

    // The query in the file's full-text syntax and in the server's tsquery syntax.
    QString fileQuery() const;
    QString serverQuery() const;

    // Whether a folded word of a text is one of the searched words (or begins with the word
    // being typed).
    bool matches(const QString& foldedWord) const;

    // Up to `around` words before the first match and as many after it, every matched word in
    // bold; "…" marks text left out. A text without a match gives its start.
    Snippet snippet(QStringView text, int around = 10) const;

private:
    QList<QStringList> m_groups;
    bool m_lastIsPrefix = false;
};

// A longer word is never found: the server's index leaves such words out.
inline constexpr int kLongestSearchWord = 500;

}  // namespace vemora
