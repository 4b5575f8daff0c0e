#include "cli/parallel_filter.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace idxfilter::cli {

unsigned DefaultJobs() {
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores;
}

void RunInOrder(std::size_t count, unsigned jobs, std::size_t window,
                const std::function<void(std::size_t)>& produce,
                const std::function<void(std::size_t)>& consume) {
    if (jobs <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            produce(i);
            consume(i);
        }
        return;
    }
    if (window < jobs) window = jobs;

    std::mutex mutex;
    std::condition_variable workAvailable;  // consumer moved on, or stop
    std::condition_variable itemDone;       // some item finished
    std::vector<char> done(count, 0);
    std::size_t nextItem = 0;  // next item to hand to a worker
    std::size_t consumed = 0;  // items consumed so far
    bool stop = false;

    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            workAvailable.wait(lock, [&] {
                return stop || nextItem >= count || nextItem < consumed + window;
            });
            if (stop || nextItem >= count) return;
            std::size_t item = nextItem++;
            lock.unlock();
            produce(item);
            lock.lock();
            done[item] = 1;
            itemDone.notify_one();
        }
    };

    // Threads that cannot start (no memory for their stacks, a process
    // limit) leave the work to those that did; with none, to this one.
    std::vector<std::thread> workers;
    workers.reserve(jobs);
    for (unsigned j = 0; j < jobs; ++j) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    if (workers.size() < jobs)
        std::fprintf(stderr, "idxfilter: could only start %zu of %u threads\n", workers.size(), jobs);
    if (workers.empty()) {
        RunInOrder(count, 1, window, produce, consume);
        return;
    }

    auto finish = [&] {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        workAvailable.notify_all();
        for (std::thread& worker : workers) worker.join();
    };

    try {
        for (std::size_t i = 0; i < count; ++i) {
            {
                std::unique_lock lock(mutex);
                itemDone.wait(lock, [&] { return done[i] != 0; });
            }
            consume(i);
            {
                std::lock_guard lock(mutex);
                consumed = i + 1;
            }
            workAvailable.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

}  // namespace idxfilter::cli
