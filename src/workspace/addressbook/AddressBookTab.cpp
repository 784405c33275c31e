#include "workspace/addressbook/AddressBookTab.h"
#include "data/Logging.h"

#include "ui_AddressBookTab.h"

#include "core/ContactStore.h"
#include "data/DataControl.h"
#include "data/Encoding.h"
#include "data/Schema.h"
#include "platform/ErrorPrompts.h"
#include "platform/ExactText.h"
#include "platform/GridBinding.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "reports/Print.h"
#include "workspace/DraftKeeper.h"

#include <QEvent>
#include <QHeaderView>

#include <array>
#include <numeric>

namespace vemora {

namespace {

// What the window shows of each column of kContactColumns, in the same order.
struct ContactColumn {
    const char* header;
    int twips;                // width in the grid
    const char* searchEntry;  // entry of cmbo_Search, or none
};

// In grid order, which is also the order of the edit fields.
constexpr std::array<ContactColumn, kContactColumns.size()> kColumns{{
    {"First name", 1425, "Name"},
    {"Middle name", 1215, "Middle name"},
    {"Last name", 1365, "Last name"},
    {"Sex", 510, nullptr},
    {"Address", 1740, "Address"},
    {"Phone #", 1350, "Phone #"},
    {"Cellular #", 1365, "Cellular #"},
    {"Fax #", 1515, "Fax #"},
    {"E-mail", 2220, "E-mail"},
}};
constexpr int kName = 0;
constexpr int kMiddle = 1;
constexpr int kLast = 2;
// Narrowest the grid gets before it scrolls: the twips widths, a little wider for today's fonts.
constexpr int kTwipsPerPixel = 13;

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}
QString trimmed(const QLineEdit* box) {
    return trimBlanks(box->text());
}

bool isNew(const ContactNames& names) {
    return names.name.isEmpty() && names.middle.isEmpty() && names.last.isEmpty();
}

// A contact's draft is named by its three names, one a line.
QString draftKey(const ContactNames& names) {
    if (isNew(names)) return DraftKeeper::newRecordKey();
    return QStringList{names.name, names.middle, names.last}.join(QLatin1Char('\n'));
}

QString draftName(const ContactNames& names) {
    if (isNew(names)) return QStringLiteral("a new contact");
    QStringList parts;
    for (const QString& part : {names.name, names.middle, names.last})
        if (!trimBlanks(part).isEmpty()) parts.append(trimBlanks(part));
    return QStringLiteral("the contact ") + parts.join(QLatin1Char(' '));
}

}  // namespace

AddressBookTab::AddressBookTab(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<::Ui::AddressBookTab>()),
      m_platform(platform),
      m_ado(new DataControl(this)) {
    m_ui->setupUi(this);
    m_ado->setObjectName(QStringLiteral("Ado_Addressbook"));
    // Each field holds what its column holds.
    const QList<QLineEdit*> fields = contactFields();
    for (qsizetype i = 0; i < fields.size(); ++i)
        fields.at(i)->setMaxLength(kContactsColumns[size_t(i) + 1].maxLength);
    m_ui->cmbo_Search->lineEdit()->setMaxLength(20);
    keepWholeCharacters(this);

    m_ui->cmdAddInfo->setIcon(themeIcon(QStringLiteral("list-add")));
    m_ui->cmdSave->setIcon(themeIcon(QStringLiteral("document-save")));
    m_ui->cmdClear->setIcon(themeIcon(QStringLiteral("edit-clear")));
    m_ui->cmdDelete->setIcon(themeIcon(QStringLiteral("edit-delete")));
    m_ui->cmdPrintAddress->setIcon(themeIcon(QStringLiteral("document-print")));

    QList<DataControlModel::Column> columns;
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        columns.append({kContactColumns.at(i), latin1(kColumns.at(i).header)});
    QTableView* grid = m_ui->dtg_AddressBook;
    grid->viewport()->installEventFilter(this);
    auto* binding = new GridBinding(grid, m_ado, columns);
    connect(binding, &GridBinding::rowChosen, this, &AddressBookTab::chooseRow);

    connect(m_ui->cmbo_Search, &QComboBox::activated, this, &AddressBookTab::chooseSearchField);
    connect(m_ui->txtSearch, &QLineEdit::textChanged, this, &AddressBookTab::searchTextChanged);
    connect(m_ui->cmdAddInfo, &QPushButton::clicked, this, &AddressBookTab::addContact);
    connect(m_ui->cmdSave, &QPushButton::clicked, this, &AddressBookTab::saveContact);
    connect(m_ui->cmdClear, &QPushButton::clicked, this, &AddressBookTab::Clear);
    connect(m_ui->cmdDelete, &QPushButton::clicked, this, &AddressBookTab::deleteContact);
    connect(m_ui->cmdPrintAddress, &QPushButton::clicked, this, &AddressBookTab::printContact);

    QStringList labels;
    for (const ContactColumn& c : kColumns) labels.append(latin1(c.header));
    m_drafts = new DraftKeeper(platform,
                               {.kind = DraftKind::Contact,
                                .typed = [this] { return typedTexts(); },
                                .put =
                                    [this](const QStringList& texts) {
                                        const QList<QLineEdit*> boxes = contactFields();
                                        for (qsizetype i = 0; i < boxes.size(); ++i)
                                            boxes.at(i)->setText(texts.value(i));
                                    },
                                .labels = labels},
                               this);
    for (QLineEdit* box : contactFields()) m_drafts->watch(box);
}

void AddressBookTab::keepDraft() {
    m_drafts->keep();
}

void AddressBookTab::offerNewContactDraft() {
    m_drafts->shown(DraftKeeper::newRecordKey(), draftName({}), typedTexts());
}

AddressBookTab::~AddressBookTab() = default;

void AddressBookTab::FillSearchFields() {
    for (const ContactColumn& c : kColumns)
        if (c.searchEntry) m_ui->cmbo_Search->addItem(latin1(c.searchEntry));
}

void AddressBookTab::LoadAddressBook() {
    m_ado->setRecordSource(ContactStore::listing(userNum()));
    // A failure leaves the grid empty and says nothing.
    logDropped(logWindows(), "reading the address book", m_ado->refresh());
}

void AddressBookTab::chooseSearchField() {
    const QString entry = m_ui->cmbo_Search->currentText();
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const char* searchEntry = kColumns.at(i).searchEntry;
        if (searchEntry && entry == latin1(searchEntry)) m_searchField = kContactColumns.at(i);
    }
}

void AddressBookTab::searchTextChanged() {
    const QString text = m_ui->txtSearch->text();
    if (text.isEmpty()) {
        applySearchResult(false);
        return;
    }
    // A search that cannot run (an apostrophe, no rows) finds nothing.
    const bool found = m_ado->findFromFirst(m_searchField, trimBlanks(text)).ok() && !m_ado->eof();
    applySearchResult(found);
}

void AddressBookTab::applySearchResult(bool found) {
    m_ui->cmdAddInfo->setEnabled(!found);
    m_ui->cmdClear->setEnabled(!found);
    if (found) return;
    m_ui->cmdSave->setEnabled(false);
    m_ui->cmdDelete->setEnabled(false);
}

void AddressBookTab::chooseRow() {
    if (m_ado->eof()) return;
    m_drafts->keep();
    // Read the whole row first: filling txtSearch below may move the current row.
    QVariantList values;
    for (const QLatin1StringView column : kContactColumns)
        values.append(m_ado->field(QString(column)));
    QStringList stored;
    for (const QVariant& value : values) stored.append(value.toString());
    const ContactNames names{stored.at(kName), stored.at(kMiddle), stored.at(kLast)};

    const QList<QLineEdit*> fields = contactFields();
    QList<std::pair<QLineEdit*, int>> order{{m_ui->txtNameMem, kName},
                                            {m_ui->txtSearch, kName},
                                            {m_ui->txtMidNameMem, kMiddle},
                                            {m_ui->txtLastNameMem, kLast}};
    for (int i = 0; i < fields.size(); ++i) order.append({fields.at(i), i});
    for (const auto& [box, column] : order) {
        // A column without a value ends the load where it stands.
        if (values.at(column).isNull()) {
            m_drafts->shown(draftKey(names), draftName(names), typedTexts());
            return;
        }
        box->setText(values.at(column).toString());
    }
    m_ui->cmdSave->setEnabled(true);
    m_ui->cmdDelete->setEnabled(true);
    m_drafts->shown(draftKey(names), draftName(names), typedTexts());
}

void AddressBookTab::addContact() {
    const QStringList texts = typedTexts();
    m_ado->beginChange(m_platform.session.DbConnection());
    const Result<Change> added = store().add(userNum(), texts);
    if (!answered(added)) return;
    m_drafts->stored();
    tellUpdated();
    m_ui->txtName->setFocus();
    reloadAfterChange({ContactStore::storedNames(texts)});
    Clear();
}

void AddressBookTab::saveContact() {
    const QStringList texts = typedTexts();
    m_ado->beginChange(m_platform.session.DbConnection());
    finishChange(store().save(userNum(), loadedNames(), texts), true,
                 {loadedNames(), ContactStore::storedNames(texts)});
}

void AddressBookTab::deleteContact() {
    const QString question = QStringLiteral("Are you sure you want to delete ") +
                             trimmed(m_ui->txtName) + QLatin1Char(' ') +
                             trimmed(m_ui->txtLastName) + QStringLiteral(" info?");
    if (m_platform.prompter.show(question, QStringLiteral("Are you sure?"),
                                 vbQuestion | vbYesNo | vbDefaultButton2) != Answer::Yes)
        return;
    m_ado->beginChange(m_platform.session.DbConnection());
    finishChange(store().remove(userNum(), loadedNames()), false, {loadedNames()});
}

// The report shows the stored contact of the names now typed, not of the remembered key.
void AddressBookTab::printContact() {
    printAddressBook(m_platform, m_ui->txtName->text(), m_ui->txtMidName->text(),
                     m_ui->txtLastName->text());
}

void AddressBookTab::Clear() {
    m_drafts->keep();
    m_ui->txtName->clear();
    m_ui->txtMidName->clear();
    m_ui->txtLastName->clear();
    m_ui->cmbo_Sex->setEditText(QStringLiteral("M"));
    for (QLineEdit* box :
         {m_ui->txtAddress, m_ui->txtPhoneNum, m_ui->txtCellNum, m_ui->txtFaxNum, m_ui->txtEmail,
          m_ui->txtNameMem, m_ui->txtMidNameMem, m_ui->txtLastNameMem, m_ui->txtSearch})
        box->clear();
    m_drafts->shown(DraftKeeper::newRecordKey(), draftName({}), typedTexts());
}

ContactStore AddressBookTab::store() {
    return ContactStore(m_platform.session.database());
}

QStringList AddressBookTab::typedTexts() const {
    QStringList texts;
    for (const QLineEdit* box : contactFields()) texts.append(box->text());
    return texts;
}

std::optional<ContactNames> AddressBookTab::loadedContact() const {
    if (!m_ui->cmdSave->isEnabled()) return std::nullopt;
    return loadedNames();
}

ContactNames AddressBookTab::loadedNames() const {
    return {m_ui->txtNameMem->text(), m_ui->txtMidNameMem->text(), m_ui->txtLastNameMem->text()};
}

void AddressBookTab::finishChange(const Result<Change>& change, bool announce,
                                  const QList<ContactNames>& contacts) {
    if (!answered(change)) return;
    m_drafts->stored();
    if (announce) tellUpdated();
    reloadAfterChange(contacts);
    Clear();
}

bool AddressBookTab::answered(const Result<Change>& change) {
    if (!change) {
        reportTrapped(m_platform.prompter, change.error(), TrapWording::Record);
        return false;
    }
    switch (change.value().refusal) {
        case Refusal::None:
            return true;
        case Refusal::Incomplete:
            tell(
                QStringLiteral(
                    "Please fill-up all necessary fields! Just put N/A or none if you don't have."),
                QStringLiteral("Incomplete!"), vbInformation);
            break;
        case Refusal::Unstorable:
            showUnstorable(m_platform.prompter,
                           latin1(kColumns.at(std::size_t(change.value().field)).header));
            break;
        case Refusal::TooLong: {
            const auto field = std::size_t(change.value().field);
            showTooLong(m_platform.prompter, latin1(kColumns.at(field).header),
                        kContactsColumns[field + 1].maxLength);
            break;
        }
        case Refusal::Taken:
            tell(QStringLiteral("This name is already stored!"), QStringLiteral("Already Stored!"),
                 vbInformation);
            break;
        default:
            // Gone: changed or deleted elsewhere since it was loaded. Say so, keep the fields.
            tell(QStringLiteral("This contact is no longer stored! It may have been changed or "
                                "deleted meanwhile."),
                 QStringLiteral("Not Found!"), vbExclamation);
            LoadAddressBook();
            break;
    }
    return false;
}

void AddressBookTab::tellUpdated() {
    tell(QStringLiteral("The database has been updated!"), QStringLiteral("Successfuly Added!"),
         vbInformation);
}

// The grid re-reads while the shared connection that made the change is still open, so that it
// can tell whether that connection was the only writer.
void AddressBookTab::reloadAfterChange(const QList<ContactNames>& contacts) {
    Session& session = m_platform.session;
    logDropped(logWindows(), "re-reading the address book",
               m_ado->refreshAfter(session.DbConnection(),
                                   ContactStore::changedRows(userNum(), contacts)));
    session.DbConnection().close();
    session.OpenDatabase();
}

void AddressBookTab::tell(const QString& text, const QString& title, int style) {
    m_platform.prompter.show(text, title, style);
}

qint64 AddressBookTab::userNum() const {
    return m_platform.session.CurrentUser().user_num.toLongLong();
}

QList<QLineEdit*> AddressBookTab::contactFields() const {
    return {m_ui->txtName,    m_ui->txtMidName,  m_ui->txtLastName, m_ui->cmbo_Sex->lineEdit(),
            m_ui->txtAddress, m_ui->txtPhoneNum, m_ui->txtCellNum,  m_ui->txtFaxNum,
            m_ui->txtEmail};
}

void AddressBookTab::fitColumns() {
    const int total =
        std::accumulate(kColumns.begin(), kColumns.end(), 0,
                        [](int sum, const ContactColumn& c) { return sum + c.twips; });
    const int width = std::max(m_ui->dtg_AddressBook->viewport()->width(), total / kTwipsPerPixel);
    QHeaderView* header = m_ui->dtg_AddressBook->horizontalHeader();
    for (int i = 0; i < int(kColumns.size()); ++i)
        header->resizeSection(i, kColumns.at(i).twips * width / total);
}

bool AddressBookTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->dtg_AddressBook->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

}  // namespace vemora
