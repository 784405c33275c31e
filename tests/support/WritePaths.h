#pragma once

#include "data/Recordset.h"
#include "platform/Platform.h"
#include "platform/Session.h"
#include "support/ScriptedPrompter.h"
#include "support/ScriptedRegistry.h"
#include "support/ScriptedSeams.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace vemora {
class Connection;
class frmTags;
class Statement;
}  // namespace vemora

namespace vemora::test {

// The administrator's organizer over the database of a program directory: the workspace shown,
// scripted seams. Drives every write of the organizer through its windows, as a user would.
class Desk final {
    Q_DISABLE_COPY_MOVE(Desk)
public:
    explicit Desk(const QString& directory);
    ~Desk();

    // Runs a statement on a connection of its own; an error yields no rows.
    Recordset query(const Statement& statement) const;
    // Every row of every table, one text per row, in a fixed order.
    QStringList snapshot() const;
    // PRAGMA integrity_check's verdict.
    QString integrity() const;

    template <class T>
    static T* find(QWidget* window, const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // Chooses the grid row showing `key` in one of its cells; false when none does.
    bool chooseRow(QWidget* window, const char* grid, const QString& key) const;
    // Sets a text box, combo box or plain-text box as typing would, and clicks a button.
    static void put(QWidget* window, const char* name, const QString& text);
    static void click(QWidget* window, const char* button);
    // The account window and the change-password window, each opened afresh.
    QWidget* newAccountWindow();
    QWidget* newPasswordWindow();

    QString directory;
    ScriptedPrompter prompter;
    ScriptedFileDialogs files;
    RecordingShell shell;
    ScriptedRegistry registry;
    Session session;
    Platform platform;
    std::unique_ptr<frmTags> workspace;

private:
    // On a server, where each connection starts a process, the reads share one.
    mutable std::unique_ptr<Connection> m_serverReader;
};

// One write of the organizer. `token` makes each run's values its own.
struct WritePath {
    const char* name;
    // Brings the database and the windows to where the write starts; writes nothing through
    // the window under test.
    void (*prepare)(Desk& desk, const QString& token);
    // The user's clicks.
    void (*act)(Desk& desk, const QString& token);
    // Whether what the write stored is there, read from the database or the file of the
    // program directory.
    bool (*stored)(const QString& directory, const QString& token);
    // What the window says when the write is done; empty when it says nothing.
    const char* doneText;
};

const QList<WritePath>& writePaths();

// Runs a statement on a connection of its own to the database of the program directory; an
// error yields no rows.
Recordset queryIn(const QString& directory, const Statement& statement);
// The first value of the statement's first row, empty when there is none.
QString firstRow(const QString& directory, const char* sql);
// The rows some write left half made: every write sets all the texts of its row to one token.
int halfMadeRows(const QString& directory);

// True when the window reported the write as done: its done text shown, or for silent writes
// nothing but the question before it.
bool reportedDone(const Desk& desk, const WritePath& path);

}  // namespace vemora::test
