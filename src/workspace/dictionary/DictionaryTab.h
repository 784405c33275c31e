#pragma once

#include "core/Change.h"
#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

#include <memory>

namespace vemora {

namespace Ui {
class DictionaryTab;
}

class DataControl;
class DraftKeeper;

// The shared word list: grid, incremental search, and the add / save / clear commands.
class DictionaryTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DictionaryTab)
public:
    explicit DictionaryTab(Platform& platform, QWidget* parent = nullptr);
    ~DictionaryTab() override;

    // Re-reads every word into the grid; a failure leaves it empty without a message.
    void RefreshDictionaryGrid();
    // The same in two halves: the words are read in a worker thread between them. A failed
    // read leaves the grid empty and is returned.
    void StartDictionaryRead();
    Status FinishDictionaryRead();
    // Offers the grid's words in the search list, selecting none.
    void FillSearchList();
    // Writes what was typed and not saved as the user's draft of the word shown.
    void keepDraft();
    // Offers the user's draft of a new word; once the tab is loaded.
    void offerNewWordDraft();
    // The grid's hidden data control; the workspace gives it the connection string.
    DataControl& ADO_Dictionary() { return *m_dictionary; }

private:
    void searchWord();
    void chooseRow();
    void rememberedChanged(const QString& text);
    void addWord();
    void saveWord();
    void clearWord();
    void printWord();

    void offerAdd();
    void loadCurrentRow();
    // The description to store: the loaded one, exactly, while the box shows it unchanged.
    QString typedDescription() const;
    // Re-read the grid after a change to these words, close the shared connection, reopen it.
    void reloadAfterChange(const QStringList& words);
    // Whether the store made the change; says why not when it did not.
    bool answered(const Result<Change>& change);

    Platform& m_platform;
    std::unique_ptr<Ui::DictionaryTab> m_ui;
    DataControl* m_dictionary;
    DraftKeeper* m_drafts;
};

}  // namespace vemora
