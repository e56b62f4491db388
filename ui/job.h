#pragma once

#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <type_traits>

namespace headwise {

// One kind of work a window does off the GUI thread, one run at a time. The
// work runs on the global thread pool with a stop token; its result, and what
// it posts on the way, reach the window as queued calls on this object's
// thread, in the order sent. Starting a run, or cancelling, asks the run before
// it to stop and drops all it still sends, so an old result never arrives. A
// run may go on with steps on the GUI thread (then()), one per turn of the
// event loop so that the window paints between them. Destroyed with its
// window, the job cancels what it runs.
class Job : public QObject {
    Q_OBJECT
public:
    Job(QObject* parent, const QString& name);
    ~Job() override;

    // The work's side of a run: whether to stop, and a way to the window.
    class Run {
    public:
        std::stop_token stop() const { return state_->stop.get_token(); }
        bool stopRequested() const { return state_->stop.stop_requested(); }
        // step runs on the job's thread unless the run is over by then.
        void post(std::function<void()> step) const { send(std::move(step), false); }

    private:
        friend class Job;
        struct State {
            std::stop_source stop;
            int pending = 0; // results and then() steps to come; GUI thread only
        };
        // What the workers reach the job through; cut when the job goes.
        struct Link {
            std::mutex mutex;
            Job* job = nullptr;
        };
        Run(std::shared_ptr<State> state, std::shared_ptr<Link> link)
            : state_(std::move(state)), link_(std::move(link)) {}
        void send(std::function<void()> step, bool ends) const;

        std::shared_ptr<State> state_;
        std::shared_ptr<Link> link_;
    };

    // Cancels the run before, then runs work(run) on the pool and hands its
    // result to done(result) on this object's thread. Work that throws ends the
    // run without a result.
    template <typename Work, typename Done> void start(Work work, Done done) {
        using Result = std::invoke_result_t<Work, const Run&>;
        const Run run = begin();
        ++run.state_->pending;
        QThreadPool::globalInstance()->start([run, work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<std::optional<Result>>();
            try {
                if (!run.stopRequested())
                    result->emplace(work(run));
            } catch (...) {
                // a failure (out of memory on a huge page) shows nothing
            }
            run.send(
                [result, done]() mutable {
                    if (*result)
                        done(std::move(**result));
                },
                true);
        });
    }
    // A step of the current run on the GUI thread, at the next turn of the event loop.
    void then(std::function<void()> step);
    // Ends the current run: it is asked to stop and nothing more of it arrives.
    void cancel();
    // Asks the current run to stop; unlike cancel(), what it still sends,
    // its result included, arrives.
    void requestStop() { current_->stop.request_stop(); }
    // True from start() until the run's last result or step has been handled.
    bool running() const { return current_->pending > 0; }

signals:
    // The run's last result or step has been handled, and it started no other.
    void finished();

private:
    Run begin();
    void deliver(const std::shared_ptr<Run::State>& state, const std::function<void()>& step, bool ends);

    std::shared_ptr<Run::State> current_;
    std::shared_ptr<Run::Link> link_;
};

} // namespace headwise
