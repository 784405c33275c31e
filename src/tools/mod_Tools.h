#pragma once

#include "data/Connection.h"
#include "data/Recordset.h"

#include <QString>

#include <functional>

namespace vemora {

class FileDialogs;
class Prompter;
class Statement;

// The maintenance tool's data state: its one connection, and the log-in query's text and rows.
// Unlike the organizer's session it has no report connection and no current user.
class mod_Tools final {
    Q_DISABLE_COPY_MOVE(mod_Tools)
public:
    mod_Tools(QString programDirectory, Prompter& prompter);

    const QString& ConnectionString() const { return m_connectionString; }
    Connection& DbConnection() { return m_dbConnection; }
    Recordset& DbRecordset() { return m_dbRecordset; }
    QString& SqlText() { return m_sqlText; }
    // The program directory's journey.mdb, the file the tool compacts and replaces.
    QString workingDatabase() const;

    // Opens DbConnection; a file that cannot be opened is reported. The result says whether
    // the connection is open.
    bool OpenDatabase();

    // Puts the statement's text in SqlText and runs it on DbConnection; a query's rows
    // replace DbRecordset.
    Status execute(const Statement& statement);

private:
    Prompter& m_prompter;
    QString m_connectionString;
    Connection m_dbConnection;
    Recordset m_dbRecordset;
    QString m_sqlText;
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
