#include "output.h"

#include "commands.h"

#include <QCoreApplication>

#include <cstdio>

namespace headwise::cli {

void writeOut(const QString& text) {
    writeOut(text.toUtf8());
}

void writeOut(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
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
    if (parser.isSet(help)) {
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

} // namespace headwise::cli
