#include "platform/programstarter.h"

#include <QProcess>
#include <QStandardPaths>

namespace headwise {

QString ProcessStarter::locate(const QString& programName) {
    return QStandardPaths::findExecutable(programName);
}

bool ProcessStarter::start(const QString& programPath) {
    return QProcess::startDetached(programPath, {});
}

} // namespace headwise
