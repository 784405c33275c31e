#pragma once

#include <QDate>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "platform/ColourScheme.h"
#include "platform/Platform.h"

class QLabel;
class QMdiSubWindow;
class QTimer;
namespace Ui {
class frmMain;
}

namespace vemora {

class ShellWindows;
class frmTags;
class frmAddUser;
class frmChangePW;
class frmAbout;
class frmFind;
class IdleLock;
class frmOptions;

// Which menus are usable follows from who is logged in.
enum class MenuState { LoggedOut, User, Administrator };

// The organizer's main window: menus, status bar, and the workspace as its child window.
class frmMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)
public:
    frmMain(Platform& platform, ShellWindows& windows, QWidget* parent = nullptr);
    ~frmMain() override;

    void setMenuState(MenuState state);
    // A log-in: whatever the previous session left is closed, then the menus follow the new
    // user and the workspace is shown.
    void startSession(MenuState state);
    // Shows the workspace, loading it first when it is not loaded.
    void showWorkspace();
    // The status bar's clock, run every second.
    void updateClock();
    IdleLock* idleLock() const { return m_idleLock; }
    // From the lock window: the locked session ends and the log-in is shown for someone else.
    void switchUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Index of the image with that key in the image list, counted from 0; -1 for none.
    int GetIconIndex(const QString& key) const;
    void SetMenuIcon(const QString& key, const QString& menuName);

    frmTags* workspace();
    void selectTab(int index);
    void addKeyboardActions();
    // The next (1) or previous (-1) workspace tab, round the end.
    void stepTab(int step);
    void closeWorkspace();
    void logIn();
    void logOut();
    void endSession();
    void showToolsNotice();
    void showHelp();
    // The Find window, looking back from `day` for "On this day" when it is valid.
    void showFind(QDate day, bool onThisDay);
    // View's colour scheme and spelling language submenus.
    void addLookMenus();
    // Applies the scheme and ticks it in the menu.
    void showColourScheme(ColourScheme scheme);
    // The user's choice from the menu, kept as their option.
    void chooseColourScheme(ColourScheme scheme);
    // The installed dictionaries, the user's one ticked.
    void fillLanguageMenu();
    // Import... and Export... act on the workspace's tabs while it is shown.
    void updateTransferMenu(bool workspaceShown);
    void addLockMenu();
    void showOptions();
    // The lock delay that applies to the user logged in, read from the database.
    void applyLockDelay();

    Platform& m_platform;
    ShellWindows& m_windows;
    std::unique_ptr<::Ui::frmMain> m_ui;
    QList<QIcon> m_images;
    QIcon m_workspaceIcon;
    QPointer<QMdiSubWindow> m_workspace;
    QPointer<frmAddUser> m_addUser;
    QPointer<frmChangePW> m_changePW;
    QPointer<frmAbout> m_about;
    QPointer<frmFind> m_find;
    QPointer<frmOptions> m_options;
    QLabel* m_date;
    QLabel* m_time;
    QLabel* m_user;
    QLabel* m_loggedOut;
    QTimer* m_clock;
    IdleLock* m_idleLock;
    QAction* m_lock = nullptr;
    QAction* m_myOptions = nullptr;
};

}  // namespace vemora
