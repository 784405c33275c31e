#include "workspace/dictionary/DictionaryTab.h"
#include "data/Logging.h"

#include "ui_DictionaryTab.h"

#include "core/WordStore.h"
#include "data/DataControl.h"
#include "data/Encoding.h"
#include "data/Schema.h"
#include "platform/ErrorPrompts.h"
#include "platform/ExactText.h"
#include "platform/GridBinding.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/SpellingBoxes.h"
#include "platform/Widgets.h"
#include "reports/Print.h"
#include "workspace/DraftKeeper.h"

#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>

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
    m_ui->txtDicWord->setMaxLength(kDictionaryColumns[1].maxLength);
    m_dictionary->setObjectName(QStringLiteral("ADO_Dictionary"));
    m_dictionary->setRecordSource(WordStore::listing());

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
    // Every word takes one line: the list measures one word, not each of a million.
    if (auto* list = qobject_cast<QListView*>(search->view())) list->setUniformItemSizes(true);
    keepWholeCharacters(this);
    if (m_platform.spelling)
        checkSpelling(m_ui->txtDicDes, *m_platform.spelling, m_platform.prompter);

    auto* binding =
        new GridBinding(m_ui->DataGridDic, m_dictionary,
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

    m_drafts =
        new DraftKeeper(platform,
                        {.kind = DraftKind::Word,
                         .typed =
                             [this] {
                                 return QStringList{m_ui->txtDicWord->text(), typedDescription()};
                             },
                         .put =
                             [this](const QStringList& texts) {
                                 m_ui->txtDicWord->setText(texts.value(0));
                                 m_ui->txtDicDes->setPlainText(texts.value(1));
                             },
                         .labels = {QStringLiteral("Word"), QStringLiteral("Description")}},
                        this);
    m_drafts->watch(m_ui->txtDicWord);
    m_drafts->watch(m_ui->txtDicDes);
}

void DictionaryTab::keepDraft() {
    m_drafts->keep();
}

void DictionaryTab::offerNewWordDraft() {
    m_drafts->shown(DraftKeeper::newRecordKey(), QStringLiteral("a new word"),
                    {m_ui->txtDicWord->text(), typedDescription()});
}

DictionaryTab::~DictionaryTab() = default;

void DictionaryTab::RefreshDictionaryGrid() {
    // A failed refresh holds no rows; the grid follows through the model.
    logDropped(logWindows(), "reading the dictionary", m_dictionary->refresh());
}

void DictionaryTab::StartDictionaryRead() {
    m_dictionary->startRefresh();
}

Status DictionaryTab::FinishDictionaryRead() {
    return m_dictionary->finishRefresh();
}

void DictionaryTab::FillSearchList() {
    QComboBox* search = m_ui->cmboDicSearch;
    // A new model selects its first word; the list only offers the words, so nothing is
    // selected and no search runs.
    const QSignalBlocker quiet(search);
    const Recordset& rows = m_dictionary->recordset();
    const int column = rows.columnIndex(kWordColumn);
    search->setModel(
        new ColumnListModel(column < 0 ? ColumnValues() : rows.values(column), search));
    search->setCurrentIndex(-1);
}

// Keeps the grid's selection on the data control's current row.
void DictionaryTab::searchWord() {
    const QString text = m_ui->cmboDicSearch->currentText();
    if (text.isEmpty()) return offerAdd();
    // An empty list or an apostrophe fails the find: both count as not found.
    if (!m_dictionary->findFromFirst(kWordColumn, trimBlanks(text)) || m_dictionary->eof())
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
    m_drafts->keep();
    m_ui->txtDicWord->setText(word);
    m_ui->txtDicDes->setPlainText(description);
    m_ui->txtDicWordMem->setText(word);
    m_ui->txtDicDesMem->setText(description);
    m_drafts->shown(word, QStringLiteral("the word ") + word, {word, description});
}

void DictionaryTab::rememberedChanged(const QString& text) {
    if (!text.isEmpty()) m_ui->cmdSaveDic->setEnabled(true);
}

void DictionaryTab::addWord() {
    Session& session = m_platform.session;
    const QString word = m_ui->txtDicWord->text();
    m_dictionary->beginChange(session.DbConnection());
    const Result<Change> added =
        WordStore(session.database())
            .add(session.CurrentUser().user_num.toLongLong(), word, typedDescription());
    if (!answered(added)) return;
    m_drafts->stored();
    m_platform.prompter.show(QStringLiteral("New word has been added!"),
                             QStringLiteral("Successfuly Added!"), vbInformation);
    m_ui->txtDicWord->setFocus();
    reloadAfterChange({WordStore::addedWord(word)});
}

// The word keeps its owner, and changes only while its row still holds the texts as loaded.
void DictionaryTab::saveWord() {
    const QVariant owner = m_dictionary->field(u"user_num");
    const LoadedWord loaded{m_ui->txtDicWordMem->text(), m_ui->txtDicDesMem->text(),
                            owner.isValid() ? std::optional(owner.toLongLong()) : std::nullopt};
    Session& session = m_platform.session;
    const QString word = m_ui->txtDicWord->text();
    m_dictionary->beginChange(session.DbConnection());
    const Result<Change> saved =
        WordStore(session.database())
            .save(session.CurrentUser().user_num.toLongLong(), loaded, word, typedDescription());
    if (!answered(saved)) return;
    m_drafts->stored();
    m_platform.prompter.show(QStringLiteral("The database has been updated"),
                             QStringLiteral("Successfuly Updated!"), vbInformation);
    reloadAfterChange({loaded.word, WordStore::savedWord(word)});
    m_ui->cmdSaveDic->setEnabled(false);
}

QString DictionaryTab::typedDescription() const {
    return textToStore(m_ui->txtDicDes, m_ui->txtDicDesMem->text());
}

// The grid re-reads while the shared connection that made the change is still open, so that it
// can tell whether that connection was the only writer.
void DictionaryTab::reloadAfterChange(const QStringList& words) {
    Session& session = m_platform.session;
    logDropped(logWindows(), "re-reading the dictionary",
               m_dictionary->refreshAfter(session.DbConnection(), WordStore::changedRows(words)));
    session.DbConnection().close();
    session.OpenDatabase();
    clearWord();
}

void DictionaryTab::clearWord() {
    m_drafts->keep();
    m_ui->txtDicWord->clear();
    m_ui->txtDicDes->clear();
    m_ui->txtDicWordMem->clear();
    m_ui->txtDicDesMem->clear();
    offerNewWordDraft();
}

void DictionaryTab::printWord() {
    printDictionary(m_platform, m_ui->txtDicWordMem->text(), m_ui->txtDicDesMem->text());
}

bool DictionaryTab::answered(const Result<Change>& change) {
    Prompter& prompter = m_platform.prompter;
    if (!change) {
        reportTrapped(prompter, change.error(), TrapWording::Record);
        return false;
    }
    switch (change.value().refusal) {
        case Refusal::None:
            return true;
        case Refusal::Incomplete:
            prompter.show(QStringLiteral("Please fill-up all necessary fields! Just put N/A or "
                                         "none if you don't have."),
                          QStringLiteral("Incomplete!"), vbInformation);
            break;
        case Refusal::Unstorable:
            showUnstorable(prompter, change.value().field == 0 ? QStringLiteral("Word")
                                                               : QStringLiteral("Description"));
            break;
        case Refusal::TooLong:
            showTooLong(prompter, QStringLiteral("Word"), kDictionaryColumns[1].maxLength);
            break;
        case Refusal::Taken:
            prompter.show(QStringLiteral("This word, is already stored! Try another name or add "
                                         "(2) on the end of the word!"),
                          QStringLiteral("Already Stored!"), vbInformation);
            break;
        case Refusal::NotOwner:
            prompter.show(QStringLiteral("Sorry you can't edit this word! Contact the user who "
                                         "stored this word instead!"),
                          QStringLiteral("Sorry you can't edit this!"), vbExclamation);
            m_ui->cmdSaveDic->setEnabled(false);
            break;
        case Refusal::Gone:
            prompter.show(QStringLiteral("Nothing was updated: this word was changed or removed "
                                         "since it was loaded. Please load it again."),
                          QStringLiteral("Not Updated!"), vbExclamation);
            break;
    }
    return false;
}

}  // namespace vemora
