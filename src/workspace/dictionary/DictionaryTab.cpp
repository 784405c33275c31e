#include "workspace/dictionary/DictionaryTab.h"

#include "ui_DictionaryTab.h"

#include "data/DataControl.h"
#include "data/Encoding.h"
#include "data/RecordKeys.h"
#include "platform/ExactText.h"
#include "platform/GridBinding.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "reports/Print.h"

#include <QLineEdit>

#include <limits>

namespace vemora {

namespace {

constexpr QStringView kWordColumn = u"dict_name";
constexpr QStringView kDescriptionColumn = u"dict_description";
constexpr int kSearchLength = 20;

}  // namespace

DictionaryTab::DictionaryTab(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_platform(platform),
      m_ui(std::make_unique<Ui::DictionaryTab>()),
      m_dictionary(new DataControl(this)) {
    m_ui->setupUi(this);
    m_dictionary->setObjectName(QStringLiteral("ADO_Dictionary"));

    m_ui->cmdAddDic->setIcon(themeIcon(QStringLiteral("list-add")));
    m_ui->cmdSaveDic->setIcon(themeIcon(QStringLiteral("document-save")));
    m_ui->cmdClearDic->setIcon(themeIcon(QStringLiteral("edit-clear")));
    m_ui->cmdPrintDict->setIcon(themeIcon(QStringLiteral("document-print")));
    m_ui->cmdSaveDic->setEnabled(false);

    // The remembered values hold descriptions of any length, line breaks included.
    m_ui->txtDicWordMem->hide();
    m_ui->txtDicDesMem->hide();
    m_ui->txtDicWordMem->setMaxLength(std::numeric_limits<int>::max());
    m_ui->txtDicDesMem->setMaxLength(std::numeric_limits<int>::max());

    // Searches run on the typed text only: no completion, nothing added to the list, and a
    // placeholder so that filling the list does not pick its first word.
    QComboBox* search = m_ui->cmboDicSearch;
    search->setCompleter(nullptr);
    search->lineEdit()->setMaxLength(kSearchLength);
    search->setPlaceholderText(QStringLiteral("Type a word"));
    search->lineEdit()->setPlaceholderText(search->placeholderText());
    keepWholeCharacters(this);

    auto* binding = new GridBinding(m_ui->DataGridDic, m_dictionary,
                                    {{kWordColumn.toString(), QStringLiteral("Word")},
                                     {kDescriptionColumn.toString(), QStringLiteral("Description ")}});
    connect(binding, &GridBinding::rowChosen, this, &DictionaryTab::chooseRow);

    connect(search, &QComboBox::editTextChanged, this, &DictionaryTab::searchWord);
    connect(search, &QComboBox::activated, this, &DictionaryTab::searchWord);
    connect(m_ui->txtDicWordMem, &QLineEdit::textChanged, this, &DictionaryTab::rememberedChanged);
    connect(m_ui->txtDicDesMem, &QLineEdit::textChanged, this, &DictionaryTab::rememberedChanged);
    connect(m_ui->cmdAddDic, &QPushButton::clicked, this, &DictionaryTab::addWord);
    connect(m_ui->cmdSaveDic, &QPushButton::clicked, this, &DictionaryTab::saveWord);
    connect(m_ui->cmdClearDic, &QPushButton::clicked, this, &DictionaryTab::clearWord);
    connect(m_ui->cmdPrintDict, &QPushButton::clicked, this, &DictionaryTab::printWord);
}

DictionaryTab::~DictionaryTab() = default;

void DictionaryTab::RefreshDictionaryGrid() {
    m_dictionary->setRecordSource(Statement("Select * FROM dictionary_tbl Order By dict_name"));
    // A failed refresh holds no rows; the grid follows through the model.
    m_dictionary->refresh();
}

// Keeps the grid's selection on the data control's current row.
void DictionaryTab::searchWord() {
    const QString text = m_ui->cmboDicSearch->currentText();
    if (text.isEmpty()) return offerAdd();
    m_dictionary->moveFirst();
    // An empty list or an apostrophe fails the find: both count as not found.
    if (!m_dictionary->findForward(kWordColumn, trimBlanks(text)) || m_dictionary->eof())
        return offerAdd();
    m_ui->cmdAddDic->setEnabled(false);
    loadCurrentRow();
}

void DictionaryTab::offerAdd() {
    m_ui->cmdSaveDic->setEnabled(false);
    m_ui->cmdAddDic->setEnabled(true);
    m_ui->cmdClearDic->setEnabled(true);
}

void DictionaryTab::chooseRow() {
    if (m_dictionary->eof()) return;
    loadCurrentRow();
    m_ui->cmdSaveDic->setEnabled(true);
}

// A missing description loads as empty text; the update's condition matches it as such.
void DictionaryTab::loadCurrentRow() {
    const QString word = m_dictionary->field(kWordColumn).toString();
    const QString description = m_dictionary->field(kDescriptionColumn).toString();
    m_ui->txtDicWord->setText(word);
    m_ui->txtDicDes->setPlainText(description);
    m_ui->txtDicWordMem->setText(word);
    m_ui->txtDicDesMem->setText(description);
}

void DictionaryTab::rememberedChanged(const QString& text) {
    if (!text.isEmpty()) m_ui->cmdSaveDic->setEnabled(true);
}

bool DictionaryTab::refuseInput() {
    const QString word = m_ui->txtDicWord->text();
    const QString description = typedDescription();
    if (trimBlanks(word).isEmpty() || trimBlanks(description).isEmpty()) {
        m_platform.prompter.show(QStringLiteral("Please fill-up all necessary fields! Just put N/A "
                                                "or none if you don't have."),
                                 QStringLiteral("Incomplete!"), vbInformation);
        return true;
    }
    return refuseUnstorable(m_platform.prompter, {{QStringLiteral("Word"), word},
                                                  {QStringLiteral("Description"), description}});
}

void DictionaryTab::addWord() {
    if (refuseInput()) return;
    Session& session = m_platform.session;
    // Stored exactly as typed, apostrophes turned into backquotes.
    const Result<int> added = session.execute(
        Statement("INSERT INTO dictionary_tbl(user_num, dict_name, dict_description) VALUES(")
            .number(session.CurrentUser().user_num.toLongLong())
            .sql(", ")
            .escapedText(m_ui->txtDicWord->text())
            .sql(",")
            .escapedText(typedDescription())
            .sql(")"));
    if (!added) return report(added.error());
    m_platform.prompter.show(QStringLiteral("New word has been added!"),
                             QStringLiteral("Successfuly Added!"), vbInformation);
    m_ui->txtDicWord->setFocus();
    reloadAfterChange();
}

void DictionaryTab::saveWord() {
    if (refuseInput()) return;
    const QVariant owner = m_dictionary->field(u"user_num");
    const UserRecord& user = m_platform.session.CurrentUser();
    if ((owner.isValid() && owner.toLongLong() == user.user_num.toLongLong()) ||
        user.isAdministrator())
        return UpdateDictionaryWord(owner.toLongLong());
    m_platform.prompter.show(
        QStringLiteral("Sorry you can't edit this word! Contact the user who stored this word instead!"),
        QStringLiteral("Sorry you can't edit this!"), vbExclamation);
    m_ui->cmdSaveDic->setEnabled(false);
}

// The word keeps its owner. The condition compares with the remembered values exactly as
// loaded, so the row changes only while it still holds them.
void DictionaryTab::UpdateDictionaryWord(qint64 owner) {
    Statement update("UPDATE dictionary_tbl SET dict_name=");
    update.text(trimBlanks(m_ui->txtDicWord->text()))
        .sql(", dict_description=")
        .text(trimBlanks(typedDescription()));
    whereLoadedWord(update, m_ui->txtDicWordMem->text(), m_ui->txtDicDesMem->text())
        .sql(" AND user_num = ")
        .number(owner);
    const Result<int> updated = m_platform.session.execute(update);
    if (!updated) return report(updated.error());
    if (updated.value() == 0) {
        m_platform.prompter.show(
            QStringLiteral("Nothing was updated: this word was changed or removed since it was "
                           "loaded. Please load it again."),
            QStringLiteral("Not Updated!"), vbExclamation);
        return;
    }
    m_platform.prompter.show(QStringLiteral("The database has been updated"),
                             QStringLiteral("Successfuly Updated!"), vbInformation);
    reloadAfterChange();
    m_ui->cmdSaveDic->setEnabled(false);
}

QString DictionaryTab::typedDescription() const {
    return textToStore(m_ui->txtDicDes, m_ui->txtDicDesMem->text());
}

void DictionaryTab::reloadAfterChange() {
    Session& session = m_platform.session;
    session.DbConnection().close();
    RefreshDictionaryGrid();
    session.OpenDatabase();
    clearWord();
}

void DictionaryTab::clearWord() {
    m_ui->txtDicWord->clear();
    m_ui->txtDicDes->clear();
    m_ui->txtDicWordMem->clear();
    m_ui->txtDicDesMem->clear();
}

void DictionaryTab::printWord() {
    printDictionary(m_platform, m_ui->txtDicWordMem->text(), m_ui->txtDicDesMem->text());
}

void DictionaryTab::report(const DbError& error) {
    Prompter& prompter = m_platform.prompter;
    switch (error.number) {
        case kErrSyntax:
            prompter.show(QStringLiteral("Please do not use ' character, their's a conflict in JET "
                                         "Engine used in this project!"),
                          QStringLiteral("Message Alert!"), vbExclamation);
            break;
        case kErrGeneral:
            prompter.show(QStringLiteral("This word, is already stored! Try another name or add "
                                         "(2) on the end of the word!"),
                          QStringLiteral("Already Stored!"), vbInformation);
            break;
        default:
            prompter.show(QString::number(error.number) + QLatin1Char(' ') + error.description,
                          QStringLiteral("Errot Traping"), vbInformation);
    }
}

}  // namespace vemora
