#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace headwise {

// Pieces of work started by BackgroundWork that have not finished yet, across
// the program. The program does not wait for them when it ends.
int backgroundWorkRunning();

// Runs task on a thread of its own, counted in backgroundWorkRunning() until
// the task and all it holds are gone. Nothing waits for it, not even the
// program's end.
void startDetached(std::function<void()> task);

// Runs a piece of work on a thread of its own while the caller waits in an
// event loop, so the window keeps painting and its timers fire; work done
// within a few tens of milliseconds is waited for in place, as a direct call.
// A wait ends unanswered (nullopt) when newer work supersedes it, when the
// owner abandons it, or when the application quits; the work then finishes on
// its own and its result is dropped. The work must only use what it owns or
// what outlives the program's windows.
class BackgroundWork : public QObject {
    Q_OBJECT
public:
    explicit BackgroundWork(QObject* parent = nullptr);
    ~BackgroundWork() override;

    // Every wait in progress ends unanswered; later ones are not affected.
    void abandon();
    // Changes with every abandon(): work that began under another number has
    // been superseded and must leave the window alone.
    quint64 generation() const { return generation_; }
    // True while some wait of this object is in progress.
    bool waiting() const { return waits_ > 0; }

    template <typename Work> std::optional<std::invoke_result_t<Work>> run(Work work) {
        using Result = std::invoke_result_t<Work>;
        auto value = std::make_shared<std::optional<Result>>();
        auto failure = std::make_shared<std::exception_ptr>();
        const bool finished = runAndWait([value, failure, work = std::move(work)]() mutable {
            try {
                value->emplace(work());
            } catch (...) {
                *failure = std::current_exception();
            }
        });
        if (!finished)
            return std::nullopt;
        if (*failure)
            std::rethrow_exception(*failure);
        return std::move(*value);
    }

signals:
    void abandoned();

private:
    // True when the task ran to its end and nothing ended the wait first.
    bool runAndWait(std::function<void()> task);

    int waits_ = 0;
    quint64 generation_ = 0;
};

} // namespace headwise
