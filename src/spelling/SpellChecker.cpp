#include "spelling/SpellChecker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBoundaryFinder>

#include <hunspell.hxx>

namespace vemora {

namespace {

// At most this many suggestions are offered for a word.
constexpr std::size_t kMaxSuggestions = 8;

// Calls `visit(range)` for every word of `text`, in order.
template <class Visit>
void forEachWord(const QString& text, Visit visit) {
    // Texts are stored with backquotes for apostrophes; the same length keeps the offsets.
    QString prepared = text;
    prepared.replace(QLatin1Char('`'), QLatin1Char('\''));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, prepared);
    int start = 0;
    while (finder.toNextBoundary() != -1) {
        const int end = finder.position();
        const QStringView piece = QStringView(prepared).mid(start, end - start);
        if (std::any_of(piece.begin(), piece.end(), [](QChar c) { return c.isLetter(); }))
            if (!visit(TextRange{start, end - start}, piece)) return;
        start = end;
    }
}

// Hunspell's names of encodings, as Qt knows them ("ISO8859-1" is Qt's "ISO-8859-1").
QString qtEncodingName(const std::string& hunspellName) {
    QString name = QString::fromLatin1(hunspellName.data(), qsizetype(hunspellName.size()));
    if (name.startsWith(QLatin1String("ISO8859"), Qt::CaseInsensitive))
        name.insert(3, QLatin1Char('-'));
    return name;
}

}  // namespace

QStringList installedDictionaries(const QString& folder) {
    const QDir dir(folder);
    QStringList names;
    const QStringList dics =
        dir.entryList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& dic : dics) {
        const QString name = QFileInfo(dic).completeBaseName();
        // Hyphenation patterns share the folder on some systems.
        if (name.startsWith(QLatin1String("hyph_"))) continue;
        if (dir.exists(name + QStringLiteral(".aff"))) names.append(name);
    }
    return names;
}

QString dictionaryTitle(const QString& name) {
    const QLocale locale(name);
    if (locale.language() == QLocale::C) return name;
    QString title = QLocale::languageToString(locale.language());
    if (name.contains(QLatin1Char('_')) && locale.territory() != QLocale::AnyTerritory)
        title += QStringLiteral(" (%1)").arg(QLocale::territoryToString(locale.territory()));
    return title;
}

SpellChecker::SpellChecker() = default;
SpellChecker::~SpellChecker() = default;

bool SpellChecker::load(const QString& folder, const QString& name) {
    unload();
    const QDir dir(folder);
    const QString aff = dir.filePath(name + QStringLiteral(".aff"));
    const QString dic = dir.filePath(name + QStringLiteral(".dic"));
    if (name.isEmpty() || !QFileInfo(aff).isFile() || !QFileInfo(dic).isFile()) return false;
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(),
                                               QFile::encodeName(dic).constData());
    const QString encoding = qtEncodingName(hunspell->get_dict_encoding());
    if (!QStringEncoder(encoding.toLatin1().constData()).isValid()) return false;
    m_hunspell = std::move(hunspell);
    m_name = name;
    m_encoding = encoding;
    return true;
}

void SpellChecker::unload() {
    m_hunspell.reset();
    m_name.clear();
    m_encoding.clear();
}

std::string SpellChecker::encode(const QString& word) const {
    QStringEncoder encoder(m_encoding.toLatin1().constData());
    const QByteArray bytes = encoder.encode(word);
    return bytes.toStdString();
}

QString SpellChecker::decode(const std::string& word) const {
    QStringDecoder decoder(m_encoding.toLatin1().constData());
    return decoder.decode(QByteArrayView(word.data(), qsizetype(word.size())));
}

bool SpellChecker::isCorrect(const QString& word) const {
    if (!m_hunspell || word.isEmpty()) return true;
    QString prepared = word;
    prepared.replace(QLatin1Char('`'), QLatin1Char('\''));
    return m_hunspell->spell(encode(prepared));
}

QStringList SpellChecker::suggestions(const QString& word) const {
    if (!m_hunspell) return {};
    QString prepared = word;
    prepared.replace(QLatin1Char('`'), QLatin1Char('\''));
    QStringList result;
    for (const std::string& suggestion : m_hunspell->suggest(encode(prepared))) {
        if (std::size_t(result.size()) == kMaxSuggestions) break;
        result.append(decode(suggestion));
    }
    return result;
}

void SpellChecker::addWord(const QString& word) {
    if (m_hunspell && !word.isEmpty()) m_hunspell->add(encode(word));
}

QList<TextRange> SpellChecker::misspelt(const QString& text) const {
    QList<TextRange> ranges;
    if (!m_hunspell) return ranges;
    forEachWord(text, [this, &ranges](TextRange range, QStringView word) {
        if (std::none_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); }) &&
            !m_hunspell->spell(encode(word.toString())))
            ranges.append(range);
        return true;
    });
    return ranges;
}

TextRange SpellChecker::wordAt(const QString& text, int position) {
    TextRange found;
    forEachWord(text, [position, &found](TextRange range, QStringView) {
        if (range.start > position) return false;
        if (position <= range.start + range.length) found = range;
        return true;
    });
    return found;
}

}  // namespace vemora
