#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include "data/SearchText.h"

#include <QDate>
#include <QWidget>

#include <memory>

class QTabWidget;

namespace Ui {
class frmTags;
}

namespace vemora {

class AddressBookTab;
class PlannerTab;
class DiaryTab;
class DictionaryTab;
class PlayerTab;

// The workspace: one tab per module, inside the main window.
class frmTags final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmTags)
public:
    explicit frmTags(Platform& platform, QWidget* parent = nullptr);
    ~frmTags() override;

    // Runs the load sequence; called once, right after construction.
    void load();
    QTabWidget* tabMenu() const;

    // The File menu's Import... and Export... for the current tab; the player's are its own
    // Open Playlist and Save Playlist.
    void importFile();
    void exportFile();

    // Shows the day in the tab that holds the place: the diary, or the planner.
    void showDay(QDate day, SearchPlace place);

    // Writes what was typed in every tab and not saved as the user's drafts, now.
    void keepDrafts();

protected:
    void closeEvent(QCloseEvent* event) override;

signals:
    // The diary or the planner asked for the Find window, with its day.
    void findRequested(QDate day, bool onThisDay);

private:
    Status runLoadSequence();
    void focusTabControl(int index);
    // A control of one of the tabs, or null when that tab does not have it.
    template <class T>
    T* control(const QString& name) const;

    std::unique_ptr<::Ui::frmTags> m_ui;
    Platform& m_platform;
    AddressBookTab* m_addressBook;
    PlannerTab* m_planner;
    DiaryTab* m_diary;
    DictionaryTab* m_dictionary;
    PlayerTab* m_player;
};

}  // namespace vemora
