#pragma once

#include <QProcess>
#include <QStringList>

namespace headwise::testing {

// A local test server written in Python, run as a process of its own so a
// blocking client in the test's thread has someone to talk to. The script
// prints "PORT <n>" once it listens on 127.0.0.1 and ends when its stdin closes.
class ServerProcess {
public:
    explicit ServerProcess(const QString& script);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Runs the script with these arguments; the port it listens on, 0 when it
    // did not start within fifteen seconds.
    int start(const QStringList& arguments = {});

private:
    QString script_;
    QProcess process_;
};

// The page server the fetch and web panel tests load their pages from.
class PageServerProcess : public ServerProcess {
public:
    PageServerProcess();
};

// A folder served as a static site: start(folder, "FROM=TO"...) for redirects.
class FolderServerProcess : public ServerProcess {
public:
    FolderServerProcess();
};

} // namespace headwise::testing
