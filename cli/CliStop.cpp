#include "CliStop.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_requested{0};
struct sigaction g_oldInt {};
struct sigaction g_oldTerm {};

void OnSignal(int number) {
    if (g_requested.load(std::memory_order_relaxed) != 0) {
        // Asked twice: the user wants out now; the files are safe from a kill by their replace.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_requested.store(number, std::memory_order_relaxed);
}

} // namespace

static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

CStopOnSignal::CStopOnSignal() {
    g_requested.store(0);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_oldInt);
    sigaction(SIGTERM, &action, &g_oldTerm);
}

CStopOnSignal::~CStopOnSignal() {
    sigaction(SIGINT, &g_oldInt, nullptr);
    sigaction(SIGTERM, &g_oldTerm, nullptr);
}

int CStopOnSignal::Requested() {
    return g_requested.load(std::memory_order_relaxed);
}
