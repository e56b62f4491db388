#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pageinput.h"

#include "core/keywords/keywords.h"

namespace headwise::cli {

const CommandDeclaration& extractDeclaration() {
    static const CommandDeclaration declaration{
        .name = QStringLiteral("extract"),
        .summary = QStringLiteral("print the candidate keywords of a page"),
        .description = QStringLiteral("Prints the candidate keywords of a page, separated by \", \"."),
        .arguments = {{.name = QStringLiteral("page"),
                       .description = QStringLiteral("A file or an http(s) address."),
                       .syntax = QStringLiteral("FILE|URL")}},
        .options = {
            {.names = {QStringLiteral("lines")}, .description = QStringLiteral("One word per line.")}}};
    return declaration;
}

int runExtract(const QStringList& arguments, PageFetcher& fetcher) {
    QCommandLineParser parser;
    declare(parser, extractDeclaration());
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
    if (parser.isSet(QStringLiteral("lines")))
        writeOut(words.isEmpty() ? QString() : words.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    else
        writeOut(keywordText(words) + QLatin1Char('\n'));
    return kExitOk;
}

} // namespace headwise::cli
