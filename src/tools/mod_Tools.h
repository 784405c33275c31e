#pragma once

#include "core/Database.h"

#include <QString>

#include <functional>

namespace vemora {

class FileDialogs;
class Prompter;

// The maintenance tool's data state: its one connection, and the log-in query's text and rows.
// Unlike the organizer's session it has no report connection, no current user, and holds no
// lock: the compaction takes it while it works.
class mod_Tools final {
    Q_DISABLE_COPY_MOVE(mod_Tools)
public:
    mod_Tools(QString programDirectory, Prompter& prompter);

    const QString& ConnectionString() const { return m_database.ConnectionString(); }
    Connection& DbConnection() { return m_database.DbConnection(); }
    Recordset& DbRecordset() { return m_database.DbRecordset(); }
    QString& SqlText() { return m_database.SqlText(); }
    Database& database() { return m_database; }
    // The program directory's journey.mdb, the file the tool compacts and replaces.
    QString workingDatabase() const { return m_database.filePath(); }
    // The server the organizers work on, when they use one instead of the file.
    std::optional<ServerAddress> server() const { return m_database.server(); }

    // Opens DbConnection; a file that cannot be opened is reported. The result says whether
    // the connection is open.
    bool OpenDatabase();

private:
    Prompter& m_prompter;
    Database m_database;
};

// What the tool's windows share.
struct ToolsPlatform {
    mod_Tools& module;
    Prompter& prompter;
    FileDialogs& files;
    // Called once, when the last window of the run goes away.
    std::function<void()> endProgram;
};

}  // namespace vemora
