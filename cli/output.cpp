#include "output.h"

#include "commands.h"

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
        writeOut(parser.helpText());
        exitCode = kExitOk;
        return false;
    }
    return true;
}

} // namespace headwise::cli
