#include "cli/commands.h"
#include "cli/output.h"

#include "core/page/tagblock.h"

namespace headwise::cli {
namespace {

// The fields in the order --help lists them, each with the member it fills.
struct Field {
    const char* name;
    const char* description;
    QString TagFields::*member;
};
const Field kFields[] = {
    {"title", "Website title (required).", &TagFields::title},
    {"author", "Author.", &TagFields::author},
    {"subject", "Subject.", &TagFields::subject},
    {"description", "Description.", &TagFields::description},
    {"keywords", "Keywords, separated by \", \".", &TagFields::keywords},
    {"rating", "Rating.", &TagFields::rating},
    {"robots", "Robots instruction.", &TagFields::robots},
    {"revisit", "Revisit interval.", &TagFields::revisit},
    {"form", "\"MetaTags Only\" or \"HTML Page\".", &TagFields::outputForm},
};
const QString kAlternate = QStringLiteral("alternate");

} // namespace

const CommandDeclaration& createDeclaration() {
    static const CommandDeclaration declaration = [] {
        CommandDeclaration command{.name = QStringLiteral("create"),
                                   .summary = QStringLiteral("print a meta tag block from the given fields"),
                                   .description =
                                       QStringLiteral("Prints the meta tag block for the given fields.")};
        const TagFields defaults = defaultTagFields();
        for (const Field& f : kFields)
            command.options.append({.names = {QString::fromLatin1(f.name)},
                                    .description = QString::fromLatin1(f.description),
                                    .valueName = QStringLiteral("text"),
                                    .defaultValue = defaults.*f.member,
                                    .choices = f.member == &TagFields::outputForm
                                                   ? QStringList{kFormTagsOnly, kFormHtmlPage}
                                                   : QStringList{}});
        command.options.append(
            {.names = {kAlternate},
             .description = QStringLiteral("The alternate layout, with the title first.")});
        return command;
    }();
    return declaration;
}

int runCreate(const QStringList& arguments) {
    QCommandLineParser parser;
    declare(parser, createDeclaration());
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        writeError(QStringLiteral("create takes no file: ") + parser.positionalArguments().first());
        return kExitBadInput;
    }

    TagFields tagFields;
    for (const Field& f : kFields)
        tagFields.*f.member = parser.value(QString::fromLatin1(f.name));
    if (tagFields.title.isEmpty()) {
        writeError(QStringLiteral("a title is needed: --title TEXT"));
        return kExitBadInput;
    }
    const std::optional<QString> block =
        parser.isSet(kAlternate) ? buildAltTagBlock(tagFields) : buildTagBlock(tagFields);
    if (!block) {
        writeError(QStringLiteral("unknown form \"%1\": use \"MetaTags Only\" or \"HTML Page\"")
                       .arg(tagFields.outputForm));
        return kExitBadInput;
    }
    writeOut(*block);
    return kExitOk;
}

} // namespace headwise::cli
