#include "cli/interrupt_request.h"

#include <signal.h>

#include <atomic>

namespace idxfilter::cli {
namespace {

std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void NoteSignal(int signal) { caught.store(signal, std::memory_order_relaxed); }

}  // namespace

void CatchInterrupts() {
    struct sigaction action = {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return caught.load(std::memory_order_relaxed) != 0; }

int InterruptSignal() { return caught.load(std::memory_order_relaxed); }

int InterruptExitStatus() { return 128 + InterruptSignal(); }

}  // namespace idxfilter::cli
