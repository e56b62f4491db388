#include "ui/job.h"

namespace headwise {

Job::Job(QObject* parent, const QString& name)
    : QObject(parent), current_(std::make_shared<Run::State>()), link_(std::make_shared<Run::Link>()) {
    setObjectName(name);
    link_->job = this;
}

Job::~Job() {
    current_->stop.request_stop();
    const std::lock_guard lock(link_->mutex);
    link_->job = nullptr;
}

void Job::Run::send(std::function<void()> step, bool ends) const {
    const std::lock_guard lock(link_->mutex);
    if (Job* job = link_->job)
        QMetaObject::invokeMethod(
            job, [job, state = state_, step = std::move(step), ends] { job->deliver(state, step, ends); },
            Qt::QueuedConnection);
}

Job::Run Job::begin() {
    cancel();
    return Run(current_, link_);
}

void Job::then(std::function<void()> step) {
    ++current_->pending;
    Run(current_, link_).send(std::move(step), true);
}

void Job::cancel() {
    current_->stop.request_stop();
    current_ = std::make_shared<Run::State>();
}

void Job::deliver(const std::shared_ptr<Run::State>& state, const std::function<void()>& step, bool ends) {
    if (state != current_)
        return; // a run cancelled or superseded meanwhile
    step();
    // The step may have started another run; only this run's own end counts.
    if (ends && state == current_ && --state->pending == 0)
        emit finished();
}

} // namespace headwise
