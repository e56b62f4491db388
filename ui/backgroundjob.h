#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>
#include <memory>

namespace headwise {

// Runs job() on the shared thread pool and hands its result to done() on
// context's thread. The job holds nothing of context: when context is gone
// first, the result is dropped.
template <typename Job, typename Done> void runInBackground(QObject* context, Job job, Done done) {
    using Result = decltype(job());
    auto promise = std::make_shared<QPromise<Result>>();
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, job] {
        promise->start();
        promise->addResult(job());
        promise->finish();
    });
}

} // namespace headwise
