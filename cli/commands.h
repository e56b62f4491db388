#pragma once

#include <QStringList>

namespace headwise::cli {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitTagsMissing = 1;
inline constexpr int kExitBadInput = 2;

// Each takes the arguments after the command word, with the program name first.
int runCreate(const QStringList& arguments);
int runAnalyze(const QStringList& arguments);
int runExtract(const QStringList& arguments);
int runInsert(const QStringList& arguments);
int runAudit(const QStringList& arguments);

} // namespace headwise::cli
