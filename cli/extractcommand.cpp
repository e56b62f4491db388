#include "commands.h"
#include "output.h"
#include "pageinput.h"

#include "keywords.h"

namespace headwise::cli {

int runExtract(const QStringList& arguments) {
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
    const LoadedPage loaded = loadPage(input);
    if (!loaded.page) {
        writeError(input + QStringLiteral(": ") + loaded.error);
        return kExitBadInput;
    }
    QStringList words = wordList(stripHtml(loaded.page->text));
    removeRedundantWords(words);
    ClearDoubles(words);
    if (parser.isSet(lines))
        writeOut(words.isEmpty() ? QString() : words.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    else
        writeOut(keywordText(words) + QLatin1Char('\n'));
    return kExitOk;
}

} // namespace headwise::cli
