#pragma once

#include <QCommandLineParser>
#include <QString>

namespace headwise::cli {

// Exact bytes on stdout (UTF-8, no line-break translation).
void writeOut(const QString& text);
void writeOut(const QByteArray& bytes);
void writeOut(QByteArrayView bytes);
// One line on stderr, prefixed with the program name.
void writeError(const QString& line);

// Flushes stdout; false, after saying why, when the output could not be
// written (a full disk, a closed file).
bool outputWritten();

// Parses, answers --help, and reports a usage error. Returns false when the
// command should end with exitCode.
bool parseCommand(QCommandLineParser& parser, const QStringList& arguments, int& exitCode);

} // namespace headwise::cli
