#include "workspace/diary/DiaryTab.h"

#include "reports/Print.h"
#include "ui_DiaryTab.h"
#include "workspace/diary/DayEntry.h"

namespace vemora {

DiaryTab::DiaryTab(Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_ui(std::make_unique<::Ui::DiaryTab>()) {
    m_ui->setupUi(this);
    m_entry = new DayEntry(
        platform,
        {.book = DayBook::diary(),
         .draftKind = DraftKind::Diary,
         .draftName = QStringLiteral("%1"),
         .addedText = QStringLiteral("New diary has been added!"),
         .existsText = QStringLiteral("Sorry but you've saved already your diary today!\r\n"
                                      "Do you want to view and modify your today's diary?"),
         .loadOnPickerChange = false},
        {.picker = m_ui->DTPickerDiary,
         .calendar = m_ui->callendarDiary,
         .add = m_ui->cmdAddDiary,
         .save = m_ui->cmdSaveDiary,
         .fields = {{QStringLiteral("Daily Diary"), m_ui->txtDiaryMsg}},
         .find = m_ui->cmdFindDiary,
         .onThisDay = m_ui->cmdOnThisDayDiary},
        this);
    connect(m_entry, &DayEntry::findRequested, this, &DiaryTab::findRequested);
    decorateDayButtons(m_ui->cmdAddDiary, m_ui->cmdSaveDiary, m_ui->cmdClearDiary,
                       m_ui->cmdPrintDiary);
    connect(m_ui->cmdPrintDiary, &QAbstractButton::clicked, this, &DiaryTab::printDiary);
}

DiaryTab::~DiaryTab() = default;

Status DiaryTab::LoadDiary() {
    return m_entry->load();
}

void DiaryTab::showDay(QDate day) {
    m_entry->showDay(day);
}

void DiaryTab::keepDraft() {
    m_entry->keepDraft();
}

void DiaryTab::showNewEntries() {
    m_entry->refresh();
}

void DiaryTab::printDiary() {
    vemora::printDiary(m_platform, m_ui->DTPickerDiary->date());
}

}  // namespace vemora
