// The create command takes any argument list: it ends with 0 or 2 and never crashes.

#include "cli/commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

using namespace headwise::cli;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static int argc = 1;
    static char name[] = "headwise-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Arguments are separated by NUL bytes, as they are in a process's own argv.
    QStringList arguments{QStringLiteral("headwise-cli")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& argument : bytes.split('\0'))
        arguments.append(QString::fromUtf8(argument));

    // Usage errors go to stderr; libFuzzer's own FILE was taken before this swap.
    static FILE* const quiet = std::fopen("/dev/null", "w");
    FILE* const errors = stderr;
    stderr = quiet;
    const int exitCode = runCreate(arguments);
    stderr = errors;
    if (exitCode != kExitOk && exitCode != kExitBadInput) {
        std::fprintf(stderr, "invariant broken: exit code %d\n", exitCode);
        std::abort();
    }
    return 0;
}
