#pragma once

#include "Require.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QString>

namespace vemora::bench {

// Runs the sqlite3 shell on the file at `path` with `sql` as its input, its output thrown
// away; yields the seconds it took, the shell's start included.
inline double sqliteShell(const QString& path, const QString& sql) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("sqlite3"), {path});
    process.write(sql.toUtf8());
    process.closeWriteChannel();
    require(process.waitForFinished(-1) && process.exitCode() == 0, "sqlite3 failed");
    return double(timer.nsecsElapsed()) / 1e9;
}

}  // namespace vemora::bench
