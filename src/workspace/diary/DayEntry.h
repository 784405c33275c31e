#pragma once

#include "core/DayStore.h"
#include "data/DbError.h"
#include "platform/Platform.h"
#include "workspace/DraftKeeper.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

class QAbstractButton;
class QCalendarWidget;
class QDateEdit;
class QPlainTextEdit;

namespace vemora {

// One stored text of a day's entry, in the order of its book's columns: the box it is edited
// in, and the text exactly as it was loaded. A text box would change line breaks and some
// spaces, so the copy is a plain string.
struct DayField {
    QString label;  // names the field in messages
    QPlainTextEdit* box;
    QString remembered = {};
};

// What tells the diary and the planner apart.
struct DayEntryKind {
    const DayBook& book;
    DraftKind draftKind;
    QString draftName;   // names a day in the draft question: "%1" is the day
    QString addedText;   // after a new entry is stored
    QString existsText;  // question when the chosen day has an entry already
    bool loadOnPickerChange;
};

struct DayEntryControls {
    QDateEdit* picker;
    QCalendarWidget* calendar;
    QAbstractButton* add;
    QAbstractButton* save;
    QList<DayField> fields;
    QAbstractButton* find;
    QAbstractButton* onThisDay;
};

// One entry per user and day: a month calendar and a date picker choose the day, the fields
// show the stored texts, Add stores a new entry and Save corrects the loaded one.
class DayEntry final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DayEntry)
public:
    DayEntry(Platform& platform, DayEntryKind kind, DayEntryControls controls, QObject* parent);

    // Shows the picker's day; a failure is returned to the caller, not shown.
    Status load();
    void add();
    void save();
    // Empties the boxes and the remembered texts.
    void clear();
    // After entries came from elsewhere: shows the day again when nothing is loaded or typed,
    // else only marks the days that have an entry.
    void refresh();
    // The texts of the loaded entry as they were read, in field order.
    QStringList remembered() const;
    // Shows the day as a click on it in the calendar does.
    void showDay(QDate day);
    // Writes what was typed and not saved as the user's draft of the day shown.
    void keepDraft();

signals:
    // Find... or On this day was clicked, with the picker's day.
    void findRequested(QDate day, bool onThisDay);

private:
    void pickOnCalendar(QDate day);
    void pickerChanged(QDate day);
    void reload();
    // Shows the texts of a stored entry and remembers them.
    void show(const QStringList& texts);
    // Shows in bold the days of the calendar's page that have an entry.
    void markDays();
    void reportTrapped(const DbError& error, bool saving);
    void sayNothingToEdit();
    void sayUnstorable(int field);

    DayStore store();
    qint64 userNum() const;
    // The texts to store, in field order.
    QStringList typedTexts() const;

    Platform& m_platform;
    DayEntryKind m_kind;
    DayEntryControls m_controls;
    QDate m_pickerDay;  // the picker's date last acted upon
    DraftKeeper* m_drafts;
};

// Gives the four buttons of a day-entry tab their pictures.
void decorateDayButtons(QAbstractButton* add, QAbstractButton* save, QAbstractButton* clear,
                        QAbstractButton* print);

}  // namespace vemora
