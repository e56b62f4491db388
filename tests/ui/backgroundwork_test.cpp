#include "backgroundjob.h"
#include "backgroundwork.h"

#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace headwise;

namespace {

// Lets a worker go on only once the test says so; bounded, so a fault cannot hang the suite.
struct Gate {
    std::atomic<bool> open{false};
    void wait() const {
        for (int i = 0; i < 20000 && !open.load(); ++i)
            QThread::msleep(1);
    }
};

bool drained() {
    return QTest::qWaitFor([] { return backgroundWorkRunning() == 0; }, 20000);
}

TEST(BackgroundWorkTest, HandsBackTheResultAndKeepsTheEventLoopRunning) {
    BackgroundWork work;
    Gate gate;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3)
            gate.open = true; // the worker ends only after the GUI thread ran timers
    });
    timer.start();
    const std::optional<QString> result = work.run([&gate] {
        gate.wait();
        return QStringLiteral("done");
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "done");
    EXPECT_GE(ticks, 3);
    EXPECT_FALSE(work.waiting());
    EXPECT_TRUE(drained());
}

TEST(BackgroundWorkTest, AFailureInTheWorkReachesTheCaller) {
    BackgroundWork work;
    EXPECT_THROW(work.run([]() -> int { throw std::runtime_error("broken"); }), std::runtime_error);
    EXPECT_TRUE(drained());
}

TEST(BackgroundWorkTest, AnAbandonedWaitEndsAtOnceUnansweredAndTheWorkIsNeverWaitedFor) {
    BackgroundWork work;
    Gate gate;
    const quint64 before = work.generation();
    QTimer::singleShot(10, [&] {
        EXPECT_TRUE(work.waiting());
        work.abandon();
    });
    const std::optional<int> result = work.run([&gate] {
        gate.wait();
        return 7;
    });
    EXPECT_FALSE(result.has_value());
    EXPECT_NE(work.generation(), before);
    EXPECT_EQ(backgroundWorkRunning(), 1); // still running, the wait did not join it
    gate.open = true;
    EXPECT_TRUE(drained());
    QCoreApplication::processEvents(); // its answer must not reach the loop that is gone
}

TEST(BackgroundWorkTest, AbandonOnlyEndsWaitsAlreadyRunning) {
    BackgroundWork work;
    work.abandon();
    const std::optional<int> result = work.run([] { return 5; });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 5);
    EXPECT_TRUE(drained());
}

TEST(BackgroundWorkTest, NestedWaitsEndInnermostFirstAndAnAbandonEndsBoth) {
    BackgroundWork work;
    Gate outerGate;
    std::optional<int> inner;
    QTimer::singleShot(5, [&] {
        inner = work.run([] { return 2; }); // a second press while the first waits
        work.abandon();
        outerGate.open = true;
    });
    const std::optional<int> outer = work.run([&outerGate] {
        outerGate.wait();
        return 1;
    });
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(*inner, 2);
    EXPECT_FALSE(outer.has_value());
    EXPECT_TRUE(drained());
}

// A Page Check job (an image fetch, an audit) is not in the shared pool, which
// the application's teardown would wait for: a close ends the program at once.
TEST(BackgroundJobTest, AJobIsCountedNotPooledAndItsResultIsDroppedWithItsWindow) {
    Gate gate;
    bool delivered = false;
    auto* context = new QObject;
    runInBackground(
        context,
        [&gate] {
            gate.wait();
            return 3;
        },
        [&delivered](int) { delivered = true; });
    EXPECT_EQ(backgroundWorkRunning(), 1);
    EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0);
    delete context; // the window closes while the job still runs
    gate.open = true;
    EXPECT_TRUE(drained());
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}

TEST(BackgroundJobTest, AFinishedJobHandsItsResultToItsWindow) {
    QObject context;
    std::optional<QString> delivered;
    runInBackground(
        &context, [] { return QStringLiteral("image"); }, [&delivered](const QString& r) { delivered = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.has_value(); }, 20000));
    EXPECT_EQ(*delivered, "image");
    EXPECT_TRUE(drained());
}

TEST(BackgroundJobTest, AFailedJobHandsNothingAndTheProgramGoesOn) {
    QObject context;
    bool delivered = false;
    runInBackground(
        &context, []() -> int { throw std::bad_alloc(); }, [&delivered](int) { delivered = true; });
    EXPECT_TRUE(drained());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}

// The program ends without destructors only while work is counted: what a
// task holds must be gone before the count drops, or the end would tear it
// down under the task.
TEST(BackgroundJobTest, WhatATaskHoldsGoesBeforeItIsNoLongerCounted) {
    std::atomic<int> countWhenReleased{-1};
    struct Holder {
        std::atomic<int>* seen;
        ~Holder() { seen->store(backgroundWorkRunning()); }
    };
    std::shared_ptr<Holder> held(new Holder{&countWhenReleased});
    startDetached([held = std::move(held)] {});
    EXPECT_TRUE(drained());
    EXPECT_EQ(countWhenReleased.load(), 1);
}

} // namespace
