#include "keyring.h"

#include "appinfo.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace headwise {
namespace {

constexpr int kAnswerMs = 5000;

// Runs the job to its end or the time limit.
Keyring::Result run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kAnswerMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec();
    if (!finished) {
        qWarning("keyring: no answer within %d ms", kAnswerMs);
        return Keyring::Result::Unavailable;
    }
    switch (job.error()) {
    case QKeychain::NoError:
        return Keyring::Result::Done;
    case QKeychain::EntryNotFound:
        return Keyring::Result::NotFound;
    default:
        qWarning("keyring: %s", qPrintable(job.errorString()));
        return Keyring::Result::Unavailable;
    }
}

class AbsentKeyring final : public Keyring {
public:
    Result readPassword(const QString&, QString&) override { return Result::Unavailable; }
    Result writePassword(const QString&, const QString&) override { return Result::Unavailable; }
    Result deletePassword(const QString&) override { return Result::Unavailable; }
};

} // namespace

Keyring::Result SystemKeyring::readPassword(const QString& key, QString& password) {
    QKeychain::ReadPasswordJob job(applicationTitle());
    job.setKey(key);
    const Result result = run(job);
    if (result == Result::Done)
        password = job.textData();
    return result;
}

Keyring::Result SystemKeyring::writePassword(const QString& key, const QString& password) {
    QKeychain::WritePasswordJob job(applicationTitle());
    job.setKey(key);
    job.setTextData(password);
    return run(job);
}

Keyring::Result SystemKeyring::deletePassword(const QString& key) {
    QKeychain::DeletePasswordJob job(applicationTitle());
    job.setKey(key);
    return run(job);
}

Keyring& absentKeyring() {
    static AbsentKeyring keyring;
    return keyring;
}

} // namespace headwise
