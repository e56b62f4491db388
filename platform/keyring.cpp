#include "platform/keyring.h"

#include "core/appinfo.h"

#include <QObject>
#include <QTimer>
#include <qt6keychain/keychain.h>
#include <utility>

namespace headwise {
namespace {

constexpr int kAnswerMs = 5000;

Keyring::Result resultOf(const QKeychain::Job& job) {
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

// One question to the keyring, open until the job finishes or the time limit
// passes, whichever comes first; the other is then ignored. A child of the
// asker's context, it goes with it, and nothing is answered after that.
class Question final : public QObject {
public:
    using Answer = std::function<void(Keyring::Result, QKeychain::Job*)>; // no job after the limit

    static void ask(QKeychain::Job* job, QObject* context, Answer answer) {
        auto* question = new Question(context, std::move(answer));
        // The job deletes itself once finished; one that never finishes is left to the keyring.
        connect(job, &QKeychain::Job::finished, question,
                [question](QKeychain::Job* finished) { question->answer(resultOf(*finished), finished); });
        connect(&question->limit_, &QTimer::timeout, question, [question] {
            qWarning("keyring: no answer within %d ms", kAnswerMs);
            question->answer(Keyring::Result::Unavailable, nullptr);
        });
        question->limit_.start(kAnswerMs);
        job->start();
    }

private:
    Question(QObject* context, Answer answer) : QObject(context), answer_(std::move(answer)) {
        limit_.setSingleShot(true);
    }

    void answer(Keyring::Result result, QKeychain::Job* job) {
        if (!answer_)
            return;
        const Answer answer = std::exchange(answer_, nullptr);
        limit_.stop();
        deleteLater();
        answer(result, job);
    }

    Answer answer_;
    QTimer limit_;
};

void tell(const Keyring::Done& done, Keyring::Result result) {
    if (done)
        done(result);
}

class AbsentKeyring final : public Keyring {
public:
    void readPassword(const QString&, QObject*, ReadDone done) override { done(Result::Unavailable, {}); }
    void writePassword(const QString&, const QString&, QObject*, Done done) override {
        tell(done, Result::Unavailable);
    }
    void deletePassword(const QString&, QObject*, Done done) override { tell(done, Result::Unavailable); }
};

} // namespace

void SystemKeyring::readPassword(const QString& key, QObject* context, ReadDone done) {
    auto* job = new QKeychain::ReadPasswordJob(applicationTitle());
    job->setKey(key);
    Question::ask(job, context, [job, done = std::move(done)](Result result, QKeychain::Job* finished) {
        done(result, finished && result == Result::Done ? job->textData() : QString());
    });
}

void SystemKeyring::writePassword(const QString& key, const QString& password, QObject* context, Done done) {
    auto* job = new QKeychain::WritePasswordJob(applicationTitle());
    job->setKey(key);
    job->setTextData(password);
    Question::ask(job, context,
                  [done = std::move(done)](Result result, QKeychain::Job*) { tell(done, result); });
}

void SystemKeyring::deletePassword(const QString& key, QObject* context, Done done) {
    auto* job = new QKeychain::DeletePasswordJob(applicationTitle());
    job->setKey(key);
    Question::ask(job, context,
                  [done = std::move(done)](Result result, QKeychain::Job*) { tell(done, result); });
}

Keyring& absentKeyring() {
    static AbsentKeyring keyring;
    return keyring;
}

} // namespace headwise
