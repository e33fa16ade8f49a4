#pragma once

namespace tillery::cli {

// While one lives, SIGINT, SIGTERM and SIGHUP (where the system has it) no longer end the
// program at once: they are noted, and a run stops at the next row boundary. The handlers
// that were in place come back when it ends.
class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;
};

// The number of the first noted signal; 0 when none came.
int pendingSignal();
// "SIGINT", "SIGTERM" or "SIGHUP".
const char* signalName(int signal);

}  // namespace tillery::cli
