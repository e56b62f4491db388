#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace headwise::cli {

// What a value names, so that the completions can offer files or folders.
enum class ValueKind { Text, File, Folder };

// Members default to empty, so a declaration names only what it has without
// a warning for each one left out.

struct OptionDeclaration {
    QStringList names = {}; // "o", "output": -o and --output
    QString description = {};
    QString valueName = {}; // empty for an option that takes no value
    QString defaultValue = {};
    QStringList choices = {}; // the only values taken, when they are fixed
    ValueKind kind = ValueKind::Text;
    bool repeatable = false;
};

struct ArgumentDeclaration {
    QString name = {};
    QString description = {};
    QString syntax = {}; // as the usage line shows it: FILE|URL...
    ValueKind kind = ValueKind::File;
};

// A command's interface, written once: its parser, the top-level usage, its
// --help and, through --declarations, the manual page and the completions
// all come from here.
struct CommandDeclaration {
    QString name = {};
    QString summary = {};     // its line in the top-level usage
    QString description = {}; // the head of its --help
    QList<ArgumentDeclaration> arguments = {};
    QList<OptionDeclaration> options = {};
};

// Gives the parser the command's description, arguments and options.
void declare(QCommandLineParser& parser, const CommandDeclaration& command);

// The top-level usage, listing the commands.
QString usageText(const QList<const CommandDeclaration*>& commands);

// The commands as one JSON document, each with the help options every
// command takes after its own.
QByteArray declarationsJson(const QList<const CommandDeclaration*>& commands);

} // namespace headwise::cli
