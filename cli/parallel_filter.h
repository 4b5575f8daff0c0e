// Work on many items on several threads, results taken in item order.
#pragma once

#include <cstddef>
#include <functional>

namespace idxfilter::cli {

// The number of threads to use when none is asked for: the machine's cores.
unsigned DefaultJobs();

// Calls produce(i) for every i in [0, count) on `jobs` threads and
// consume(i) on the calling thread in increasing i, each as soon as every
// earlier item has been consumed. At most `window` items are produced ahead
// of the consumer, which bounds the memory held by finished items. produce
// must store its result where consume(i) finds it; it must not throw.
// An exception from consume stops the workers and is rethrown once they
// have finished their current item.
void RunInOrder(std::size_t count, unsigned jobs, std::size_t window,
                const std::function<void(std::size_t)>& produce,
                const std::function<void(std::size_t)>& consume);

}  // namespace idxfilter::cli
