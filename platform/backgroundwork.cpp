#include "backgroundwork.h"

#include <QEventLoop>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace headwise {
namespace {

std::atomic<int> running{0};

// Work that ends within this is taken as if it had run in place: no events
// are handled meanwhile, so quick steps keep their order exactly, and the
// window is held no longer than this.
constexpr std::chrono::milliseconds kGrace{40};

// What the worker and the waiting thread share: the worker tells the loop it
// is done, unless the loop has stopped listening.
struct Handoff {
    std::mutex mutex;
    std::condition_variable finished;
    QEventLoop* loop = nullptr;
    bool done = false;
};

} // namespace

int backgroundWorkRunning() {
    return running.load();
}

void startDetached(std::function<void()> task) {
    ++running;
    std::thread([task = std::move(task)]() mutable {
        task();
        task = nullptr; // what it holds goes before the count says it is done
        --running;
    }).detach();
}

BackgroundWork::BackgroundWork(QObject* parent) : QObject(parent) {}

BackgroundWork::~BackgroundWork() {
    abandon();
}

void BackgroundWork::abandon() {
    ++generation_;
    emit abandoned();
}

bool BackgroundWork::runAndWait(std::function<void()> task) {
    auto handoff = std::make_shared<Handoff>();
    QEventLoop loop;
    {
        const std::lock_guard lock(handoff->mutex);
        handoff->loop = &loop;
    }
    // Detached: a program that ends, or a panel that moves on, never waits for it.
    startDetached([handoff, task = std::move(task)] {
        task();
        const std::lock_guard lock(handoff->mutex);
        handoff->done = true;
        handoff->finished.notify_one();
        if (handoff->loop)
            QMetaObject::invokeMethod(handoff->loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    bool ended = false;
    connect(this, &BackgroundWork::abandoned, &loop, [&ended, &loop] {
        ended = true;
        loop.quit();
    });
    ++waits_;
    bool done = false;
    {
        std::unique_lock lock(handoff->mutex);
        done = handoff->finished.wait_for(lock, kGrace, [&handoff] { return handoff->done; });
    }
    if (!done)
        loop.exec();
    --waits_;
    const std::lock_guard lock(handoff->mutex);
    handoff->loop = nullptr;
    return handoff->done && !ended;
}

} // namespace headwise
