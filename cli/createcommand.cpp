#include "commands.h"
#include "output.h"

#include "tagblock.h"

namespace headwise::cli {

int runCreate(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the meta tag block for the given fields."));
    struct Field {
        const char* name;
        const char* description;
        const char* fallback;
    };
    const Field fields[] = {
        {"title", "Website title (required).", ""},
        {"author", "Author.", ""},
        {"subject", "Subject.", ""},
        {"description", "Description.", ""},
        {"keywords", "Keywords, separated by \", \".", ""},
        {"rating", "Rating.", "General"},
        {"robots", "Robots instruction.", "ALL"},
        {"revisit", "Revisit interval.", "7 Days"},
        {"form", "\"MetaTags Only\" or \"HTML Page\".", "MetaTags Only"},
    };
    QList<QCommandLineOption> options;
    for (const Field& f : fields) {
        options.append(QCommandLineOption(QString::fromLatin1(f.name), QString::fromLatin1(f.description),
                                          QStringLiteral("text"), QString::fromLatin1(f.fallback)));
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

    auto value = [&](int i) { return parser.value(options[i]); };
    const TagFields tagFields{.title = value(0),
                              .author = value(1),
                              .subject = value(2),
                              .description = value(3),
                              .keywords = value(4),
                              .rating = value(5),
                              .robots = value(6),
                              .revisit = value(7),
                              .outputForm = value(8)};
    if (tagFields.title.isEmpty()) {
        writeError(QStringLiteral("a title is needed: --title TEXT"));
        return kExitBadInput;
    }
    const std::optional<QString> block =
        parser.isSet(alternate) ? buildAltTagBlock(tagFields) : BuildTagBlock(tagFields);
    if (!block) {
        writeError(QStringLiteral("unknown form \"%1\": use \"MetaTags Only\" or \"HTML Page\"")
                       .arg(tagFields.outputForm));
        return kExitBadInput;
    }
    writeOut(*block);
    return kExitOk;
}

} // namespace headwise::cli
