#include "backgroundwork.h"

#include <QEventLoop>
#include <atomic>
#include <mutex>
#include <thread>

namespace headwise {
namespace {

std::atomic<int> running{0};

// What the worker and the waiting thread share: the worker tells the loop it
// is done, unless the loop has stopped listening.
struct Handoff {
    std::mutex mutex;
    QEventLoop* loop = nullptr;
    bool done = false;
};

} // namespace

int backgroundWorkRunning() {
    return running.load();
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
    ++running;
    // Detached: a program that ends, or a panel that moves on, never waits for it.
    std::thread([handoff, task = std::move(task)] {
        task();
        const std::lock_guard lock(handoff->mutex);
        handoff->done = true;
        if (handoff->loop)
            QMetaObject::invokeMethod(handoff->loop, &QEventLoop::quit, Qt::QueuedConnection);
        --running;
    }).detach();

    bool ended = false;
    connect(this, &BackgroundWork::abandoned, &loop, [&ended, &loop] {
        ended = true;
        loop.quit();
    });
    ++waits_;
    bool done = false;
    {
        const std::lock_guard lock(handoff->mutex);
        done = handoff->done;
    }
    if (!done)
        loop.exec();
    --waits_;
    const std::lock_guard lock(handoff->mutex);
    handoff->loop = nullptr;
    return handoff->done && !ended;
}

} // namespace headwise
