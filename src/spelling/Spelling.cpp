#include "spelling/Spelling.h"

#include <QLocale>

#include "core/OptionStore.h"

namespace vemora {

namespace {

// Added words are kept one to a line.
QStringList splitWords(const QString& stored) {
    return stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

Spelling::Spelling(Database& database, QString folder, QObject* parent)
    : QObject(parent), m_database(database), m_folder(std::move(folder)) {}

Spelling::~Spelling() = default;

QString Spelling::defaultLanguage() const {
    const QStringList installed = languages();
    for (const QString& name : {QLocale::system().name(), QStringLiteral("en_US")})
        if (installed.contains(name)) return name;
    return installed.value(0);
}

void Spelling::loadLanguage(const QString& name) {
    if (name.isEmpty() || !m_checker.load(m_folder, name)) m_checker.unload();
    for (const QString& word : std::as_const(m_words)) m_checker.addWord(word);
}

Status Spelling::setUser(std::optional<qint64> user) {
    m_user = user;
    m_words.clear();
    m_checker.unload();
    Status status;
    if (user) {
        OptionStore options(m_database);
        const Result<std::optional<QString>> words = options.value(*user, kWordsOption.toString());
        if (words && words.value()) m_words = splitWords(*words.value());
        if (!words) status = words.status();
        const Result<std::optional<QString>> chosen =
            options.value(*user, kLanguageOption.toString());
        if (!chosen && status) status = chosen.status();
        QString language = chosen && chosen.value() ? *chosen.value() : defaultLanguage();
        // A dictionary removed since it was chosen: the default stands in.
        if (language != kNoLanguage && !languages().contains(language))
            language = defaultLanguage();
        loadLanguage(language == kNoLanguage ? QString() : language);
    }
    emit changed();
    return status;
}

Status Spelling::setLanguage(const QString& name) {
    if (!m_user) return {};
    loadLanguage(name);
    emit changed();
    return OptionStore(m_database)
        .set(*m_user, kLanguageOption.toString(), name.isEmpty() ? kNoLanguage.toString() : name);
}

Status Spelling::addWord(const QString& word) {
    if (!m_user || word.isEmpty()) return {};
    // Read again: another program of the same user may have added words meanwhile.
    OptionStore options(m_database);
    const Result<std::optional<QString>> stored = options.value(*m_user, kWordsOption.toString());
    if (!stored) return stored.status();
    QStringList words = stored.value() ? splitWords(*stored.value()) : QStringList();
    if (!words.contains(word)) words.append(word);
    const Status kept =
        options.set(*m_user, kWordsOption.toString(), words.join(QLatin1Char('\n')));
    if (!kept) return kept;
    m_words = words;
    for (const QString& added : std::as_const(m_words)) m_checker.addWord(added);
    emit changed();
    return {};
}

}  // namespace vemora
