#pragma once

#include "backgroundwork.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <memory>

namespace headwise {

// Runs job() on a thread of its own and hands its result to done() on
// context's thread. The job holds nothing of context: when context is gone
// first, the result is dropped. Nothing waits for the job, so a closing
// window never waits for a slow image fetch (see startDetached).
template <typename Job, typename Done> void runInBackground(QObject* context, Job job, Done done) {
    using Result = decltype(job());
    auto promise = std::make_shared<QPromise<Result>>();
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done] {
        watcher->deleteLater();
        if (watcher->future().resultCount() > 0)
            done(watcher->result());
    });
    watcher->setFuture(promise->future());
    startDetached([promise, job] {
        promise->start();
        // A job that fails (out of memory on a huge page) shows nothing; on a
        // thread of its own an escaping exception would end the program.
        try {
            promise->addResult(job());
        } catch (...) {
        }
        promise->finish();
    });
}

} // namespace headwise
