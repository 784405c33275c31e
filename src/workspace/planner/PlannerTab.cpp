#include "workspace/planner/PlannerTab.h"

#include "platform/Prompter.h"
#include "reports/Print.h"
#include "ui_PlannerTab.h"
#include "workspace/diary/DayEntry.h"

#include <QLineEdit>
#include <QMouseEvent>

namespace vemora {

PlannerTab::PlannerTab(Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<::Ui::PlannerTab>()) {
    m_ui->setupUi(this);
    m_entry = new DayEntry(
        platform,
        {.book = DayBook::planner(),
         .draftKind = DraftKind::Planner,
         .draftName = QStringLiteral("your plans of %1"),
         .addedText = QStringLiteral("New plan has been added!"),
         .existsText = QStringLiteral("Sorry but you've saved already your plans today!\r\n"
                                      "Do you want to view and modify your plans today?"),
         .loadOnPickerChange = true},
        {.picker = m_ui->DTPickerPlan,
         .calendar = m_ui->callendarPlan,
         .add = m_ui->cmdAddPlan,
         .save = m_ui->cmdSavePlan,
         .fields = {{QStringLiteral("AM"), m_ui->txtPlanAM},
                    {QStringLiteral("PM"), m_ui->txtPlanPM},
                    {QStringLiteral("Daily Qoute"), m_ui->txtDailyQuote}},
         .find = m_ui->cmdFindPlan,
         .onThisDay = m_ui->cmdOnThisDayPlan},
        this);
    connect(m_entry, &DayEntry::findRequested, this, &PlannerTab::findRequested);
    decorateDayButtons(m_ui->cmdAddPlan, m_ui->cmdSavePlan, m_ui->cmdClearPlan, m_ui->cmdPrintPlan);
    connect(m_ui->cmdClearPlan, &QAbstractButton::clicked, this, &PlannerTab::clearPlan);
    connect(m_ui->cmdPrintPlan, &QAbstractButton::clicked, this, &PlannerTab::printPlan);

    // A press on the picker, its text part included, brings the calendar back to its day.
    m_ui->DTPickerPlan->installEventFilter(this);
    if (auto* text = m_ui->DTPickerPlan->findChild<QLineEdit*>()) text->installEventFilter(this);
}

PlannerTab::~PlannerTab() = default;

Status PlannerTab::LoadPlan() {
    return m_entry->load();
}

void PlannerTab::showDay(QDate day) {
    m_entry->showDay(day);
}

void PlannerTab::keepDraft() {
    m_entry->keepDraft();
}

void PlannerTab::showNewEntries() {
    m_entry->refresh();
}

bool PlannerTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        m_ui->callendarPlan->setSelectedDate(m_ui->DTPickerPlan->date());
    return QWidget::eventFilter(watched, event);
}

void PlannerTab::clearPlan() {
    const Answer answer =
        m_platform.prompter.show(QStringLiteral("Are you sure you want to clear the text boxes?"),
                                 QStringLiteral("Are you sure?"), vbQuestion | vbYesNo);
    if (answer == Answer::Yes) m_entry->clear();
}

void PlannerTab::printPlan() {
    printPlanner(m_platform, m_ui->DTPickerPlan->date());
}

}  // namespace vemora
