#pragma once

#include "plist/PropertyListFile.h"

#include <QByteArray>
#include <QString>

// The running totals of cleaned files and bytes and the two matching
// settings, kept in data.plist in the support folder. The file is always
// written whole from the in-memory dictionary, so keys added by anyone else
// survive.
class StatisticsStore
{
public:
    StatisticsStore() = default;
    StatisticsStore(const StatisticsStore&) = delete;
    StatisticsStore& operator=(const StatisticsStore&) = delete;

    // Creates `supportFolder` when needed, then reads data.plist from it, or
    // creates the file with its first values when there is none. A file that
    // is there but cannot be read as a dictionary is left alone: the totals
    // read as 0 and recordRun never writes over it.
    void loadDataFile(const QByteArray& supportFolder);

    QByteArray dataPath() const;
    // False when data.plist exists but could not be read.
    bool hasData() const;

    qint64 alreadyDeletedCount() const;
    quint64 alreadyDeletedSize() const;

    // Stores the totals after a deletion run (also one that deleted nothing)
    // and writes the file. Returns whether the file was written; callers do
    // not report a failure, the new totals stay in memory.
    bool recordRun(qint64 countAtStart, quint64 sizeAtStart, quint64 deletedCount, quint64 deletedSize);

    // Changes the totals by what a clean-up (positive) or a restore
    // (negative) did, never below zero. data.plist is read again under a
    // lock on its folder first, so totals another process wrote meanwhile
    // (the command line, another window) are added to, never overwritten.
    // False when the file could not be read or written; an unreadable file
    // is left alone.
    bool addToTotals(qint64 countChange, qint64 sizeChange);

    // "Files cleaned so far: <count> (<size text>)".
    QString cleanedSoFarText() const;

private:
    bool write() const;
    void setFirstValues();

    QByteArray m_dataPath;
    PropertyListFile::Root m_data;
};
