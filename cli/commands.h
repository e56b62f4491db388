#pragma once

#include "cli/declaration.h"

#include <QStringList>

namespace headwise {
class PageFetcher;
}

namespace headwise::cli {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitTagsMissing = 1;
inline constexpr int kExitBadInput = 2;

// Each command's name, help and options.
const CommandDeclaration& createDeclaration();
const CommandDeclaration& analyzeDeclaration();
const CommandDeclaration& extractDeclaration();
const CommandDeclaration& insertDeclaration();
const CommandDeclaration& auditDeclaration();

// Each takes the arguments after the command word, with the program name
// first; those that read web pages get them through the fetcher.
int runCreate(const QStringList& arguments);
int runAnalyze(const QStringList& arguments, PageFetcher& fetcher);
int runExtract(const QStringList& arguments, PageFetcher& fetcher);
int runInsert(const QStringList& arguments);
int runAudit(const QStringList& arguments);

} // namespace headwise::cli
