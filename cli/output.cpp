#include "cli/output.h"

#include "cli/commands.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace headwise::cli {

void writeOut(const QString& text) {
    writeOut(text.toUtf8());
}

void writeOut(const QByteArray& bytes) {
    writeOut(QByteArrayView(bytes));
}

void writeOut(QByteArrayView bytes) {
    if (!bytes.isEmpty()) // an empty view may have no data at all
        std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout);
}

void writeError(const QString& line) {
    const QByteArray bytes = (QStringLiteral("headwise-cli: ") + line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

bool parseCommand(QCommandLineParser& parser, const QStringList& arguments, int& exitCode) {
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        writeError(parser.errorText());
        exitCode = kExitBadInput;
        return false;
    }
    // The parser lists --help-all beside --help; both show the command's help.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The parser names the program by the path it was started from; the
        // usage line shows the call a user types instead.
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        const QString startedAs = usage + QCoreApplication::arguments().value(0);
        if (text.startsWith(startedAs))
            text.replace(0, startedAs.size(), usage + arguments.value(0));
        writeOut(text);
        exitCode = kExitOk;
        return false;
    }
    return true;
}

bool outputWritten() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    writeError(
        QStringLiteral("could not write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

} // namespace headwise::cli
