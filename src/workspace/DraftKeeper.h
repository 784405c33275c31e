#pragma once

#include "core/DraftStore.h"
#include "platform/Platform.h"

#include <QDate>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace vemora {

// Keeps what the user typed in one tab's boxes and did not save as that user's draft of the
// record shown: about two seconds after the last keystroke, and whenever the tab asks before
// it shows something else. Offers the draft back when the record is shown again.
//
// A draft holds the typed texts followed by the stored texts they were typed over, so that a
// record changed meanwhile is told apart.
class DraftKeeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DraftKeeper)
public:
    struct Boxes {
        DraftKind kind;
        // The texts in the boxes, in a fixed order, and putting them back.
        std::function<QStringList()> typed;
        std::function<void(const QStringList&)> put;
        // Labels of the texts, for a record changed meanwhile.
        QStringList labels;
    };

    static constexpr int kDelayMs = 2000;
    // The key of a record not stored yet: no stored record's key is a lone line break.
    static QString newRecordKey() { return QStringLiteral("\n"); }

    DraftKeeper(Platform& platform, Boxes boxes, QObject* parent);

    void watch(QLineEdit* box);
    void watch(QPlainTextEdit* box);

    // The record of `key` is now shown with `stored` in the boxes (for a new record, what the
    // boxes hold empty). Offers the user's draft of it: Restore puts it in the boxes, Discard
    // removes it. `name` says which record in the question. The record shown again at once is
    // not asked about.
    void shown(const QString& key, const QString& name, const QStringList& stored);
    // The typed texts were stored: they are no draft any more.
    void stored();
    // Writes the typed texts as the draft now, or removes a draft the user typed back to what
    // is stored.
    void keep();

signals:
    // A draft of `key` holding `texts` is in the database.
    void kept(const QString& key, const QStringList& texts);

private:
    void offer(const QString& key, const QString& name, const QStringList& stored);
    DraftStore store() const;
    qint64 userNum() const;

    Platform& m_platform;
    Boxes m_boxes;
    QTimer* m_timer;
    // The user who saw the record, and its key: the draft is theirs whoever logs in later.
    qint64 m_user = 0;
    std::optional<QString> m_key;
    QStringList m_stored;
    // What the database holds as this record's draft, when this keeper wrote or restored it.
    std::optional<QStringList> m_written;
};

// "9 Dec 2026": how the questions name a day.
QString draftDayName(QDate day);

}  // namespace vemora
