#pragma once

#include <QtGlobal>

// How far the kernel reads ahead by itself in a file on a device that is
// read in order (the queue's read_ahead_kb), so a reader need not ask for
// what the kernel fetches anyway. Looked up once per device.
class DeviceReadAhead
{
public:
    // In bytes; 0 when no block device can be found behind `device` (a
    // network or virtual file system), where asking ahead is the safe choice.
    static quint64 bytes(quint64 device);
};
