#include "cli/commands.h"
#include "cli/output.h"

#include "cli/pageinput.h"
#include "core/appinfo.h"
#include "net/curlpagefetcher.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

using namespace headwise::cli;

namespace {

// The commands in the order the usage lists them.
struct Command {
    const CommandDeclaration& (*declaration)();
    int (*run)(const QStringList& arguments, headwise::PageFetcher& fetcher);
};
const Command kCommands[] = {
    {createDeclaration,
     [](const QStringList& arguments, headwise::PageFetcher&) { return runCreate(arguments); }},
    {analyzeDeclaration, runAnalyze},
    {extractDeclaration, runExtract},
    {insertDeclaration,
     [](const QStringList& arguments, headwise::PageFetcher&) { return runInsert(arguments); }},
    {auditDeclaration,
     [](const QStringList& arguments, headwise::PageFetcher&) { return runAudit(arguments); }},
};

QList<const CommandDeclaration*> declarations() {
    QList<const CommandDeclaration*> out;
    for (const Command& command : kCommands)
        out << &command.declaration();
    return out;
}

int runCommand(const QString& name, const QStringList& arguments) {
    // The command line's own page cap, for fetched pages as for files.
    headwise::CurlPageFetcher fetcher(std::chrono::seconds(30), std::chrono::seconds(30),
                                      std::chrono::minutes(10), kMaxCliPageBytes);
    for (const Command& command : kCommands)
        if (command.declaration().name == name)
            return command.run(arguments, fetcher);
    writeError(QStringLiteral("unknown command \"%1\"; see headwise-cli --help").arg(name));
    return kExitBadInput;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(headwise::applicationTitle());
    QCoreApplication::setApplicationVersion(headwise::versionText());

    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        writeOut(headwise::applicationTitle() + QLatin1Char(' ') + headwise::versionText() +
                 QLatin1Char('\n'));
        return outputWritten() ? kExitOk : kExitBadInput;
    }
    if (command.isEmpty()) {
        // A usage error: the text goes where messages go.
        std::fputs(usageText(declarations()).toUtf8().constData(), stderr);
        return kExitBadInput;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        writeOut(usageText(declarations()));
        return outputWritten() ? kExitOk : kExitBadInput;
    }
    // Not in the usage: what the build reads to write the manual page and the completions.
    if (command == QLatin1String("--declarations")) {
        writeOut(declarationsJson(declarations()));
        return outputWritten() ? kExitOk : kExitBadInput;
    }
    // The command's own help names the call as typed, with its command word.
    arguments[0] = QStringLiteral("headwise-cli ") + command;
    arguments.removeAt(1);
    const int code = runCommand(command, arguments);
    return outputWritten() ? code : kExitBadInput;
}
