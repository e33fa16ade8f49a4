#include "app/CliSignals.h"

#include <atomic>
#include <csignal>

namespace tillery::cli {
namespace {

// Read by the worker threads of a run over several logs as well: a lock-free atomic, which
// a signal handler may also write.
std::atomic<int> g_pending{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int signal)
{
    int none = 0;
    g_pending.compare_exchange_strong(none, signal);
}

#ifdef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM};
using Previous = void (*)(int);
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
using Previous = struct sigaction;
#endif
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
Previous g_previous[kSignalCount];

}  // namespace

SignalGuard::SignalGuard()
{
    for (int i = 0; i < kSignalCount; ++i) {
#ifdef _WIN32
        g_previous[i] = std::signal(kSignals[i], noteSignal);
#else
        struct sigaction action {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        // Reads and writes go on where the signal met them: rows are never cut short.
        action.sa_flags = SA_RESTART;
        sigaction(kSignals[i], &action, &g_previous[i]);
#endif
    }
}

SignalGuard::~SignalGuard()
{
    for (int i = 0; i < kSignalCount; ++i) {
#ifdef _WIN32
        std::signal(kSignals[i], g_previous[i]);
#else
        sigaction(kSignals[i], &g_previous[i], nullptr);
#endif
    }
}

int pendingSignal()
{
    return g_pending;
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
#ifndef _WIN32
    case SIGHUP:
        return "SIGHUP";
#endif
    default:
        return "a signal";
    }
}

}  // namespace tillery::cli
