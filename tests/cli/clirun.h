#pragma once

// Runs the real headwise-cli executable and collects what it prints and returns.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure messages for the Qt strings the tests compare.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

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

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}
