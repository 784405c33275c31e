#pragma once

#include "platform/Platform.h"
#include "platform/Session.h"
#include "support/ScriptedPrompter.h"
#include "support/ScriptedRegistry.h"
#include "support/ScriptedSeams.h"

#include <QTemporaryDir>

namespace vemora::test {

// A program directory of its own holding a freshly delivered journey.mdb.
class TempDatabase {
public:
    TempDatabase();
    QString directory() const { return m_dir.path(); }
    QString path() const;

private:
    QTemporaryDir m_dir;
};

// A session over a fresh database with scripted seams. Nothing is opened until asked.
class TestPlatform {
public:
    TestPlatform();

    TempDatabase database;
    ScriptedPrompter prompter;
    ScriptedFileDialogs files;
    RecordingShell shell;
    ScriptedRegistry registry;
    ScriptedTransferDialogs transfer;
    Session session;
    Platform platform;

    // Opens the database and logs the account in as CurrentUser.
    void loginAs(int userNum);
    // Adds an account straight into the database; yields its user_num.
    int addUser(const QString& userName, const QString& password, const QString& name);
    // Runs a statement on a connection of its own and fails the test on error.
    Recordset query(const class Statement& statement);
    int count(const QString& table);
};

}  // namespace vemora::test
