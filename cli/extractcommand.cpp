#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pageinput.h"

#include "core/keywords/keywords.h"

namespace headwise::cli {

int runExtract(const QStringList& arguments, PageFetcher& fetcher) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the candidate keywords of a page, separated by \", \"."));
    parser.addPositionalArgument(QStringLiteral("page"), QStringLiteral("A file or an http(s) address."),
                                 QStringLiteral("FILE|URL"));
    const QCommandLineOption lines(QStringLiteral("lines"), QStringLiteral("One word per line."));
    parser.addOption(lines);
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1) {
        writeError(QStringLiteral("extract takes exactly one file or address"));
        return kExitBadInput;
    }
    const QString input = parser.positionalArguments().first();
    const LoadedPage loaded = loadPage(input, fetcher);
    if (!loaded.page) {
        writeError(input + QStringLiteral(": ") + loaded.error);
        return kExitBadInput;
    }
    const QStringList words = keywordCandidates(loaded.page->text);
    if (parser.isSet(lines))
        writeOut(words.isEmpty() ? QString() : words.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    else
        writeOut(keywordText(words) + QLatin1Char('\n'));
    return kExitOk;
}

} // namespace headwise::cli
