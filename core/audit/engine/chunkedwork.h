#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>
#include <vector>

namespace headwise::audit {

// Runs work(chunk) for every chunk in [0, chunks) on up to `jobs` threads,
// the calling one among them; each takes the next chunk when done with one.
// Returns when every chunk is done.
template <typename Work> void runChunks(qsizetype chunks, int jobs, const Work& work) {
    std::atomic<qsizetype> next{0};
    const auto take = [&] {
        for (qsizetype chunk; (chunk = next.fetch_add(1, std::memory_order_relaxed)) < chunks;)
            work(chunk);
    };
    std::vector<std::jthread> helpers;
    for (qsizetype j = 1; j < jobs && j < chunks; ++j)
        helpers.emplace_back(take);
    take();
}

} // namespace headwise::audit
