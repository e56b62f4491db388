#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pageinput.h"

#include "core/page/linebreaks.h"
#include "core/page/pagefile.h"
#include "core/page/tagblock.h"
#include "net/pagefetcher.h"

namespace headwise::cli {

const CommandDeclaration& insertDeclaration() {
    static const CommandDeclaration declaration{
        .name = QStringLiteral("insert"),
        .summary = QStringLiteral("insert a tag block into a page file"),
        .description = QStringLiteral(
            "Inserts a tag block right after the page's <head> tag, or after a charset declaration that\n"
            "directly follows it (at the start of a page without <head>), keeping the page's encoding and\n"
            "line breaks. One line break at the end of the block file is ignored."),
        .arguments = {{.name = QStringLiteral("page"),
                       .description = QStringLiteral("The page file."),
                       .syntax = QStringLiteral("PAGE")}},
        .options = {{.names = {QStringLiteral("tags")},
                     .description = QStringLiteral("File holding the tag block."),
                     .valueName = QStringLiteral("BLOCKFILE"),
                     .kind = ValueKind::File},
                    {.names = {QStringLiteral("o"), QStringLiteral("output")},
                     .description = QStringLiteral("Write here instead of back to PAGE."),
                     .valueName = QStringLiteral("OUT"),
                     .kind = ValueKind::File}}};
    return declaration;
}

int runInsert(const QStringList& arguments) {
    QCommandLineParser parser;
    declare(parser, insertDeclaration());
    const QString tags = QStringLiteral("tags");
    const QString out = QStringLiteral("output");
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
    if (!page.page->encoding.keepsItsText()) {
        writeError(pagePath +
                   QStringLiteral(": its charset names an encoding that is read as a single replacement "
                                  "character; the page is left as it is"));
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
    if (blockText.trimmed().isEmpty()) { // would only add blank lines to the page
        writeError(blockPath + QStringLiteral(": the tag block is empty"));
        return kExitBadInput;
    }

    const TagBlockInsertion insertion = tagBlockInsertion(page.page->text, blockText);
    // The page's own bytes around the block where they can be kept as they
    // are; otherwise the edited text in the page's encoding.
    std::optional<QByteArray> bytes = spliceIntoPageBytes(*page.page, insertion.at, insertion.text);
    if (!bytes) {
        QString text = page.page->text;
        text.insert(insertion.at, insertion.text);
        bytes = encodePage(text, page.page->encoding);
    }
    const QString target = parser.isSet(out) ? parser.value(out) : pagePath;
    QString error;
    if (!writePageBytes(target, *bytes, &error)) {
        writeError(target + QStringLiteral(": ") + error);
        return kExitBadInput;
    }
    return kExitOk;
}

} // namespace headwise::cli
