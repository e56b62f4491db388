#include "ui/job.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace headwise;

namespace {

// A job's result and its posted steps arrive on the job's thread, in order,
// and the run counts as running until the last of them.
TEST(JobTest, StepsAndResultArriveInOrderOnTheJobsThread) {
    Job job(nullptr, QStringLiteral("job"));
    QSignalSpy finished(&job, &Job::finished);
    QStringList seen;
    job.start(
        [](const Job::Run& run) {
            run.post([] {});
            return QThread::currentThread();
        },
        [&](QThread* worker) {
            seen << (worker != QThread::currentThread() ? "off" : "on");
            job.then([&] { seen << "then"; });
        });
    EXPECT_TRUE(job.running());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(seen, (QStringList{"off", "then"}));
    EXPECT_FALSE(job.running());
    EXPECT_EQ(finished.count(), 1);
}

// How a run ends early: another start, a cancel, the job's end, a failure.
// The stopped work sees its stop requested; no result of it ever arrives.
TEST(JobTest, ARunEndedEarlyIsToldToStopAndNeverAnswers) {
    enum class End { Restart, Cancel, Destroy, Throw };
    for (const End end : {End::Restart, End::Cancel, End::Destroy, End::Throw}) {
        auto job = std::make_unique<Job>(nullptr, QStringLiteral("job"));
        QSemaphore started, release;
        auto sawStop = std::make_shared<std::atomic<bool>>(false);
        int answers = 0;
        job->start(
            [&started, &release, sawStop, end](const Job::Run& run) {
                started.release();
                release.acquire();
                *sawStop = run.stopRequested();
                if (end == End::Throw)
                    throw std::runtime_error("out of memory");
                return 1;
            },
            [&answers](int) { ++answers; });
        started.acquire();
        QSignalSpy finished(job.get(), &Job::finished);
        if (end == End::Restart)
            job->start([](const Job::Run&) { return 2; }, [&answers](int value) { answers += value * 10; });
        else if (end == End::Cancel)
            job->cancel();
        else if (end == End::Destroy)
            job.reset();
        release.release();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(*sawStop, end != End::Throw) << int(end);
        EXPECT_EQ(answers, end == End::Restart ? 20 : 0) << int(end);
        if (job) {
            EXPECT_FALSE(job->running()) << int(end);
        }
        if (end == End::Throw) {
            EXPECT_EQ(finished.count(), 1);
        }
    }
}

} // namespace
