#pragma once

class ScanControl;

// Ctrl-C (and SIGTERM) for the commands: the handler only sets flags that
// the work polls, so a stopped command still ends in order.
class Interrupt
{
public:
    static void install();
    // The scan to stop when the signal comes; null for none.
    static void setScan(ScanControl* control);
    static bool requested();
};
