#include "commands.h"
#include "output.h"
#include "pageinput.h"

#include "linebreaks.h"
#include "pagefetcher.h"
#include "pagefile.h"
#include "tagblock.h"

namespace headwise::cli {

int runInsert(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Inserts a tag block right after the page's <head> tag, or after a charset declaration that\n"
        "directly follows it (at the start of a page without <head>), keeping the page's encoding and\n"
        "line breaks. One line break at the end of the block file is ignored."));
    parser.addPositionalArgument(QStringLiteral("page"), QStringLiteral("The page file."),
                                 QStringLiteral("PAGE"));
    const QCommandLineOption tags(QStringLiteral("tags"), QStringLiteral("File holding the tag block."),
                                  QStringLiteral("BLOCKFILE"));
    const QCommandLineOption out({QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("Write here instead of back to PAGE."),
                                 QStringLiteral("OUT"));
    parser.addOption(tags);
    parser.addOption(out);
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1 || !parser.isSet(tags)) {
        writeError(QStringLiteral("usage: insert PAGE --tags BLOCKFILE [-o OUT]"));
        return kExitBadInput;
    }
    const QString pagePath = parser.positionalArguments().first();
    const QString blockPath = parser.value(tags);
    for (const QString& input : {pagePath, blockPath})
        if (hasScheme(input)) {
            writeError(input + QStringLiteral(": insert works on local files only"));
            return kExitBadInput;
        }
    const LoadedPage page = readPage(pagePath);
    if (!page.page) {
        writeError(pagePath + QStringLiteral(": ") + page.error);
        return kExitBadInput;
    }
    const LoadedPage block = readPage(blockPath);
    if (!block.page) {
        writeError(blockPath + QStringLiteral(": ") + block.error);
        return kExitBadInput;
    }
    QString blockText = block.page->text;
    if (blockText.endsWith(kCrLf))
        blockText.chop(kCrLf.size());

    QString text = page.page->text;
    const TagBlockInsertion insertion = tagBlockInsertion(text, blockText);
    text.insert(insertion.at, insertion.text);
    const QString target = parser.isSet(out) ? parser.value(out) : pagePath;
    QString error;
    if (!writePageFile(target, text, page.page->encoding, &error)) {
        writeError(target + QStringLiteral(": ") + error);
        return kExitBadInput;
    }
    return kExitOk;
}

} // namespace headwise::cli
