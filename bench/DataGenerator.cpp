#include "DataGenerator.h"

#include "core/ContactStore.h"
#include "core/WordStore.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QDate>
#include <QDir>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <vector>

namespace vemora::bench {

namespace {

// A small deterministic generator: the same sizes always give the same file.
class Texts {
public:
    explicit Texts(quint32 seed = 12345) : m_state(seed) {}
    quint32 next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    QString letters(int count) {
        QString s(count, Qt::Uninitialized);
        for (QChar& c : s) c = QChar(u'a' + next() % 26);
        return s;
    }
    // Words of a sentence, about `length` characters.
    QString sentence(int length) {
        QString s;
        while (s.size() < length) s += letters(2 + int(next() % 8)) + QLatin1Char(' ');
        return s.trimmed();
    }
    // A text unique to `index`, led by letters so that prefixes spread like real names; one in
    // five begins with a capital.
    QString uniqueName(int index) {
        QString s = letters(3 + int(next() % 5));
        for (int i = index;; i /= 26) {
            s += QChar(u'a' + i % 26);
            if (i < 26) break;
        }
        if (next() % 5 == 0) s[0] = s[0].toUpper();
        return s;
    }

private:
    quint32 m_state;
};

Status check(QSqlQuery& query, bool ok) {
    if (ok) return {};
    return DbError{kErrOther, query.lastError().text()};
}

Status insertAll(QSqlQuery& q, const QString& sql, int count,
                 const std::function<QVariantList(int)>& row) {
    if (!q.prepare(sql)) return check(q, false);
    for (int i = 0; i < count; ++i) {
        const QVariantList values = row(i);
        for (int v = 0; v < values.size(); ++v) q.bindValue(v, values.at(v));
        if (!q.exec()) return check(q, false);
    }
    return {};
}

Status fill(QSqlDatabase& db, const DataSizes& sizes) {
    QSqlQuery q(db);
    Texts t;
    if (Status s = check(q, q.exec(QStringLiteral("PRAGMA journal_mode = OFF"))); !s) return s;
    if (Status s = check(q, q.exec(QStringLiteral("BEGIN"))); !s) return s;
    Status status = insertAll(
        q, QStringLiteral("INSERT INTO addressbook_tbl VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        sizes.contacts, [&](int i) -> QVariantList {
            return {t.uniqueName(i),
                    t.letters(1).toUpper(),
                    t.uniqueName(i * 7 + 3),
                    (i % 2) ? QStringLiteral("M") : QStringLiteral("F"),
                    t.sentence(40),
                    QString::number(t.next() % 10'000'000),
                    QString::number(t.next()),
                    QString::number(t.next() % 10'000'000),
                    t.letters(8) + QStringLiteral("@example.org")};
        });
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, ?, ?)"),
                           sizes.words, [&](int i) -> QVariantList {
                               return {t.uniqueName(i), t.sentence(100)};
                           });
    const QDate first(2016, 1, 1);
    const int days = int(first.daysTo(first.addYears(sizes.years)));
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO diary_tbl VALUES (1, ?, ?)"), days,
                           [&](int i) -> QVariantList {
                               return {isoDate(first.addDays(i)), t.sentence(300)};
                           });
    if (status)
        status = insertAll(
            q, QStringLiteral("INSERT INTO planner_tbl VALUES (1, ?, ?, ?, ?)"), days,
            [&](int i) -> QVariantList {
                return {isoDate(first.addDays(i)), t.sentence(30), t.sentence(30), t.sentence(120)};
            });
    if (status) status = check(q, q.exec(QStringLiteral("COMMIT")));
    q.finish();
    return status;
}

// Makes a new journey.mdb in `directory` and fills it.
Status generate(const QString& directory, const std::function<Status(QSqlDatabase&)>& filling) {
    const QString path = QDir(directory).filePath(QStringLiteral("journey.mdb"));
    if (Status made = SqliteEngine::createDatabase(path); !made) return made;
    const QString name = QStringLiteral("vemora-bench-generator");
    Status status;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        status = db.open() ? filling(db) : DbError{kErrGeneral, db.lastError().text()};
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

// The most frequent words of a diary, roughly in the order of their frequency.
constexpr const char16_t* kEnglishWords[] = {
    u"the",     u"and",    u"I",       u"to",        u"a",       u"of",        u"was",
    u"in",      u"it",     u"my",      u"we",        u"that",    u"with",      u"for",
    u"on",      u"at",     u"he",      u"she",       u"but",     u"had",       u"not",
    u"so",      u"is",     u"they",    u"this",      u"day",     u"all",       u"went",
    u"be",      u"me",     u"her",     u"his",       u"were",    u"then",      u"from",
    u"there",   u"out",    u"up",      u"one",       u"have",    u"about",     u"some",
    u"after",   u"when",   u"time",    u"today",     u"morning", u"little",    u"home",
    u"back",    u"would",  u"could",   u"what",      u"very",    u"just",      u"more",
    u"into",    u"them",   u"our",     u"good",      u"over",    u"long",      u"like",
    u"did",     u"got",    u"two",     u"how",       u"made",    u"walk",      u"rain",
    u"work",    u"night",  u"house",   u"evening",   u"water",   u"friends",   u"garden",
    u"felt",    u"again",  u"still",   u"letter",    u"train",   u"children",  u"mother",
    u"father",  u"dinner", u"town",    u"read",      u"book",    u"sun",       u"snow",
    u"cold",    u"warm",   u"early",   u"late",      u"road",    u"river",     u"market",
    u"church",  u"school", u"coffee",  u"tea",       u"bread",   u"window",    u"door",
    u"tired",   u"happy",  u"quiet",   u"bright",    u"weather", u"afternoon", u"week",
    u"year",    u"sister", u"brother", u"neighbour", u"doctor",  u"visit",     u"kitchen",
    u"field",   u"tree",   u"flowers", u"birds",     u"dog",     u"cat",       u"city",
    u"station", u"street", u"wind",    u"clouds",    u"sea",     u"lake",      u"hill",
    u"forest",  u"music",  u"café",    u"piano",     u"naïve",   u"über",      u"señor",
    u"crème",   u"façade", u"résumé",  u"fiancée",   u"déjà",    u"jalapeño"};

constexpr int kVocabularySize = 40'000;

// Letters a made-up word may carry a diacritic on, and the marked letters.
constexpr std::pair<char16_t, const char16_t*> kMarked[] = {
    {u'a', u"àáâ"}, {u'e', u"éèê"}, {u'i', u"îï"}, {u'o', u"ôö"},
    {u'u', u"üû"},  {u'n', u"ñ"},   {u'c', u"ç"}};

QString madeUpWord(Texts& t) {
    static constexpr const char* kOnsets[] = {"b",  "c",  "d",  "f",  "g",  "h",  "j",  "k",
                                              "l",  "m",  "n",  "p",  "r",  "s",  "t",  "v",
                                              "w",  "br", "ch", "cl", "cr", "dr", "fl", "gr",
                                              "pl", "pr", "sh", "sl", "st", "th", "tr", "wh"};
    static constexpr const char* kVowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "ai", "oo", "y"};
    static constexpr const char* kCodas[] = {"",   "",   "",   "n",  "r", "s",  "t", "l",
                                             "nd", "st", "ng", "ck", "m", "rt", "ll"};
    QString word;
    // One to four syllables, mostly one or two.
    const quint32 length = t.next() % 20;
    const int syllables = length < 7 ? 1 : length < 15 ? 2 : length < 19 ? 3 : 4;
    for (int i = 0; i < syllables; ++i) {
        word += QLatin1String(kOnsets[t.next() % std::size(kOnsets)]);
        word += QLatin1String(kVowels[t.next() % std::size(kVowels)]);
        word += QLatin1String(kCodas[t.next() % std::size(kCodas)]);
    }
    // One word in ten carries a diacritic on one of its letters.
    if (t.next() % 10 == 0) {
        const qsizetype from = qsizetype(t.next() % quint32(word.size()));
        for (qsizetype k = 0; k < word.size(); ++k) {
            QChar& c = word[(from + k) % word.size()];
            const auto* marked = std::find_if(std::begin(kMarked), std::end(kMarked),
                                              [&](const auto& m) { return m.first == c; });
            if (marked == std::end(kMarked)) continue;
            const QStringView choices(marked->second);
            c = choices[qsizetype(t.next() % quint32(choices.size()))];
            break;
        }
    }
    return word;
}

// Draws words by rank with weights 1/(rank + 2.7), as the words of real texts fall off.
class WordDraw {
public:
    WordDraw() : m_words(diaryVocabulary()) {
        double total = 0;
        for (qsizetype rank = 0; rank < m_words.size(); ++rank) {
            total += 1.0 / (double(rank) + 2.7);
            m_cumulative.push_back(total);
        }
    }
    const QString& draw(Texts& t) const {
        const double at = double(t.next()) / double(1u << 24) * m_cumulative.back();
        const auto found = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), at);
        return m_words[std::min<qsizetype>(found - m_cumulative.begin(), m_words.size() - 1)];
    }

private:
    const QStringList& m_words;
    std::vector<double> m_cumulative;
};

// Sentences of 6 to 20 words, about `words` of them in all.
QString sentences(Texts& t, int words) {
    static const WordDraw draw;
    QString text;
    int inSentence = 0;
    int sentenceLength = 6 + int(t.next() % 15);
    for (int i = 0; i < words; ++i) {
        QString word = draw.draw(t);
        if (inSentence == 0) word[0] = word[0].toUpper();
        text += word;
        if (i == words - 1 || ++inSentence == sentenceLength) {
            text += QLatin1Char('.');
            inSentence = 0;
            sentenceLength = 6 + int(t.next() % 15);
            if (i < words - 1) text += QLatin1Char(' ');
        } else {
            text += t.next() % 12 == 0 ? QLatin1String(", ") : QLatin1String(" ");
        }
    }
    return text;
}

// Between `least` and `most` words.
int wordCount(Texts& t, int least, int most) {
    return least + int(t.next() % quint32(most - least + 1));
}

Status fillDiaries(QSqlDatabase& db, const DiarySizes& sizes) {
    QSqlQuery q(db);
    Texts t;
    if (Status s = check(q, q.exec(QStringLiteral("PRAGMA journal_mode = OFF"))); !s) return s;
    if (Status s = check(q, q.exec(QStringLiteral("BEGIN"))); !s) return s;
    Status status = insertAll(
        q,
        QStringLiteral("INSERT INTO users (user_num, user_name, user_password, name) VALUES (?, "
                       "?, '', ?)"),
        sizes.users - 1, [&](int i) -> QVariantList {
            return {i + 2, QStringLiteral("user%1").arg(i + 2),
                    QStringLiteral("User %1").arg(i + 2)};
        });
    // Day by day, each account's entry of the day in turn.
    const QDate first(kFirstDiaryYear, 1, 1);
    const int entries = int(first.daysTo(first.addYears(sizes.years))) * sizes.users;
    const auto owner = [&](int i) { return i % sizes.users + 1; };
    const auto day = [&](int i) { return isoDate(first.addDays(i / sizes.users)); };
    const int least = sizes.diaryWords * 9 / 10;
    const int most = sizes.diaryWords * 11 / 10;
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO diary_tbl VALUES (?, ?, ?)"), entries,
                           [&](int i) -> QVariantList {
                               return {owner(i), day(i), sentences(t, wordCount(t, least, most))};
                           });
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO planner_tbl VALUES (?, ?, ?, ?, ?)"),
                           entries, [&](int i) -> QVariantList {
                               return {owner(i), day(i), sentences(t, wordCount(t, 2, 6)),
                                       sentences(t, wordCount(t, 2, 6)),
                                       sentences(t, wordCount(t, 5, 12))};
                           });
    if (status) status = check(q, q.exec(QStringLiteral("COMMIT")));
    q.finish();
    return status;
}

}  // namespace

Status generateDatabase(const QString& directory, const DataSizes& sizes) {
    return generate(directory, [&](QSqlDatabase& db) { return fill(db, sizes); });
}

const QStringList& diaryVocabulary() {
    static const QStringList words = [] {
        QStringList list;
        QSet<QString> seen;
        for (const char16_t* word : kEnglishWords) {
            list.append(QString::fromUtf16(word));
            seen.insert(list.back());
        }
        Texts t(2024);
        QStringList madeUp;
        while (list.size() + madeUp.size() < kVocabularySize) {
            QString word = madeUpWord(t);
            if (seen.contains(word)) continue;
            seen.insert(word);
            madeUp.append(std::move(word));
        }
        // Shorter words are the more frequent, as in real languages.
        std::stable_sort(madeUp.begin(), madeUp.end(),
                         [](const QString& a, const QString& b) { return a.size() < b.size(); });
        return list + madeUp;
    }();
    return words;
}

QString diaryText(quint32 seed, int words) {
    Texts t(seed);
    return sentences(t, words);
}

Status generateDiaries(const QString& directory, const DiarySizes& sizes) {
    return generate(directory, [&](QSqlDatabase& db) { return fillDiaries(db, sizes); });
}

QStringList workspaceQueries(bool searchList) {
    QStringList queries{ContactStore::listing(1).rendering(), WordStore::listing().query(),
                        QStringLiteral("SELECT * FROM diary_tbl WHERE user_num = 1"),
                        QStringLiteral("SELECT * FROM planner_tbl WHERE user_num = 1")};
    if (searchList)
        queries.insert(2,
                       QStringLiteral("SELECT dict_name FROM dictionary_tbl Order By dict_name"));
    return queries;
}

QStringList workspaceServerQueries() {
    const Statement statements[] = {ContactStore::listing(1), WordStore::listing(),
                                    Statement("SELECT * FROM diary_tbl WHERE user_num = 1"),
                                    Statement("SELECT * FROM planner_tbl WHERE user_num = 1")};
    QStringList queries;
    for (const Statement& statement : statements) {
        // Each ? outside quotes stands for the next value.
        const QString& sql = statement.query(Dialect::Server);
        const QVariantList& values = statement.values(Dialect::Server);
        QString written;
        bool quoted = false;
        qsizetype next = 0;
        for (const QChar c : sql) {
            if (c == u'\'') quoted = !quoted;
            if (c != u'?' || quoted) {
                written += c;
                continue;
            }
            const QVariant& value = values.at(next++);
            written += value.typeId() == QMetaType::QString
                           ? QLatin1Char('\'') +
                                 value.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
                                 QLatin1Char('\'')
                           : value.toString();
        }
        queries.append(written);
    }
    return queries;
}

}  // namespace vemora::bench
