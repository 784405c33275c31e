#include "shell/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "about/frmAbout.h"
#include "accounts/frmAddUser.h"
#include "accounts/frmChangePW.h"
#include "core/Clock.h"
#include "core/LockSettings.h"
#include "core/OptionStore.h"
#include "platform/ColourScheme.h"
#include "platform/ErrorPrompts.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/Shortcuts.h"
#include "platform/Widgets.h"
#include "reports/Print.h"
#include "shell/IdleLock.h"
#include "shell/ShellWindows.h"
#include "shell/frmLock.h"
#include "shell/frmOptions.h"
#include "spelling/Spelling.h"
#include "ui_frmMain.h"
#include "workspace/find/frmFind.h"
#include "workspace/frmTags.h"

namespace vemora {

namespace {

struct Image {
    QStringView key;
    QStringView themeName;
};

// The menu pictures in image-list order.
constexpr Image kImageList[] = {
    {u"MAIN", u"go-home"},
    {u"LOGIN", u"avatar-default"},
    {u"LOGOUT", u"system-log-out"},
    {u"EXIT", u"application-exit"},
    {u"ADDRESS", u"x-office-address-book"},
    {u"PLANNER", u"x-office-calendar"},
    {u"DIARY", u"accessories-text-editor"},
    {u"DICTIONARY", u"accessories-dictionary"},
    {u"ADDUSER", u"system-users"},
    {u"TOOLS", u"applications-utilities"},
    {u"MUSIC", u"applications-multimedia"},
    {u"ABOUT", u"help-about"},
    {u"HELP", u"help-contents"},
    {u"PASSWORD", u"dialog-password"},
    {u"FIND", u"edit-find"},
};

struct MenuIcon {
    QStringView key;
    QStringView menuName;
};

constexpr MenuIcon kMenuIcons[] = {
    {u"LOGIN", u"mnuLogin"}, {u"LOGOUT", u"mnuLogout"},         {u"MAIN", u"mnuMain"},
    {u"EXIT", u"mnuExit"},   {u"ADDRESS", u"mnuAddressBook"},   {u"PLANNER", u"mnuPlanner"},
    {u"DIARY", u"mnuDiary"}, {u"DICTIONARY", u"mnuDictionary"}, {u"MUSIC", u"mnuPlayer"},
    {u"TOOLS", u"mnuTools"}, {u"PASSWORD", u"mnu_changepw"},    {u"ADDUSER", u"mnu_adduser"},
    {u"HELP", u"mnuTopics"}, {u"ABOUT", u"mnuAbout"},           {u"FIND", u"mnuFind"},
};

// Workspace tabs, as the View commands select them.
enum WorkspacePage {
    AddressBookPage = 0,
    PlannerPage = 1,
    DiaryPage = 2,
    DictionaryPage = 3,
    PlayerPage = 4
};

// A single-instance modeless window of its own, owned by the main window so that it goes
// when the program exits.
template <class W>
W* showOwned(QPointer<W>& slot, Platform& platform, QWidget* owner) {
    return showSingle(slot, [&platform, owner] {
        auto* window = new W(platform, owner);
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        return window;
    });
}

}  // namespace

frmMain::frmMain(Platform& platform, ShellWindows& windows, QWidget* parent)
    : QMainWindow(parent),
      m_platform(platform),
      m_windows(windows),
      m_ui(std::make_unique<::Ui::frmMain>()),
      m_date(new QLabel(this)),
      m_time(new QLabel(this)),
      m_user(new QLabel(this)),
      m_clock(new QTimer(this)),
      m_idleLock(new IdleLock(platform, *this)) {
    m_ui->setupUi(this);
    addLockMenu();
    // The size it keeps where nothing maximizes it, such as a screen without a window manager.
    if (const QScreen* where = screen()) resize(where->availableGeometry().size() * 9 / 10);
    setWindowState(Qt::WindowMaximized);
    // Ctrl+A opens the address book from the workspace's text boxes too.
    giveActionShortcutsPriority(this);
    addKeyboardActions();

    for (const Image& image : kImageList) m_images.append(themeIcon(image.themeName.toString()));
    for (const MenuIcon& item : kMenuIcons)
        SetMenuIcon(item.key.toString(), item.menuName.toString());
    m_workspaceIcon = m_images.value(GetIconIndex(QStringLiteral("MAIN")));

    m_date->setObjectName(QStringLiteral("panelDate"));
    m_time->setObjectName(QStringLiteral("panelTime"));
    m_user->setObjectName(QStringLiteral("panelUser"));
    auto* credit = new QLabel(programmerCredit(), this);
    credit->setObjectName(QStringLiteral("panelCredit"));
    for (QLabel* panel : {m_date, m_time, m_user, credit}) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
    }
    m_ui->StatusBar1->addWidget(m_date);
    m_ui->StatusBar1->addWidget(m_time);
    m_ui->StatusBar1->addWidget(m_user);
    m_ui->StatusBar1->addWidget(credit, 1);
    // Shown in the empty window after a log-out.
    m_loggedOut = new QLabel(
        QStringLiteral(
            "You are logged out. To log in again, choose File > Log-in or press Ctrl+I."),
        m_ui->mdiArea->viewport());
    m_loggedOut->setObjectName(QStringLiteral("lblLoggedOut"));
    (new QVBoxLayout(m_ui->mdiArea->viewport()))->addWidget(m_loggedOut, 0, Qt::AlignCenter);
    m_clock->setObjectName(QStringLiteral("clock"));
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmMain::updateClock);
    updateClock();
    m_clock->start();

    connect(m_ui->mnuLogin, &QAction::triggered, this, &frmMain::logIn);
    connect(m_ui->mnuLogout, &QAction::triggered, this, &frmMain::logOut);
    connect(m_ui->mnuMain, &QAction::triggered, this, &frmMain::showWorkspace);
    connect(m_ui->mnuExit, &QAction::triggered, this, &frmMain::close);
    connect(m_ui->mnuAddressBook, &QAction::triggered, this,
            [this] { selectTab(AddressBookPage); });
    connect(m_ui->mnuPlanner, &QAction::triggered, this, [this] { selectTab(PlannerPage); });
    connect(m_ui->mnuDiary, &QAction::triggered, this, [this] { selectTab(DiaryPage); });
    connect(m_ui->mnuDictionary, &QAction::triggered, this, [this] { selectTab(DictionaryPage); });
    connect(m_ui->mnuPlayer, &QAction::triggered, this, [this] { selectTab(PlayerPage); });
    connect(m_ui->mnu_changepw, &QAction::triggered, this,
            [this] { showOwned(m_changePW, m_platform, this); });
    connect(m_ui->mnu_adduser, &QAction::triggered, this,
            [this] { showOwned(m_addUser, m_platform, this); });
    connect(m_ui->mnuFind, &QAction::triggered, this, [this] { showFind({}, false); });
    connect(m_ui->mnuTools, &QAction::triggered, this, &frmMain::showToolsNotice);
    connect(m_ui->mnuTopics, &QAction::triggered, this, &frmMain::showHelp);
    connect(m_ui->mnuAbout, &QAction::triggered, this,
            [this] { showOwned(m_about, m_platform, this); });
    m_ui->mnuImport->setIcon(themeIcon(QStringLiteral("document-open")));
    m_ui->mnuExport->setIcon(themeIcon(QStringLiteral("document-save-as")));
    connect(m_ui->mnuImport, &QAction::triggered, this, [this] {
        if (m_workspace) workspace()->importFile();
    });
    connect(m_ui->mnuExport, &QAction::triggered, this, [this] {
        if (m_workspace) workspace()->exportFile();
    });

    addLookMenus();
    setMenuState(MenuState::LoggedOut);
}

frmMain::~frmMain() {
    // The menu goes before the workspace window does.
    if (m_workspace) disconnect(m_workspace, nullptr, this, nullptr);
}

int frmMain::GetIconIndex(const QString& key) const {
    for (std::size_t i = 0; i < std::size(kImageList); ++i)
        if (kImageList[i].key == key) return int(i);
    return -1;
}

void frmMain::SetMenuIcon(const QString& key, const QString& menuName) {
    const int index = GetIconIndex(key);
    if (auto* item = findChild<QAction*>(menuName); item && index >= 0)
        item->setIcon(m_images.at(index));
}

void frmMain::setMenuState(MenuState state) {
    const bool loggedIn = state != MenuState::LoggedOut;
    m_ui->mnuLogin->setEnabled(!loggedIn);
    m_ui->mnuLogout->setEnabled(loggedIn);
    m_ui->mnuMain->setEnabled(loggedIn);
    // Items of a disabled menu ignore their shortcuts as well.
    m_ui->mnuView->setEnabled(loggedIn);
    m_ui->mnuAdmin->setEnabled(state == MenuState::Administrator);
    m_lock->setEnabled(loggedIn);
    m_myOptions->setEnabled(loggedIn);
    m_idleLock->setActive(loggedIn);
    const UserRecord& user = m_platform.session.CurrentUser();
    m_user->setText(loggedIn ? user.name.toString() + QStringLiteral(" (") +
                                   user.user_name.toString() + QLatin1Char(')')
                             : QStringLiteral("Not logged in"));
    m_loggedOut->setVisible(!loggedIn);
    updateTransferMenu(m_workspace != nullptr);
}

// Keys with no menu item: they live on the window, so its boxes do not keep them.
void frmMain::addKeyboardActions() {
    const auto add = [this](const char* name, QList<QKeySequence> keys, auto run) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, run);
    };
    add("actMenuBar", {QKeySequence(Qt::Key_F10)}, [this] {
        const QList<QAction*> menus = m_ui->menubar->actions();
        const auto first = std::find_if(menus.begin(), menus.end(),
                                        [](QAction* menu) { return menu->isEnabled(); });
        if (first != menus.end()) m_ui->menubar->setActiveAction(*first);
    });
    // Ctrl+Shift+Tab reaches the window as Ctrl+Shift+Backtab.
    add("actNextTab",
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
        [this] { stepTab(1); });
    add("actPreviousTab",
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
        [this] { stepTab(-1); });
}

void frmMain::stepTab(int step) {
    if (!m_workspace || !m_workspace->isVisible() || !m_ui->mnuView->isEnabled()) return;
    QTabWidget* tabs = workspace()->tabMenu();
    tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count());
}

// File > Lock after Log-out, File > Options after Main for every user, and Admin > Options
// (the same window) for the administrator.
void frmMain::addLockMenu() {
    m_lock =
        new QAction(themeIcon(QStringLiteral("system-lock-screen")), QStringLiteral("&Lock"), this);
    m_lock->setObjectName(QStringLiteral("mnuLock"));
    m_lock->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    const QList<QAction*> file = m_ui->mnu_file->actions();
    const qsizetype after = file.indexOf(m_ui->mnuLogout);
    m_ui->mnu_file->insertAction(file.value(after + 1), m_lock);
    connect(m_lock, &QAction::triggered, m_idleLock, &IdleLock::lock);
    // What was typed is kept before the windows hide, and before another user takes over.
    const auto keepDrafts = [this] {
        if (m_workspace) workspace()->keepDrafts();
    };
    connect(m_idleLock, &IdleLock::aboutToLock, this, keepDrafts);
    connect(m_idleLock, &IdleLock::aboutToSwitchUser, this, keepDrafts);

    const QIcon options = themeIcon(QStringLiteral("preferences-system"));
    m_myOptions = new QAction(options, QStringLiteral("O&ptions..."), this);
    m_myOptions->setObjectName(QStringLiteral("mnuMyOptions"));
    m_ui->mnu_file->insertAction(file.value(file.indexOf(m_ui->mnuMain) + 1), m_myOptions);
    connect(m_myOptions, &QAction::triggered, this, &frmMain::showOptions);
    auto* adminOptions = new QAction(options, QStringLiteral("&Options..."), this);
    adminOptions->setObjectName(QStringLiteral("mnuOptions"));
    m_ui->mnuAdmin->insertAction(m_ui->mnuAdmin->actions().value(1), adminOptions);
    connect(adminOptions, &QAction::triggered, this, &frmMain::showOptions);
}

void frmMain::showOptions() {
    showSingle(m_options, [this] {
        auto* window = new frmOptions(m_platform, this);
        connect(window, &frmOptions::saved, this, [this](const LockDelays& delays) {
            m_idleLock->setDelay(std::chrono::minutes(delays.effective()));
        });
        return window;
    });
}

void frmMain::applyLockDelay() {
    const qint64 user = m_platform.session.CurrentUser().user_num.toLongLong();
    const Result<LockDelays> delays = LockSettings(m_platform.session.database()).read(user);
    // Settings that cannot be read leave the lock on, at the usual delay.
    m_idleLock->setDelay(
        std::chrono::minutes(delays ? delays.value().effective() : LockSettings::kDefaultMinutes));
}

void frmMain::updateTransferMenu(bool workspaceShown) {
    const bool usable =
        workspaceShown && m_ui->mnuLogout->isEnabled() && m_platform.transfer != nullptr;
    m_ui->mnuImport->setEnabled(usable);
    m_ui->mnuExport->setEnabled(usable);
}

void frmMain::updateClock() {
    const QDateTime now = currentDateTime();
    const QLocale locale;
    m_date->setText(shortDate(now.date()));
    m_time->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

frmTags* frmMain::workspace() {
    if (!m_workspace) {
        auto* tags = new frmTags(m_platform);
        m_workspace = m_ui->mdiArea->addSubWindow(tags);
        m_workspace->setAttribute(Qt::WA_DeleteOnClose);
        m_workspace->setWindowIcon(m_workspaceIcon);
        tags->load();
        m_workspace->showMaximized();
        connect(m_workspace, &QObject::destroyed, this, [this] { updateTransferMenu(false); });
        connect(tags, &frmTags::findRequested, this, &frmMain::showFind);
        updateTransferMenu(true);
    }
    return static_cast<frmTags*>(m_workspace->widget());
}

void frmMain::showWorkspace() {
    workspace();
    m_workspace->show();
    m_ui->mdiArea->setActiveSubWindow(m_workspace);
}

void frmMain::selectTab(int index) {
    workspace()->tabMenu()->setCurrentIndex(index);
}

void frmMain::closeWorkspace() {
    if (!m_workspace) return;
    m_workspace->close();
    // At once, so that a log-in right after gets a freshly loaded workspace.
    delete m_workspace;
}

void frmMain::logIn() {
    m_platform.session.OpenDatabase();
    m_windows.showLogin();
}

void frmMain::logOut() {
    // Whatever the answer, the typed text is kept.
    if (m_workspace) workspace()->keepDrafts();
    if (m_platform.prompter.show(QStringLiteral("Are you sure you want to Log-out?"),
                                 QStringLiteral("Are you sure?"),
                                 vbQuestion | vbYesNo) != Answer::Yes)
        return;
    endSession();
    setMenuState(MenuState::LoggedOut);
    // Nobody is logged in: the desktop's scheme, and nothing checked.
    showColourScheme(ColourScheme::System);
    if (m_platform.spelling) (void)m_platform.spelling->setUser(std::nullopt);
    m_platform.session.DbConnection().close();
}

void frmMain::switchUser() {
    endSession();
    setMenuState(MenuState::LoggedOut);
    m_platform.session.DbConnection().close();
    show();
    logIn();
}

void frmMain::startSession(MenuState state) {
    endSession();
    setMenuState(state);
    // The user's look and language before any of their windows is made. What cannot be read
    // leaves the defaults: neither is worth stopping the log-in for.
    const qint64 user = m_platform.session.CurrentUser().user_num.toLongLong();
    const Result<std::optional<QString>> scheme =
        OptionStore(m_platform.session.database()).value(user, kColourSchemeOption.toString());
    showColourScheme(colourSchemeFromValue(scheme ? scheme.value() : std::nullopt));
    if (m_platform.spelling) (void)m_platform.spelling->setUser(user);
    fillLanguageMenu();
    applyLockDelay();
    showWorkspace();
}

void frmMain::addLookMenus() {
    QMenu* view = m_ui->mnuView;
    view->addSeparator();
    QMenu* schemes = view->addMenu(QStringLiteral("Colour &Scheme"));
    schemes->setObjectName(QStringLiteral("mnuColourScheme"));
    schemes->setIcon(themeIcon(QStringLiteral("preferences-desktop-theme")));
    auto* schemeGroup = new QActionGroup(schemes);
    struct Choice {
        ColourScheme scheme;
        QString text;
        QString name;
    };
    const Choice choices[] = {
        {ColourScheme::System, QStringLiteral("&System"), QStringLiteral("mnuSchemeSystem")},
        {ColourScheme::Light, QStringLiteral("&Light"), QStringLiteral("mnuSchemeLight")},
        {ColourScheme::Dark, QStringLiteral("&Dark"), QStringLiteral("mnuSchemeDark")},
    };
    for (const Choice& choice : choices) {
        QAction* item = schemes->addAction(choice.text);
        item->setObjectName(choice.name);
        item->setCheckable(true);
        item->setData(int(choice.scheme));
        schemeGroup->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, scheme = choice.scheme] { chooseColourScheme(scheme); });
    }
    QMenu* languages = view->addMenu(QStringLiteral("Spelling &Language"));
    languages->setObjectName(QStringLiteral("mnuSpellingLanguage"));
    languages->setIcon(themeIcon(QStringLiteral("tools-check-spelling")));
    fillLanguageMenu();
}

void frmMain::showColourScheme(ColourScheme scheme) {
    applyColourScheme(scheme);
    for (QAction* item : findChild<QMenu*>(QStringLiteral("mnuColourScheme"))->actions())
        item->setChecked(item->data().toInt() == int(scheme));
}

void frmMain::chooseColourScheme(ColourScheme scheme) {
    showColourScheme(scheme);
    const Status kept = OptionStore(m_platform.session.database())
                            .set(m_platform.session.CurrentUser().user_num.toLongLong(),
                                 kColourSchemeOption.toString(), colourSchemeValue(scheme));
    if (!kept) showTrappedError(m_platform.prompter, kept.error(), TrapWording::Record);
}

void frmMain::fillLanguageMenu() {
    auto* menu = findChild<QMenu*>(QStringLiteral("mnuSpellingLanguage"));
    qDeleteAll(menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    menu->clear();
    Spelling* spelling = m_platform.spelling;
    const QStringList installed = spelling ? spelling->languages() : QStringList();
    auto* group = new QActionGroup(menu);
    const auto add = [this, menu, group, spelling](const QString& text, const QString& name) {
        QAction* item = menu->addAction(text);
        item->setObjectName(QStringLiteral("mnuLanguage_") +
                            (name.isEmpty() ? QStringLiteral("none") : name));
        item->setCheckable(true);
        item->setChecked(spelling && spelling->language() == name);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, spelling, name] {
            const Status kept = spelling->setLanguage(name);
            if (!kept) showTrappedError(m_platform.prompter, kept.error(), TrapWording::Record);
        });
    };
    add(QStringLiteral("&None"), {});
    if (installed.isEmpty()) {
        QAction* none = menu->addAction(QStringLiteral("No dictionary is installed"));
        none->setEnabled(false);
        menu->actions().constFirst()->setEnabled(false);
        return;
    }
    menu->addSeparator();
    for (const QString& name : installed)
        add(QStringLiteral("%1 [%2]").arg(dictionaryTitle(name), name), name);
}

// Nothing of the user who leaves stays on screen for the next one: every window of the
// session goes, with whatever was opened from it.
void frmMain::endSession() {
    closeWorkspace();
    closeReportPreviews();
    delete m_addUser;
    delete m_changePW;
    delete m_about;
    delete m_find;
    delete m_options;
}

void frmMain::showFind(QDate day, bool onThisDay) {
    frmFind* find = showSingle(m_find, [this] {
        auto* window = new frmFind(m_platform, this);
        connect(window, &frmFind::dayChosen, this, [this](QDate chosen, SearchPlace place) {
            showWorkspace();
            workspace()->showDay(chosen, place);
            activateWindow();
        });
        return window;
    });
    find->setDay(day);
    if (onThisDay) find->showOnThisDay();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The program ends without asking; the typed text stays as drafts.
    if (m_workspace) workspace()->keepDrafts();
    // Previews are windows of their own; the program ends only when they are gone too.
    closeReportPreviews();
    QMainWindow::closeEvent(event);
}

void frmMain::showToolsNotice() {
    m_platform.prompter.show(
        QStringLiteral("Please close this application and open the Tool program at\r\n"
                       "Start/Programs/Kelvo's Vemora v1.0/Kelvo's Vemora Tools!"),
        QStringLiteral("Information"), vbInformation);
}

void frmMain::showHelp() {
    const QString page =
        QDir(m_platform.session.programDirectory()).filePath(QStringLiteral("help/help.htm"));
    if (QFileInfo::exists(page) && m_platform.shell.openDocument(page)) return;
    const QString where = QDir::toNativeSeparators(page);
    m_platform.prompter.show(
        QFileInfo::exists(page)
            ? QStringLiteral("No program could open the help page. You can open it yourself "
                             "in a web browser: %1")
                  .arg(where)
            : QStringLiteral("The help page is missing. It belongs at %1").arg(where),
        QStringLiteral("Help Topics"), vbInformation);
}

}  // namespace vemora
