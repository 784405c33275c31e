#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vemora::test {

// How one of the console programs ended.
struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// Runs a program to its end with `input` on its standard input.
inline Outcome runProgram(const QString& program, const QStringList& arguments,
                          const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace vemora::test
