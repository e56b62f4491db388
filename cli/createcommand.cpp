#include "cli/commands.h"
#include "cli/output.h"

#include "core/page/tagblock.h"

namespace headwise::cli {

int runCreate(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the meta tag block for the given fields."));
    struct Field {
        const char* name;
        const char* description;
        QString TagFields::*member;
    };
    const Field fields[] = {
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
    const TagFields defaults = defaultTagFields();
    QList<QCommandLineOption> options;
    for (const Field& f : fields) {
        options.append(QCommandLineOption(QString::fromLatin1(f.name), QString::fromLatin1(f.description),
                                          QStringLiteral("text"), defaults.*f.member));
        parser.addOption(options.last());
    }
    const QCommandLineOption alternate(QStringLiteral("alternate"),
                                       QStringLiteral("The alternate layout, with the title first."));
    parser.addOption(alternate);
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        writeError(QStringLiteral("create takes no file: ") + parser.positionalArguments().first());
        return kExitBadInput;
    }

    TagFields tagFields;
    for (qsizetype i = 0; i < options.size(); ++i)
        tagFields.*fields[i].member = parser.value(options[i]);
    if (tagFields.title.isEmpty()) {
        writeError(QStringLiteral("a title is needed: --title TEXT"));
        return kExitBadInput;
    }
    const std::optional<QString> block =
        parser.isSet(alternate) ? buildAltTagBlock(tagFields) : buildTagBlock(tagFields);
    if (!block) {
        writeError(QStringLiteral("unknown form \"%1\": use \"MetaTags Only\" or \"HTML Page\"")
                       .arg(tagFields.outputForm));
        return kExitBadInput;
    }
    writeOut(*block);
    return kExitOk;
}

} // namespace headwise::cli
