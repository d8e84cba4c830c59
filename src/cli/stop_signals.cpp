#include "cli/stop_signals.h"

#include <csignal>

namespace torvane {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    if (g_stopSignal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stopSignal = signal;
}

}  // namespace

struct StopSignals::Saved {
    struct sigaction interrupt {}, terminate {};
};

StopSignals::StopSignals() : m_saved(new Saved)
{
    g_stopSignal = 0;
    // No SA_RESTART: a watch waiting for files wakes up at once.
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_saved->interrupt);
    sigaction(SIGTERM, &action, &m_saved->terminate);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &m_saved->interrupt, nullptr);
    sigaction(SIGTERM, &m_saved->terminate, nullptr);
    delete m_saved;
}

int StopSignals::received()
{
    return g_stopSignal;
}

const char* StopSignals::name()
{
    return g_stopSignal == SIGTERM ? "SIGTERM" : "SIGINT";
}

}  // namespace torvane
