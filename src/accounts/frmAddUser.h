#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class frmAddUser;
}

namespace vemora {

class DataControl;
struct AccountFields;

// The administrator's account list: add, change, delete and an incremental search.
class frmAddUser final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddUser)
public:
    explicit frmAddUser(Platform& platform, QWidget* parent = nullptr);
    ~frmAddUser() override;

private:
    bool administratorPresent(bool tell);
    void RefreshUserGrid();
    void ClearUserFields();
    void chooseSearchField(const QString& text);
    void search(const QString& text);
    void chooseRow();
    void addUser();
    void saveUser();
    void deleteUser();

    std::optional<AccountFields> typedAccount();
    std::optional<qint64> chosenNumber() const;
    void write(const Result<int>& changed, const QString& doneTitle);
    void reportWriteFailure(const DbError& error);
    void setFound(bool found);

    Platform& m_platform;
    std::unique_ptr<Ui::frmAddUser> m_ui;
    DataControl* m_users;
    QString m_SearchField;
};

}  // namespace vemora
