#include "workspace/DraftKeeper.h"

#include "core/Clock.h"
#include "data/Logging.h"
#include "platform/Prompter.h"
#include "platform/Session.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace vemora {

namespace {

constexpr qsizetype kShownLength = 200;

QString dayText(QDate day) {
    return day.toString(QStringLiteral("d MMM yyyy"));
}

QString writtenText(const QDateTime& written) {
    const QString time = written.time().toString(QStringLiteral("HH:mm"));
    if (written.date() == currentDateTime().date()) return time;
    return QStringLiteral("%1 on %2").arg(time, dayText(written.date()));
}

QString shortened(const QString& text) {
    return text.size() <= kShownLength ? text : text.left(kShownLength) + QStringLiteral("...");
}

}  // namespace

QString draftDayName(QDate day) {
    return dayText(day);
}

DraftKeeper::DraftKeeper(Platform& platform, Boxes boxes, QObject* parent)
    : QObject(parent), m_platform(platform), m_boxes(std::move(boxes)), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("draftKeeper"));
    m_timer->setObjectName(QStringLiteral("draftTimer"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kDelayMs);
    connect(m_timer, &QTimer::timeout, this, &DraftKeeper::keep);
}

void DraftKeeper::watch(QLineEdit* box) {
    connect(box, &QLineEdit::textChanged, m_timer, qOverload<>(&QTimer::start));
}

void DraftKeeper::watch(QPlainTextEdit* box) {
    connect(box, &QPlainTextEdit::textChanged, m_timer, qOverload<>(&QTimer::start));
}

DraftStore DraftKeeper::store() const {
    return DraftStore(m_platform.session.database());
}

qint64 DraftKeeper::userNum() const {
    return m_platform.session.CurrentUser().user_num.toLongLong();
}

void DraftKeeper::shown(const QString& key, const QString& name, const QStringList& stored) {
    m_timer->stop();
    // The record reloaded, as a click on it again does: its draft waits for the next visit.
    const bool again = m_key == key && m_user == userNum();
    m_user = userNum();
    m_key = key;
    m_stored = stored;
    m_written.reset();
    if (!again) offer(key, name, stored);
}

void DraftKeeper::offer(const QString& key, const QString& name, const QStringList& stored) {
    const Result<std::optional<Draft>> found = store().load(m_user, m_boxes.kind, key);
    if (!found) return logDropped(logWindows(), "reading a draft", found.status());
    if (!found.value()) return;
    const Draft& draft = *found.value();
    const qsizetype count = stored.size();
    const QStringList typed = draft.texts.mid(0, count);
    const QStringList typedOver = draft.texts.mid(count);
    // What was typed is what is stored now: nothing to offer.
    if (typed == stored) {
        logDropped(logWindows(), "removing a draft", store().discard(m_user, m_boxes.kind, key));
        return;
    }
    QString text = QStringLiteral(
                       "You have text you did not save for %1, written at %2. "
                       "Restore it?")
                       .arg(name, writtenText(draft.written));
    if (typedOver != stored) {
        text += QStringLiteral(
            "\r\n\r\nThe saved text was changed meanwhile, elsewhere. "
            "It now reads:");
        for (qsizetype i = 0; i < count; ++i) {
            text += QStringLiteral("\r\n");
            if (count > 1) text += m_boxes.labels.value(i) + QStringLiteral(": ");
            text += shortened(stored.at(i));
        }
    }
    switch (m_platform.prompter.show(text, QStringLiteral("Text Not Saved"),
                                     vbQuestion | vbRestoreDiscard)) {
        case Answer::Yes:
            m_boxes.put(typed);
            m_written = draft.texts;
            // The draft is now typed over what is stored today.
            keep();
            return;
        case Answer::No:
            logDropped(logWindows(), "removing a draft",
                       store().discard(m_user, m_boxes.kind, key));
            return;
        default:
            // Neither: it is offered again next time.
            return;
    }
}

void DraftKeeper::stored() {
    m_timer->stop();
    if (!m_key) return;
    m_stored = m_boxes.typed();
    m_written.reset();
    logDropped(logWindows(), "removing a draft", store().discard(m_user, m_boxes.kind, *m_key));
}

void DraftKeeper::keep() {
    m_timer->stop();
    if (!m_key) return;
    const QStringList typed = m_boxes.typed();
    if (typed == m_stored) {
        if (!m_written) return;
        const Status removed = store().discard(m_user, m_boxes.kind, *m_key);
        logDropped(logWindows(), "removing a draft", removed);
        if (removed) m_written.reset();
        return;
    }
    const QStringList texts = typed + m_stored;
    if (m_written == texts) return;
    const Status written = store().keep(m_user, m_boxes.kind, *m_key, texts);
    // A draft that could not be written is tried again at the next keystroke or change.
    if (!written) return logDropped(logWindows(), "keeping a draft", written);
    m_written = texts;
    emit kept(*m_key, typed);
}

}  // namespace vemora
