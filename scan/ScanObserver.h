#pragma once

#include "scan/Collector.h"
#include "scan/ScanResults.h"

// How a scan tells its front end about the turns of a run. Called on the
// scan's own threads: a window implementation queues the work to its thread
// and returns at once. Steady progress is not sent here; it is read from
// ScanProgress and ScanControl on a timer.
class ScanObserver
{
public:
    virtual ~ScanObserver();

    virtual void collectionStarted() {}
    // Empty: nothing was collected ("No duplicates File found"). Stopped: the
    // run is over and detection will not start. Every outcome: the location
    // list has been consumed.
    virtual void collectionFinished(Collector::Outcome outcome) { Q_UNUSED(outcome); }
    virtual void detectionStarted(quint64 total) { Q_UNUSED(total); }
    // The trees are complete (partial after a stop).
    virtual void scanFinished(const ScanResults& results) { Q_UNUSED(results); }
};
