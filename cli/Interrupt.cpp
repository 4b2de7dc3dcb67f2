#include "cli/Interrupt.h"

#include "scan/ScanControl.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<ScanControl*> g_control{nullptr};
std::atomic<bool> g_requested{false};

extern "C" void onInterrupt(int)
{
    g_requested.store(true);
    if (ScanControl* control = g_control.load()) {
        control->requestStopFromSignal();
    }
}

} // namespace

void Interrupt::install()
{
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void Interrupt::setScan(ScanControl* control)
{
    g_control.store(control);
    if (control && g_requested.load()) {
        control->requestStopFromSignal();
    }
}

bool Interrupt::requested()
{
    return g_requested.load();
}
