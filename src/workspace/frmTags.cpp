#include "workspace/frmTags.h"

#include "core/Clock.h"
#include "ui_frmTags.h"

#include "data/DataControl.h"
#include "platform/ColourScheme.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Shortcuts.h"
#include "platform/Widgets.h"
#include "workspace/addressbook/AddressBookTab.h"
#include "workspace/diary/DiaryTab.h"
#include "workspace/dictionary/DictionaryTab.h"
#include "workspace/planner/PlannerTab.h"
#include "workspace/player/PlayerTab.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabBar>
#include <QTextEdit>

#include <array>

namespace vemora {

namespace {

constexpr long kErrOutOfMemory = 7;

// Per tab, in index order: the control that gets the focus when the tab becomes current.
constexpr std::array<const char*, 5> kFocusTargets{"txtName", "txtPlanAM", "txtDiaryMsg",
                                                   "txtDicWord", "cmdOpen"};

bool isEditField(QWidget* widget) {
    const QString name = widget->objectName();
    if (!name.startsWith(QLatin1StringView("txt")) && !name.startsWith(QLatin1StringView("cmbo")))
        return false;
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
           qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget);
}

// Edit fields of every tab: tooltip background and Verdana, or its closest stand-in.
void styleEditFields(QWidget* root) {
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!isEditField(widget)) continue;
        useNoteColours(widget);
        QFont font = widget->font();
        font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
        widget->setFont(font);
    }
}

// A tab's page in a frameless area that scrolls only when the window is smaller than the
// page, as on small screens or at a large scale; otherwise the page fills it as before.
QScrollArea* scrolling(QWidget* page) {
    auto* area = new QScrollArea;
    area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setFocusPolicy(Qt::NoFocus);
    area->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    area->setWidget(page);
    // The tab's panel shows through, as before.
    page->setAutoFillBackground(false);
    return area;
}

}  // namespace

frmTags::frmTags(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<::Ui::frmTags>()),
      m_platform(platform),
      m_addressBook(new AddressBookTab(platform)),
      m_planner(new PlannerTab(platform)),
      m_diary(new DiaryTab(platform)),
      m_dictionary(new DictionaryTab(platform)),
      m_player(new PlayerTab(platform)) {
    m_ui->setupUi(this);
    QTabWidget* tabs = m_ui->tabMenu;
    tabs->addTab(scrolling(m_addressBook), themeIcon(QStringLiteral("x-office-address-book")),
                 QStringLiteral(" Address Book"));
    tabs->addTab(scrolling(m_planner), themeIcon(QStringLiteral("x-office-calendar")),
                 QStringLiteral(" My Planner"));
    tabs->addTab(scrolling(m_diary), themeIcon(QStringLiteral("accessories-text-editor")),
                 QStringLiteral(" My Diary"));
    tabs->addTab(scrolling(m_dictionary), themeIcon(QStringLiteral("accessories-dictionary")),
                 QStringLiteral(" Dictionary"));
    tabs->addTab(scrolling(m_player), themeIcon(QStringLiteral("applications-multimedia")),
                 QStringLiteral(" My Player"));
    tabs->setCurrentIndex(0);
    styleEditFields(tabs);
    enterPressesButtons(this);
    givePageMnemonicsPriority(tabs);
    for (QCalendarWidget* calendar : tabs->findChildren<QCalendarWidget*>())
        nameCalendarParts(calendar);
    // Names without the captions' leading blank.
    for (int tab = 0; tab < tabs->count(); ++tab)
        tabs->tabBar()->setAccessibleTabName(tab, tabs->tabText(tab).trimmed());
    connect(tabs, &QTabWidget::currentChanged, this, &frmTags::keepDrafts);
    connect(tabs, &QTabWidget::currentChanged, this, &frmTags::focusTabControl);
    connect(m_diary, &DiaryTab::findRequested, this, &frmTags::findRequested);
    connect(m_planner, &PlannerTab::findRequested, this, &frmTags::findRequested);
    focusTabControl(0);
}

void frmTags::showDay(QDate day, SearchPlace place) {
    if (place == SearchPlace::Diary) {
        m_ui->tabMenu->setCurrentIndex(2);
        m_diary->showDay(day);
    } else {
        m_ui->tabMenu->setCurrentIndex(1);
        m_planner->showDay(day);
    }
}

frmTags::~frmTags() = default;

void frmTags::keepDrafts() {
    m_addressBook->keepDraft();
    m_planner->keepDraft();
    m_diary->keepDraft();
    m_dictionary->keepDraft();
}

// Closing the window discards the tabs; what was typed in them stays as drafts.
void frmTags::closeEvent(QCloseEvent* event) {
    keepDrafts();
    QWidget::closeEvent(event);
}

QTabWidget* frmTags::tabMenu() const {
    return m_ui->tabMenu;
}

template <class T>
T* frmTags::control(const QString& name) const {
    return m_ui->tabMenu->findChild<T*>(name);
}

void frmTags::load() {
    const Status status = runLoadSequence();
    if (status || status.number() == kErrOutOfMemory) return;
    m_platform.prompter.show(
        QString::number(status.number()) + QLatin1Char(' ') + status.error().description,
        QGuiApplication::applicationDisplayName(), vbOKOnly);
}

// Each step skips the controls that its tab does not have.
Status frmTags::runLoadSequence() {
    // Planner and diary dates: now, then today without a time of day.
    const QDateTime now = currentDateTime();
    const QDateTime today = now.date().startOfDay();
    const auto setPicker = [this](const QString& name, const QDateTime& value) {
        if (auto* picker = control<QDateEdit>(name)) picker->setDateTime(value);
    };
    const auto setCalendar = [this](const QString& name, QDate value) {
        if (auto* calendar = control<QCalendarWidget>(name)) calendar->setSelectedDate(value);
    };
    const QString pickerPlan = QStringLiteral("DTPickerPlan");
    const QString calendarPlan = QStringLiteral("callendarPlan");
    const QString pickerDiary = QStringLiteral("DTPickerDiary");
    const QString calendarDiary = QStringLiteral("callendarDiary");
    setPicker(pickerPlan, now);
    setCalendar(calendarPlan, now.date());
    setPicker(pickerDiary, now);
    setCalendar(calendarDiary, now.date());
    setPicker(pickerDiary, today);
    setCalendar(calendarDiary, today.date());
    setPicker(pickerPlan, today);
    setCalendar(calendarPlan, today.date());

    if (auto* sex = control<QComboBox>(QStringLiteral("cmbo_Sex")))
        sex->addItems({QStringLiteral("M"), QStringLiteral("F")});

    for (const char* name : {"cmdSave", "cmdDelete", "cmdSavePlan", "cmdSaveDiary", "cmdSaveDic"})
        if (auto* button = control<QAbstractButton>(QString::fromLatin1(name)))
            button->setEnabled(false);

    m_addressBook->FillSearchFields();
    m_addressBook->setSearchField(QStringLiteral("name"));

    for (const char* name : {"Ado_Addressbook", "ADO_Dictionary"})
        if (auto* data = control<DataControl>(QString::fromLatin1(name)))
            data->setConnectionString(m_platform.session.ConnectionString());

    // The words are read while the contacts load; words that cannot be read are told of last.
    m_dictionary->StartDictionaryRead();
    m_addressBook->LoadAddressBook();
    const Status words = m_dictionary->FinishDictionaryRead();
    if (Status planned = m_planner->LoadPlan(); !planned) return planned;
    if (Status written = m_diary->LoadDiary(); !written) return written;

    m_dictionary->FillSearchList();
    m_addressBook->offerNewContactDraft();
    m_dictionary->offerNewWordDraft();
    return words;
}

void frmTags::focusTabControl(int index) {
    if (index < 0 || index >= int(kFocusTargets.size())) return;
    QWidget* page = m_ui->tabMenu->widget(index);
    if (auto* target = page->findChild<QWidget*>(QString::fromLatin1(kFocusTargets.at(index))))
        target->setFocus();
}

}  // namespace vemora
