#include "workspace/diary/DayEntry.h"

#include "core/Clock.h"
#include "data/Encoding.h"
#include "data/Statement.h"
#include "platform/ExactText.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
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

bool blank(const QString& text) { return trimBlanks(text).isEmpty(); }

bool blank(const QPlainTextEdit* box) { return blank(box->toPlainText()); }

// The locale's short date, with the century shown so that typed years are never ambiguous.
QString shortDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

}  // namespace

DayEntry::DayEntry(Platform& platform, DayEntryKind kind, DayEntryControls controls,
                   QObject* parent)
    : QObject(parent),
      m_platform(platform),
      m_kind(std::move(kind)),
      m_controls(std::move(controls)) {
    QDateEdit* picker = m_controls.picker;
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(shortDateFormat(picker->locale()));
    // A typed date counts once it is complete, not at every keystroke.
    picker->setKeyboardTracking(false);
    m_pickerDay = currentDateTime().date();
    picker->setDate(m_pickerDay);
    m_controls.calendar->setSelectedDate(m_pickerDay);

    for (const DayField& field : std::as_const(m_controls.fields)) {
        QPalette palette = field.box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
        palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
        field.box->setPalette(palette);
        field.box->setTabChangesFocus(true);
    }

    connect(m_controls.calendar, &QCalendarWidget::clicked, this, &DayEntry::pickOnCalendar);
    connect(m_controls.calendar, &QCalendarWidget::activated, this, &DayEntry::pickOnCalendar);
    connect(m_controls.calendar, &QCalendarWidget::currentPageChanged, this,
            &DayEntry::markDays);
    connect(picker, &QDateEdit::dateChanged, this, &DayEntry::pickerChanged);
    connect(m_controls.add, &QAbstractButton::clicked, this, &DayEntry::add);
    connect(m_controls.save, &QAbstractButton::clicked, this, &DayEntry::save);
}

Statement& DayEntry::whereDay(Statement& statement) const {
    return statement.sql(u" WHERE user_num = ")
        .number(m_platform.session.CurrentUser().user_num.toLongLong())
        .sql(QStringLiteral(" AND %1 = ").arg(m_kind.dateColumn))
        .date(m_controls.picker->date());
}

QString DayEntry::columns() const {
    QString list = QStringLiteral("user_num, ") + m_kind.dateColumn;
    for (const DayField& field : m_controls.fields) list += QStringLiteral(", ") + field.column;
    return list;
}

Statement DayEntry::selectDay() const {
    Statement statement(QStringLiteral("SELECT %1 FROM %2").arg(columns(), m_kind.table));
    return whereDay(statement);
}

Statement DayEntry::insertDay() const {
    Statement statement(QStringLiteral("INSERT INTO %1(%2) VALUES(").arg(m_kind.table, columns()));
    statement.number(m_platform.session.CurrentUser().user_num.toLongLong())
        .sql(u",")
        .date(m_controls.picker->date());
    for (const DayField& field : m_controls.fields)
        statement.sql(u", ").escapedText(textToStore(field.box, field.remembered));
    return statement.sql(u")");
}

Statement DayEntry::updateDay() const {
    Statement statement(QStringLiteral("UPDATE %1 SET ").arg(m_kind.table));
    QString separator;
    for (const DayField& field : m_controls.fields) {
        statement.sql(separator + field.column + QLatin1Char('='))
            .escapedText(textToStore(field.box, field.remembered));
        separator = QStringLiteral(", ");
    }
    whereDay(statement);
    // The texts as loaded, untrimmed and letter for letter: only a row that still holds them
    // is changed.
    for (const DayField& field : m_controls.fields)
        statement.sql(QStringLiteral(" AND %1=").arg(field.column))
            .text(field.remembered)
            .sql(u" COLLATE BINARY");
    return statement;
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

Status DayEntry::load() {
    clear();
    const Result<int> found = m_platform.session.execute(selectDay());
    if (!found) return found.status();
    const bool stored = !m_platform.session.DbRecordset().eof();
    if (stored) showFirstRow();
    m_controls.save->setEnabled(stored);
    markDays();
    return {};
}

void DayEntry::markDays() {
    QCalendarWidget* calendar = m_controls.calendar;
    // The month's page also shows some days of the months before and after it.
    const QDate first(calendar->yearShown(), calendar->monthShown(), 1);
    Statement days(QStringLiteral("SELECT %1 FROM %2").arg(m_kind.dateColumn, m_kind.table));
    days.sql(u" WHERE user_num = ")
        .number(m_platform.session.CurrentUser().user_num.toLongLong())
        .sql(QStringLiteral(" AND %1 BETWEEN ").arg(m_kind.dateColumn))
        .date(first.addDays(-7))
        .sql(u" AND ")
        .date(first.addMonths(1).addDays(14));
    calendar->setDateTextFormat(QDate(), QTextCharFormat());
    // Read apart from the shared recordset, which may be half-way through a load. Marks are
    // a help, not a must: a failed query leaves the page plain.
    Recordset rows;
    if (!rows.open(days, m_platform.session.DbConnection())) return;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (rows.moveFirst(); !rows.eof(); rows.moveNext())
        calendar->setDateTextFormat(rows.date(m_kind.dateColumn), bold);
}

void DayEntry::showFirstRow() {
    const Recordset& row = m_platform.session.DbRecordset();
    m_controls.picker->setDate(row.date(m_kind.dateColumn));
    for (DayField& field : m_controls.fields) {
        field.remembered = row.text(field.column);
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
    const auto& fields = m_controls.fields;
    if (std::any_of(fields.begin(), fields.end(), [](const DayField& f) { return blank(f.box); })) {
        m_platform.prompter.show(
            QStringLiteral("Please fill-up the neccessary field, or just put 'none'!"),
            QStringLiteral("Information"), vbInformation);
        return;
    }
    if (unstorable()) return;
    Session& session = m_platform.session;
    const Result<int> found = session.execute(selectDay());
    if (!found) return reportTrapped(found.error(), false);
    if (session.DbRecordset().eof()) {
        const Result<int> added = session.execute(insertDay());
        if (!added) return reportTrapped(added.error(), false);
        m_platform.prompter.show(m_kind.addedText, QStringLiteral("Successfuly Added!"),
                                 vbInformation);
        markDays();
        return;
    }
    const Answer answer = m_platform.prompter.show(
        m_kind.existsText, QStringLiteral("Sorry! Do you want to modify?"), vbQuestion | vbYesNo);
    if (answer == Answer::Yes) showFirstRow();
}

bool DayEntry::nothingToEdit() const {
    const auto& fields = m_controls.fields;
    if (m_kind.refuseOnAnyBlank) {
        return std::any_of(fields.begin(), fields.end(),
                           [](const DayField& f) { return blank(f.remembered) || blank(f.box); });
    }
    return std::all_of(fields.begin(), fields.end(),
                       [](const DayField& f) { return blank(f.remembered); });
}

void DayEntry::sayNothingToEdit() {
    m_platform.prompter.show(
        QStringLiteral("Sorry their is nothing to edit.\r\n Click add button instead!"),
        QStringLiteral("Sorry!"), vbInformation);
}

void DayEntry::save() {
    if (nothingToEdit()) {
        sayNothingToEdit();
        m_controls.save->setEnabled(false);
        return;
    }
    if (unstorable()) return;
    const Result<int> changed = m_platform.session.execute(updateDay());
    if (!changed) return reportTrapped(changed.error(), true);
    // Another day is chosen, or the row no longer holds what was loaded: nothing was stored,
    // and the typed text stays for another try.
    if (changed.value() == 0) return sayNothingToEdit();
    for (DayField& field : m_controls.fields)
        field.remembered = textToStore(field.box, field.remembered);
    m_platform.prompter.show(QStringLiteral("The database has been updated!"),
                             QStringLiteral("Successfuly Edited!"), vbInformation);
    m_controls.save->setEnabled(false);
}

bool DayEntry::unstorable() {
    QList<FieldText> texts;
    for (const DayField& field : std::as_const(m_controls.fields))
        texts.append({field.label, textToStore(field.box, field.remembered)});
    return refuseUnstorable(m_platform.prompter, texts);
}

void DayEntry::reportTrapped(const DbError& error, bool saving) {
    if (error.number == kErrSyntax) {
        m_platform.prompter.show(QStringLiteral("Please do not use ' character, their's a\r\n"
                                                "conflict in JET Engine used in this project!\r\n"
                                                " You can use this ` character instead!"),
                                 QStringLiteral("Message Alert!"), vbExclamation);
    } else if (saving && error.number == kErrGeneral) {
        sayNothingToEdit();
    } else {
        m_platform.prompter.show(QString::number(error.number) + error.description,
                                 QStringLiteral("Errot Traping"), vbInformation);
    }
}

void decorateDayButtons(QAbstractButton* add, QAbstractButton* save, QAbstractButton* clear,
                        QAbstractButton* print) {
    add->setIcon(themeIcon(QStringLiteral("list-add")));
    save->setIcon(themeIcon(QStringLiteral("document-save")));
    clear->setIcon(themeIcon(QStringLiteral("edit-clear")));
    print->setIcon(themeIcon(QStringLiteral("document-print")));
}

}  // namespace vemora
