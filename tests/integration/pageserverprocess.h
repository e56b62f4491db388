#pragma once

#include <QElapsedTimer>
#include <QProcess>

namespace headwise::testing {

// The local page server as a process of its own, so a blocking fetch in the
// test's thread has someone to talk to. It ends when its stdin closes.
class PageServerProcess {
public:
    // The port it listens on, 0 when it did not start within ten seconds.
    int start() {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(HEADWISE_PAGE_SERVER)});
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.endsWith('\n') && clock.elapsed() < 10000 && process_.waitForReadyRead(10000))
            line += process_.readLine();
        return line.startsWith("PORT ") ? line.mid(5).trimmed().toInt() : 0;
    }

    ~PageServerProcess() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

private:
    QProcess process_;
};

} // namespace headwise::testing
