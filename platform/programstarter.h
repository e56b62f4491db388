#pragma once

#include <QString>

namespace headwise {

// Finds and starts other programs of the desktop.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // Full path of an executable on the PATH, or empty.
    virtual QString locate(const QString& programName) = 0;
    // Starts it on its own, in a normal window; false when it could not be started.
    virtual bool start(const QString& programPath) = 0;
};

class ProcessStarter final : public ProgramStarter {
public:
    QString locate(const QString& programName) override;
    bool start(const QString& programPath) override;
};

} // namespace headwise
