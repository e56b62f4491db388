#pragma once

// Runs the real headwise-cli executable and collects what it prints and returns.

#include "printers.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

struct CliRun {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

inline CliRun cli(const QStringList& arguments, const QString& workingDirectory = {}) {
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(HEADWISE_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "headwise-cli did not finish";
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

inline QString fixture(const char* name) {
    return QStringLiteral(HEADWISE_FIXTURES "/cli/") + QLatin1String(name);
}
