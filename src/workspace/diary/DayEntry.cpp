#include "workspace/diary/DayEntry.h"

#include "core/Clock.h"
#include "platform/ColourScheme.h"
#include "platform/ErrorPrompts.h"
#include "platform/ExactText.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/SpellingBoxes.h"
#include "platform/Widgets.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextCharFormat>

#include <algorithm>

namespace vemora {

namespace {

// The locale's short date, with the century shown so that typed years are never ambiguous.
}  // namespace

DayEntry::DayEntry(Platform& platform, DayEntryKind kind, DayEntryControls controls,
                   QObject* parent)
    : QObject(parent),
      m_platform(platform),
      m_kind(std::move(kind)),
      m_controls(std::move(controls)) {
    QStringList labels;
    for (const DayField& field : std::as_const(m_controls.fields)) labels.append(field.label);
    m_drafts = new DraftKeeper(platform,
                               {.kind = m_kind.draftKind,
                                .typed = [this] { return typedTexts(); },
                                .put =
                                    [this](const QStringList& texts) {
                                        for (int i = 0; i < m_controls.fields.size(); ++i)
                                            m_controls.fields[i].box->setPlainText(texts.value(i));
                                    },
                                .labels = labels},
                               this);
    for (const DayField& field : std::as_const(m_controls.fields)) m_drafts->watch(field.box);
    QDateEdit* picker = m_controls.picker;
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(shortDateFormat(picker->locale()));
    // A typed date counts once it is complete, not at every keystroke.
    picker->setKeyboardTracking(false);
    m_pickerDay = currentDateTime().date();
    picker->setDate(m_pickerDay);
    m_controls.calendar->setSelectedDate(m_pickerDay);

    for (const DayField& field : std::as_const(m_controls.fields)) {
        useNoteColours(field.box);
        if (m_platform.spelling)
            checkSpelling(field.box, *m_platform.spelling, m_platform.prompter);
        field.box->setTabChangesFocus(true);
    }

    connect(m_controls.calendar, &QCalendarWidget::clicked, this, &DayEntry::pickOnCalendar);
    connect(m_controls.calendar, &QCalendarWidget::activated, this, &DayEntry::pickOnCalendar);
    connect(m_controls.calendar, &QCalendarWidget::currentPageChanged, this, &DayEntry::markDays);
    connect(picker, &QDateEdit::dateChanged, this, &DayEntry::pickerChanged);
    connect(m_controls.add, &QAbstractButton::clicked, this, &DayEntry::add);
    connect(m_controls.save, &QAbstractButton::clicked, this, &DayEntry::save);
    m_controls.find->setIcon(themeIcon(QStringLiteral("edit-find")));
    m_controls.onThisDay->setIcon(themeIcon(QStringLiteral("x-office-calendar")));
    connect(m_controls.find, &QAbstractButton::clicked, this,
            [this] { emit findRequested(m_controls.picker->date(), false); });
    connect(m_controls.onThisDay, &QAbstractButton::clicked, this,
            [this] { emit findRequested(m_controls.picker->date(), true); });
}

void DayEntry::showDay(QDate day) {
    m_controls.calendar->setSelectedDate(day);
    pickOnCalendar(day);
}

DayStore DayEntry::store() {
    return DayStore(m_platform.session.database(), m_kind.book);
}

qint64 DayEntry::userNum() const {
    return m_platform.session.CurrentUser().user_num.toLongLong();
}

QStringList DayEntry::typedTexts() const {
    QStringList texts;
    for (const DayField& field : m_controls.fields)
        texts.append(textToStore(field.box, field.remembered));
    return texts;
}

void DayEntry::clear() {
    for (DayField& field : m_controls.fields) {
        field.box->clear();
        field.remembered.clear();
    }
}

QStringList DayEntry::remembered() const {
    QStringList texts;
    for (const DayField& field : m_controls.fields) texts.append(field.remembered);
    return texts;
}

void DayEntry::keepDraft() {
    m_drafts->keep();
}

Status DayEntry::load() {
    m_drafts->keep();
    clear();
    const QDate day = m_controls.picker->date();
    const Result<std::optional<QStringList>> found = store().load(userNum(), day);
    if (!found) return found.status();
    m_controls.save->setEnabled(found.value().has_value());
    if (found.value()) show(*found.value());
    markDays();
    m_drafts->shown(day.toString(Qt::ISODate), m_kind.draftName.arg(draftDayName(day)),
                    remembered());
    return {};
}

void DayEntry::refresh() {
    const bool untouched =
        !m_controls.save->isEnabled() &&
        std::all_of(m_controls.fields.begin(), m_controls.fields.end(),
                    [](const DayField& field) { return field.box->toPlainText().isEmpty(); });
    if (!untouched || !load()) markDays();
}

void DayEntry::markDays() {
    QCalendarWidget* calendar = m_controls.calendar;
    // The month's page also shows some days of the months before and after it.
    const QDate first(calendar->yearShown(), calendar->monthShown(), 1);
    calendar->setDateTextFormat(QDate(), QTextCharFormat());
    // Marks are a help, not a must: a failed query leaves the page plain.
    const Result<QList<QDate>> days =
        store().daysWithEntries(userNum(), first.addDays(-7), first.addMonths(1).addDays(14));
    if (!days) return;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (const QDate day : days.value()) calendar->setDateTextFormat(day, bold);
}

void DayEntry::show(const QStringList& texts) {
    for (int i = 0; i < m_controls.fields.size(); ++i) {
        DayField& field = m_controls.fields[i];
        field.remembered = texts.value(i);
        field.box->setPlainText(field.remembered);
    }
}

void DayEntry::reload() {
    const Status loaded = load();
    if (loaded) return;
    m_platform.prompter.show(
        QStringLiteral("%1 %2").arg(QString::number(loaded.number()), loaded.error().description),
        QGuiApplication::applicationDisplayName(), vbOKOnly);
}

void DayEntry::pickOnCalendar(QDate day) {
    // The load below is all the picker's own change would do.
    m_pickerDay = day;
    m_controls.picker->setDate(day);
    reload();
}

void DayEntry::pickerChanged(QDate day) {
    // Enter in the picker reports its date even when it did not change.
    if (day == m_pickerDay) return;
    m_pickerDay = day;
    m_controls.calendar->setSelectedDate(day);
    if (m_kind.loadOnPickerChange) reload();
}

void DayEntry::add() {
    const QDate day = m_controls.picker->date();
    const Result<Change> added = store().add(userNum(), day, typedTexts());
    if (!added) return reportTrapped(added.error(), false);
    switch (added.value().refusal) {
        case Refusal::None:
            m_drafts->stored();
            m_platform.prompter.show(m_kind.addedText, QStringLiteral("Successfuly Added!"),
                                     vbInformation);
            markDays();
            return;
        case Refusal::Taken:
            break;
        case Refusal::Unstorable:
            return sayUnstorable(added.value().field);
        default:
            m_platform.prompter.show(
                QStringLiteral("Please fill-up the neccessary field, or just put 'none'!"),
                QStringLiteral("Information"), vbInformation);
            return;
    }
    const Answer answer = m_platform.prompter.show(
        m_kind.existsText, QStringLiteral("Sorry! Do you want to modify?"), vbQuestion | vbYesNo);
    if (answer != Answer::Yes) return;
    // The typed text stays a draft, offered at the next visit of the day.
    m_drafts->keep();
    const Result<std::optional<QStringList>> stored = store().load(userNum(), day);
    if (!stored) return reportTrapped(stored.error(), false);
    if (stored.value()) show(*stored.value());
    m_drafts->shown(day.toString(Qt::ISODate), m_kind.draftName.arg(draftDayName(day)),
                    remembered());
}

void DayEntry::sayNothingToEdit() {
    m_platform.prompter.show(
        QStringLiteral("Sorry their is nothing to edit.\r\n Click add button instead!"),
        QStringLiteral("Sorry!"), vbInformation);
}

void DayEntry::sayUnstorable(int field) {
    showUnstorable(m_platform.prompter, m_controls.fields.value(field).label);
}

void DayEntry::save() {
    const QStringList texts = typedTexts();
    const Result<Change> saved =
        store().save(userNum(), m_controls.picker->date(), remembered(), texts);
    if (!saved) return reportTrapped(saved.error(), true);
    switch (saved.value().refusal) {
        case Refusal::None:
            break;
        case Refusal::Incomplete:
            sayNothingToEdit();
            m_controls.save->setEnabled(false);
            return;
        case Refusal::Unstorable:
            return sayUnstorable(saved.value().field);
        default:
            // Another day is chosen, or the row no longer holds what was loaded: nothing was
            // stored, and the typed text stays for another try.
            return sayNothingToEdit();
    }
    for (int i = 0; i < m_controls.fields.size(); ++i)
        m_controls.fields[i].remembered = texts.at(i);
    m_drafts->stored();
    m_platform.prompter.show(QStringLiteral("The database has been updated!"),
                             QStringLiteral("Successfuly Edited!"), vbInformation);
    m_controls.save->setEnabled(false);
}

void DayEntry::reportTrapped(const DbError& error, bool saving) {
    if (saving && error.problem == DbProblem::Duplicate)
        sayNothingToEdit();
    else
        vemora::reportTrapped(m_platform.prompter, error, TrapWording::Day);
}

void decorateDayButtons(QAbstractButton* add, QAbstractButton* save, QAbstractButton* clear,
                        QAbstractButton* print) {
    add->setIcon(themeIcon(QStringLiteral("list-add")));
    save->setIcon(themeIcon(QStringLiteral("document-save")));
    clear->setIcon(themeIcon(QStringLiteral("edit-clear")));
    print->setIcon(themeIcon(QStringLiteral("document-print")));
}

}  // namespace vemora
