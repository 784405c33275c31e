#pragma once

#include "core/ContactStore.h"
#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

#include <memory>
#include <optional>

class QLineEdit;

namespace Ui {
class AddressBookTab;
}

namespace vemora {

class DataControl;
class DraftKeeper;

// The logged-in user's contacts: a grid over the data control Ado_Addressbook, the nine edit
// fields, an incremental search, and Add, Save, Clear, Delete and Print.
class AddressBookTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressBookTab)
public:
    explicit AddressBookTab(Platform& platform, QWidget* parent = nullptr);
    ~AddressBookTab() override;

    // Appends the search-list entries to cmbo_Search.
    void FillSearchFields();
    // Re-reads the user's contacts into the grid; ends silently on error.
    void LoadAddressBook();

    // Writes what was typed and not saved as the user's draft of the contact shown.
    void keepDraft();
    // Offers the user's draft of a new contact; once the tab is loaded.
    void offerNewContactDraft();

    // The names of the contact loaded from the grid, if any.
    std::optional<ContactNames> loadedContact() const;

    // The addressbook_tbl column the search looks in.
    const QString& SearchField() const { return m_searchField; }
    void setSearchField(const QString& column) { m_searchField = column; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Empties the fields and the search box; the Clear button, and the end of every change.
    void Clear();
    void chooseSearchField();
    void searchTextChanged();
    void chooseRow();
    void addContact();
    void saveContact();
    void deleteContact();
    void printContact();

    ContactStore store();
    QStringList typedTexts() const;
    ContactNames loadedNames() const;
    // Whether the store made the change; says why not when it did not.
    bool answered(const Result<Change>& change);
    // After a change to the remembered contact: reloads and clears, or says why not.
    void finishChange(const Result<Change>& change, bool announce,
                      const QList<ContactNames>& contacts);
    // Re-read the grid after a change to the contacts of these names, close the shared
    // connection, reopen it.
    void reloadAfterChange(const QList<ContactNames>& contacts);
    void tell(const QString& text, const QString& title, int style);
    void tellUpdated();
    // Buttons after a search: a find disables Add and Clear, no find disables Save and Delete.
    void applySearchResult(bool found);

    qint64 userNum() const;
    QList<QLineEdit*> contactFields() const;
    void fitColumns();

    std::unique_ptr<::Ui::AddressBookTab> m_ui;
    Platform& m_platform;
    DataControl* m_ado;
    QString m_searchField;
    DraftKeeper* m_drafts;
};

}  // namespace vemora
