#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

#include <memory>

namespace vemora {

namespace Ui {
class DictionaryTab;
}

class DataControl;

// The shared word list: grid, incremental search, and the add / save / clear commands.
class DictionaryTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DictionaryTab)
public:
    explicit DictionaryTab(Platform& platform, QWidget* parent = nullptr);
    ~DictionaryTab() override;

    // Re-reads every word into the grid; a failure leaves it empty without a message.
    void RefreshDictionaryGrid();
    // The grid's hidden data control; the workspace gives it the connection string.
    DataControl& ADO_Dictionary() { return *m_dictionary; }

private:
    void searchWord();
    void chooseRow();
    void rememberedChanged(const QString& text);
    void addWord();
    void saveWord();
    void UpdateDictionaryWord(qint64 owner);
    void clearWord();
    void printWord();

    void offerAdd();
    void loadCurrentRow();
    // Whether the word or its description is blank or cannot be stored exactly; says so.
    bool refuseInput();
    // The description to store: the loaded one, exactly, while the box shows it unchanged.
    QString typedDescription() const;
    void reloadAfterChange();
    void report(const DbError& error);

    Platform& m_platform;
    std::unique_ptr<Ui::DictionaryTab> m_ui;
    DataControl* m_dictionary;
};

}  // namespace vemora
