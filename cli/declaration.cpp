#include "cli/declaration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace headwise::cli {
namespace {

QString kindName(ValueKind kind) {
    switch (kind) {
    case ValueKind::File:
        return QStringLiteral("file");
    case ValueKind::Folder:
        return QStringLiteral("folder");
    case ValueKind::Text:
        break;
    }
    return QStringLiteral("text");
}

QStringList flags(const QStringList& names) {
    QStringList out;
    for (const QString& name : names)
        out << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return out;
}

QJsonObject optionJson(const OptionDeclaration& option) {
    QJsonObject out{{QStringLiteral("flags"), QJsonArray::fromStringList(flags(option.names))},
                    {QStringLiteral("description"), option.description},
                    {QStringLiteral("repeatable"), option.repeatable}};
    if (!option.valueName.isEmpty()) {
        out.insert(QStringLiteral("value"), option.valueName);
        out.insert(QStringLiteral("default"), option.defaultValue);
        out.insert(QStringLiteral("choices"), QJsonArray::fromStringList(option.choices));
        out.insert(QStringLiteral("kind"), kindName(option.kind));
    }
    return out;
}

// The parser adds these to every command itself.
QList<OptionDeclaration> helpOptions() {
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    return {{.names = help.names(), .description = help.description()},
            {.names = {QStringLiteral("help-all")},
             .description = QCommandLineParser::tr("Displays help including Qt specific options.")}};
}

} // namespace

void declare(QCommandLineParser& parser, const CommandDeclaration& command) {
    parser.setApplicationDescription(command.description);
    for (const ArgumentDeclaration& argument : command.arguments)
        parser.addPositionalArgument(argument.name, argument.description, argument.syntax);
    for (const OptionDeclaration& option : command.options)
        parser.addOption(
            QCommandLineOption(option.names, option.description, option.valueName, option.defaultValue));
}

QString usageText(const QList<const CommandDeclaration*>& commands) {
    qsizetype width = 0;
    for (const CommandDeclaration* command : commands)
        width = std::max(width, command->name.size());
    QString out = QStringLiteral("Usage: headwise-cli COMMAND [options]\n\nCommands:\n");
    for (const CommandDeclaration* command : commands)
        out += QStringLiteral("  ") + command->name.leftJustified(width + 3) + command->summary +
               QLatin1Char('\n');
    return out + QStringLiteral(
                     "\nheadwise-cli COMMAND --help describes a command; --version prints the version.\n");
}

QByteArray declarationsJson(const QList<const CommandDeclaration*>& commands) {
    const QList<OptionDeclaration> help = helpOptions();
    QJsonArray list;
    for (const CommandDeclaration* command : commands) {
        QJsonArray arguments;
        for (const ArgumentDeclaration& argument : command->arguments)
            arguments.append(QJsonObject{{QStringLiteral("name"), argument.name},
                                         {QStringLiteral("description"), argument.description},
                                         {QStringLiteral("syntax"), argument.syntax},
                                         {QStringLiteral("kind"), kindName(argument.kind)}});
        QJsonArray options;
        for (const OptionDeclaration& option : command->options + help)
            options.append(optionJson(option));
        list.append(QJsonObject{{QStringLiteral("name"), command->name},
                                {QStringLiteral("summary"), command->summary},
                                {QStringLiteral("description"), command->description},
                                {QStringLiteral("arguments"), arguments},
                                {QStringLiteral("options"), options}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("commands"), list}}).toJson(QJsonDocument::Indented);
}

} // namespace headwise::cli
