#include "workspace/addressbook/AddressBookTab.h"

#include "ui_AddressBookTab.h"

#include "data/DataControl.h"
#include "data/Encoding.h"
#include "data/RecordKeys.h"
#include "platform/ExactText.h"
#include "platform/GridBinding.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "reports/Print.h"

#include <QEvent>
#include <QHeaderView>

#include <array>
#include <numeric>

namespace vemora {

namespace {

struct ContactColumn {
    const char* field;
    const char* header;
    int twips;                // width in the grid
    const char* searchEntry;  // entry of cmbo_Search, or none
};

// In grid order, which is also the order of the edit fields.
constexpr std::array<ContactColumn, 9> kColumns{{
    {"name", "First name", 1425, "Name"},
    {"middle_name", "Middle name", 1215, "Middle name"},
    {"last_name", "Last name", 1365, "Last name"},
    {"sex", "Sex", 510, nullptr},
    {"address", "Address", 1740, "Address"},
    {"phone_num", "Phone #", 1350, "Phone #"},
    {"cel_num", "Cellular #", 1365, "Cellular #"},
    {"fax_num", "Fax #", 1515, "Fax #"},
    {"email", "E-mail", 2220, "E-mail"},
}};
constexpr int kName = 0;
constexpr int kMiddle = 1;
constexpr int kLast = 2;
// Narrowest the grid gets before it scrolls: the twips widths, a little wider for today's fonts.
constexpr int kTwipsPerPixel = 13;

QString latin1(const char* text) { return QString::fromLatin1(text); }
QString trimmed(const QLineEdit* box) { return trimBlanks(box->text()); }

}  // namespace

AddressBookTab::AddressBookTab(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<::Ui::AddressBookTab>()),
      m_platform(platform),
      m_ado(new DataControl(this)) {
    m_ui->setupUi(this);
    m_ado->setObjectName(QStringLiteral("Ado_Addressbook"));
    m_ui->cmbo_Sex->lineEdit()->setMaxLength(1);
    m_ui->cmbo_Search->lineEdit()->setMaxLength(20);
    keepWholeCharacters(this);

    m_ui->cmdAddInfo->setIcon(themeIcon(QStringLiteral("list-add")));
    m_ui->cmdSave->setIcon(themeIcon(QStringLiteral("document-save")));
    m_ui->cmdClear->setIcon(themeIcon(QStringLiteral("edit-clear")));
    m_ui->cmdDelete->setIcon(themeIcon(QStringLiteral("edit-delete")));
    m_ui->cmdPrintAddress->setIcon(themeIcon(QStringLiteral("document-print")));

    QList<DataControlModel::Column> columns;
    for (const ContactColumn& c : kColumns) columns.append({latin1(c.field), latin1(c.header)});
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
}

AddressBookTab::~AddressBookTab() = default;

void AddressBookTab::FillSearchFields() {
    for (const ContactColumn& c : kColumns)
        if (c.searchEntry) m_ui->cmbo_Search->addItem(latin1(c.searchEntry));
}

void AddressBookTab::LoadAddressBook() {
    m_ado->setRecordSource(Statement("Select * FROM addressbook_tbl WHERE user_num = ")
                               .number(userNum())
                               .sql(" Order By name"));
    // A failure leaves the grid empty and says nothing.
    m_ado->refresh();
}

void AddressBookTab::chooseSearchField() {
    const QString entry = m_ui->cmbo_Search->currentText();
    for (const ContactColumn& c : kColumns)
        if (c.searchEntry && entry == latin1(c.searchEntry)) m_searchField = latin1(c.field);
}

void AddressBookTab::searchTextChanged() {
    const QString text = m_ui->txtSearch->text();
    if (text.isEmpty()) {
        applySearchResult(false);
        return;
    }
    m_ado->moveFirst();
    // A search that cannot run (an apostrophe, no rows) finds nothing.
    const bool found = m_ado->findForward(m_searchField, trimBlanks(text)).ok() && !m_ado->eof();
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
    // Read the whole row first: filling txtSearch below may move the current row.
    QVariantList values;
    for (const ContactColumn& c : kColumns) values.append(m_ado->field(latin1(c.field)));

    const QList<QLineEdit*> fields = contactFields();
    QList<std::pair<QLineEdit*, int>> order{{m_ui->txtNameMem, kName},
                                            {m_ui->txtSearch, kName},
                                            {m_ui->txtMidNameMem, kMiddle},
                                            {m_ui->txtLastNameMem, kLast}};
    for (int i = 0; i < fields.size(); ++i) order.append({fields.at(i), i});
    for (const auto& [box, column] : order) {
        // A column without a value ends the load where it stands.
        if (values.at(column).isNull()) return;
        box->setText(values.at(column).toString());
    }
    m_ui->cmdSave->setEnabled(true);
    m_ui->cmdDelete->setEnabled(true);
}

void AddressBookTab::addContact() { reportError(insertContact()); }

void AddressBookTab::saveContact() { reportError(updateContact()); }

void AddressBookTab::deleteContact() {
    const QString question = QStringLiteral("Are you sure you want to delete ") +
                             trimmed(m_ui->txtName) + QLatin1Char(' ') +
                             trimmed(m_ui->txtLastName) + QStringLiteral(" info?");
    if (m_platform.prompter.show(question, QStringLiteral("Are you sure?"), vbQuestion | vbYesNo) !=
        Answer::Yes)
        return;
    reportError(removeContact());
}

// The report shows the stored contact of the names now typed, not of the remembered key.
void AddressBookTab::printContact() {
    printAddressBook(m_platform, m_ui->txtName->text(), m_ui->txtMidName->text(),
                     m_ui->txtLastName->text());
}

void AddressBookTab::Clear() {
    m_ui->txtName->clear();
    m_ui->txtMidName->clear();
    m_ui->txtLastName->clear();
    m_ui->cmbo_Sex->setEditText(QStringLiteral("M"));
    for (QLineEdit* box : {m_ui->txtAddress, m_ui->txtPhoneNum, m_ui->txtCellNum,
                           m_ui->txtFaxNum, m_ui->txtEmail, m_ui->txtNameMem,
                           m_ui->txtMidNameMem, m_ui->txtLastNameMem, m_ui->txtSearch})
        box->clear();
}

Status AddressBookTab::insertContact() {
    if (anyFieldBlank() || anyFieldUnstorable()) return {};
    const Result<bool> stored = nameIsStored();
    if (!stored) return stored.status();
    if (stored.value()) return {};

    Statement insert(
        "INSERT INTO addressbook_tbl(user_num, name, middle_name, last_name, sex, address, "
        "phone_num, cel_num, fax_num, email) VALUES(");
    insert.number(userNum());
    for (const QLineEdit* box : contactFields()) insert.sql(",").escapedText(box->text());
    insert.sql(")");
    const Result<int> done = m_platform.session.execute(insert);
    if (!done) return done.status();

    tellUpdated();
    m_ui->txtName->setFocus();
    reloadAfterChange();
    Clear();
    return {};
}

Status AddressBookTab::updateContact() {
    if (anyFieldBlank() || anyFieldUnstorable()) return {};
    const bool renamed = trimmed(m_ui->txtNameMem) != trimmed(m_ui->txtName) ||
                         trimmed(m_ui->txtMidNameMem) != trimmed(m_ui->txtMidName) ||
                         trimmed(m_ui->txtLastNameMem) != trimmed(m_ui->txtLastName);
    if (renamed) {
        const Result<bool> stored = nameIsStored();
        if (!stored) return stored.status();
        if (stored.value()) return {};
    }

    Statement update("UPDATE addressbook_tbl SET ");
    const QList<QLineEdit*> fields = contactFields();
    for (int i = 0; i < fields.size(); ++i) {
        update.sql(i == 0 ? "" : ", ").sql(QLatin1StringView(kColumns.at(i).field)).sql("=");
        update.escapedText(fields.at(i)->text());
    }
    return changeRememberedContact(update, true);
}

Status AddressBookTab::removeContact() {
    Statement remove("DELETE FROM addressbook_tbl");
    return changeRememberedContact(remove, false);
}

Status AddressBookTab::changeRememberedContact(Statement& statement, bool announce) {
    whereContact(statement, userNum(), m_ui->txtNameMem->text(), m_ui->txtMidNameMem->text(),
                 m_ui->txtLastNameMem->text());
    const Result<int> changed = m_platform.session.execute(statement);
    if (!changed) return changed.status();
    if (changed.value() == 0) {
        // Gone or changed elsewhere since it was loaded: say so, keep the fields.
        tell(QStringLiteral("This contact is no longer stored! It may have been changed or "
                            "deleted meanwhile."),
             QStringLiteral("Not Found!"), vbExclamation);
        LoadAddressBook();
        return {};
    }
    if (announce) tellUpdated();
    reloadAfterChange();
    Clear();
    return {};
}

void AddressBookTab::tellUpdated() {
    tell(QStringLiteral("The database has been updated!"), QStringLiteral("Successfuly Added!"),
         vbInformation);
}

Result<bool> AddressBookTab::nameIsStored() {
    Statement check("Select user_num, name, middle_name, last_name FROM addressbook_tbl");
    whereContact(check, userNum(), m_ui->txtName->text(), m_ui->txtMidName->text(),
                 m_ui->txtLastName->text());
    const Result<int> ran = m_platform.session.execute(check);
    if (!ran) return ran.error();
    const bool stored = !m_platform.session.DbRecordset().eof();
    if (stored) {
        tell(QStringLiteral("This name is already stored!"), QStringLiteral("Already Stored!"),
             vbInformation);
    }
    return stored;
}

bool AddressBookTab::anyFieldBlank() {
    const QList<QLineEdit*> fields = contactFields();
    const bool blank = std::any_of(fields.begin(), fields.end(),
                                   [](const QLineEdit* box) { return trimmed(box).isEmpty(); });
    if (blank) {
        tell(QStringLiteral(
                 "Please fill-up all necessary fields! Just put N/A or none if you don't have."),
             QStringLiteral("Incomplete!"), vbInformation);
    }
    return blank;
}

bool AddressBookTab::anyFieldUnstorable() {
    QList<FieldText> texts;
    const QList<QLineEdit*> fields = contactFields();
    for (int i = 0; i < fields.size(); ++i)
        texts.append({latin1(kColumns.at(i).header), fields.at(i)->text()});
    return refuseUnstorable(m_platform.prompter, texts);
}

void AddressBookTab::reloadAfterChange() {
    Session& session = m_platform.session;
    session.DbConnection().close();
    LoadAddressBook();
    session.OpenDatabase();
}

void AddressBookTab::reportError(const Status& status) {
    if (status) return;
    if (status.number() == kErrSyntax) {
        tell(QStringLiteral("Please do not use ' character, their's a conflict in JET Engine used "
                            "in this project!"),
             QStringLiteral("Message Alert!"), vbExclamation);
        return;
    }
    tell(QString::number(status.number()) + QLatin1Char(' ') + status.error().description,
         QStringLiteral("Errot Traping"), vbInformation);
}

void AddressBookTab::tell(const QString& text, const QString& title, int style) {
    m_platform.prompter.show(text, title, style);
}

qint64 AddressBookTab::userNum() const {
    return m_platform.session.CurrentUser().user_num.toLongLong();
}

QList<QLineEdit*> AddressBookTab::contactFields() const {
    return {m_ui->txtName,     m_ui->txtMidName,         m_ui->txtLastName,
            m_ui->cmbo_Sex->lineEdit(), m_ui->txtAddress, m_ui->txtPhoneNum,
            m_ui->txtCellNum,  m_ui->txtFaxNum,          m_ui->txtEmail};
}

void AddressBookTab::fitColumns() {
    const int total = std::accumulate(kColumns.begin(), kColumns.end(), 0,
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
