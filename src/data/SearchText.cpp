#include "data/SearchText.h"

#include <QString>

#include <utility>

namespace vemora {

namespace {

// The combining blocks whose marks both indexes drop: the server's fold removes exactly these.
bool droppedMark(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

bool wordCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c) || droppedMark(c);
}

// The code point at `at`, moving `at` past it; a lone surrogate stands for itself.
char32_t takeCodePoint(QStringView text, qsizetype& at) {
    const QChar c = text[at++];
    if (c.isHighSurrogate() && at < text.size() && text[at].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[at++]);
    return c.unicode();
}

bool isQuote(char32_t c) {
    return c == u'"' || c == 0x201C || c == 0x201D;
}

// The next word of `text` from `from`: its start and end, or start == end at the text's end.
std::pair<qsizetype, qsizetype> nextWord(QStringView text, qsizetype from) {
    qsizetype start = -1;
    for (qsizetype next = from; next < text.size();) {
        const qsizetype at = next;
        if (wordCharacter(takeCodePoint(text, next))) {
            if (start < 0) start = at;
        } else if (start >= 0) {
            return {start, at};
        }
    }
    if (start < 0) return {text.size(), text.size()};
    return {start, text.size()};
}

// Every run of blanks and line ends as one space.
QString collapsed(QStringView text) {
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            if (!blank) out += QLatin1Char(' ');
            blank = true;
        } else {
            out += c;
            blank = false;
        }
    }
    return out;
}

QString quotedLexeme(const QString& word) {
    QString escaped = word;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

}  // namespace

QString foldForSearch(QStringView word) {
    bool ascii = true;
    for (const QChar c : word) ascii = ascii && c.unicode() < 0x80;
    if (ascii) return word.toString().toLower();
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_D).toLower();
    QString folded;
    folded.reserve(decomposed.size());
    for (qsizetype at = 0; at < decomposed.size();) {
        const char32_t c = takeCodePoint(decomposed, at);
        if (droppedMark(c)) continue;
        if (QChar::requiresSurrogates(c)) {
            folded.append(QChar(QChar::highSurrogate(c)));
            folded.append(QChar(QChar::lowSurrogate(c)));
        } else {
            folded.append(QChar(char16_t(c)));
        }
    }
    return folded;
}

SearchTerms SearchTerms::parse(QStringView typed) {
    SearchTerms terms;
    bool inPhrase = false;
    bool endsInWord = false;
    QStringList phrase;
    const auto addWord = [&](QStringView word, QStringList& into) {
        const QString folded = foldForSearch(word);
        if (!folded.isEmpty()) into.append(folded);
    };
    qsizetype wordStart = -1;
    const auto endWord = [&](qsizetype at) {
        if (wordStart < 0) return;
        const QStringView word = typed.sliced(wordStart, at - wordStart);
        if (inPhrase) {
            addWord(word, phrase);
        } else {
            QStringList single;
            addWord(word, single);
            if (!single.isEmpty()) terms.m_groups.append(single);
        }
        wordStart = -1;
    };
    for (qsizetype next = 0; next < typed.size();) {
        const qsizetype at = next;
        const char32_t c = takeCodePoint(typed, next);
        if (wordCharacter(c)) {
            if (wordStart < 0) wordStart = at;
            endsInWord = true;
            continue;
        }
        endWord(at);
        endsInWord = false;
        if (!isQuote(c)) continue;
        if (inPhrase && !phrase.isEmpty()) terms.m_groups.append(phrase);
        phrase.clear();
        inPhrase = !inPhrase;
    }
    endWord(typed.size());
    // An unpaired quote: the phrase runs to the end, its last word still being typed.
    if (inPhrase && !phrase.isEmpty()) terms.m_groups.append(phrase);
    terms.m_lastIsPrefix = endsInWord && !terms.m_groups.isEmpty();
    for (const QStringList& group : std::as_const(terms.m_groups))
        for (const QString& word : group)
            if (word.size() > kLongestSearchWord) return {};
    return terms;
}

QString SearchTerms::fileQuery() const {
    QStringList parts;
    for (const QStringList& group : m_groups) {
        QString words = group.join(QLatin1Char(' '));
        words.replace(QLatin1Char('"'), QLatin1String("\"\""));
        parts.append(QLatin1Char('"') + words + QLatin1Char('"'));
    }
    if (m_lastIsPrefix && !parts.isEmpty()) parts.last() += QLatin1String(" *");
    return parts.join(QLatin1Char(' '));
}

QString SearchTerms::serverQuery() const {
    QStringList parts;
    for (qsizetype g = 0; g < m_groups.size(); ++g) {
        QStringList words;
        for (const QString& word : m_groups[g]) words.append(quotedLexeme(word));
        if (m_lastIsPrefix && g == m_groups.size() - 1) words.last() += QLatin1String(":*");
        parts.append(words.size() == 1 ? words.front()
                                       : QLatin1Char('(') + words.join(QLatin1String(" <-> ")) +
                                             QLatin1Char(')'));
    }
    return parts.join(QLatin1String(" & "));
}

bool SearchTerms::matches(const QString& foldedWord) const {
    for (qsizetype g = 0; g < m_groups.size(); ++g) {
        const QStringList& group = m_groups[g];
        for (qsizetype w = 0; w < group.size(); ++w) {
            const bool typing = m_lastIsPrefix && g == m_groups.size() - 1 && w == group.size() - 1;
            if (typing ? foldedWord.startsWith(group[w]) : foldedWord == group[w]) return true;
        }
    }
    return false;
}

Snippet SearchTerms::snippet(QStringView text, int around) const {
    // The words up to the first match and `around` beyond it; nothing past them is cut.
    QList<std::pair<qsizetype, qsizetype>> words;
    qsizetype first = -1;
    for (auto span = nextWord(text, 0); span.first < span.second;
         span = nextWord(text, span.second)) {
        words.append(span);
        const qsizetype index = words.size() - 1;
        if (first < 0 && matches(foldForSearch(text.sliced(span.first, span.second - span.first))))
            first = index;
        if (first >= 0 && index >= first + around) break;
    }
    Snippet snippet;
    const auto add = [&snippet](const QString& piece, bool bold = false) {
        snippet.plain += piece;
        snippet.html += bold
                            ? QStringLiteral("<b>") + piece.toHtmlEscaped() + QStringLiteral("</b>")
                            : piece.toHtmlEscaped();
    };
    if (words.isEmpty()) {
        add(collapsed(text.left(200)));
        return snippet;
    }
    const qsizetype from = first < 0 ? 0 : std::max<qsizetype>(0, first - around);
    const qsizetype to =
        std::min<qsizetype>(words.size(), first < 0 ? 2 * around : first + around + 1) - 1;
    if (from > 0) add(QStringLiteral("… "));
    for (qsizetype i = from; i <= to; ++i) {
        const auto [start, end] = words[i];
        if (i > from) add(collapsed(text.sliced(words[i - 1].second, start - words[i - 1].second)));
        const QStringView word = text.sliced(start, end - start);
        add(word.toString(), matches(foldForSearch(word)));
    }
    // Punctuation right after the last word stays with it.
    const QStringView tail = text.sliced(words[to].second);
    qsizetype keep = 0;
    while (keep < tail.size() && !tail[keep].isSpace() && !wordCharacter(tail[keep].unicode()))
        ++keep;
    add(tail.left(keep).toString());
    if (nextWord(tail, keep).first < tail.size()) add(QStringLiteral(" …"));
    return snippet;
}

}  // namespace vemora
