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

const QString kUsage =
    QStringLiteral("Usage: headwise-cli COMMAND [options]\n"
                   "\n"
                   "Commands:\n"
                   "  create    print a meta tag block from the given fields\n"
                   "  analyze   report the meta tags of pages (files or http(s) addresses)\n"
                   "  extract   print the candidate keywords of a page\n"
                   "  insert    insert a tag block into a page file\n"
                   "  audit     check the heads of pages, folders or sites for search engines\n"
                   "\n"
                   "headwise-cli COMMAND --help describes a command; --version prints the version.\n");

int runCommand(const QString& command, const QStringList& arguments) {
    // The command line's own page cap, for fetched pages as for files.
    headwise::CurlPageFetcher fetcher(std::chrono::seconds(30), std::chrono::seconds(30),
                                      std::chrono::minutes(10), kMaxCliPageBytes);
    if (command == QLatin1String("create"))
        return runCreate(arguments);
    if (command == QLatin1String("analyze"))
        return runAnalyze(arguments, fetcher);
    if (command == QLatin1String("extract"))
        return runExtract(arguments, fetcher);
    if (command == QLatin1String("insert"))
        return runInsert(arguments);
    if (command == QLatin1String("audit"))
        return runAudit(arguments);
    writeError(QStringLiteral("unknown command \"%1\"; see headwise-cli --help").arg(command));
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
        std::fputs(kUsage.toUtf8().constData(), stderr);
        return kExitBadInput;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        writeOut(kUsage);
        return outputWritten() ? kExitOk : kExitBadInput;
    }
    // The command's own help names the call as typed, with its command word.
    arguments[0] = QStringLiteral("headwise-cli ") + command;
    arguments.removeAt(1);
    const int code = runCommand(command, arguments);
    return outputWritten() ? code : kExitBadInput;
}
