#include "serverprocess.h"

#include <QElapsedTimer>

namespace headwise::testing {

ServerProcess::ServerProcess(const QString& script) : script_(script) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

int ServerProcess::start(const QStringList& arguments) {
    process_.start(QStringLiteral("/usr/bin/python3"), QStringList{script_} + arguments);
    QByteArray line;
    QElapsedTimer clock;
    clock.start();
    while (!line.endsWith('\n') && clock.elapsed() < 15000 && process_.waitForReadyRead(15000))
        line += process_.readLine();
    return line.startsWith("PORT ") ? line.mid(5).trimmed().toInt() : 0;
}

ServerProcess::~ServerProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

PageServerProcess::PageServerProcess() : ServerProcess(QStringLiteral(HEADWISE_PAGE_SERVER)) {}

FolderServerProcess::FolderServerProcess() : ServerProcess(QStringLiteral(HEADWISE_FOLDER_SERVER)) {}

} // namespace headwise::testing
