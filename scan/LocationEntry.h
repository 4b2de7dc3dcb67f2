#pragma once

#include <QByteArray>

// The part of a scan location that collection reads: its path, whether it
// is marked, and whether it is a folder (otherwise a single file).
struct LocationEntry
{
    QByteArray name;
    bool state = false;
    bool folder = false;
};
