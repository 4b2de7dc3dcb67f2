#pragma once

#include "scan/File.h"

#include <QList>
#include <vector>

class ScanControl;
class ScanProgress;

// Splits files of one size into classes of byte-identical files. All members
// are read block by block in step; a file leaves as soon as no other member
// shares its bytes so far. Each byte is read once, except when one offset of
// a class that was uniform so far holds more distinct contents than the
// buffer budget can keep at once: those members read that block again. A hash of each block only picks which
// members to compare; equality is always decided by comparing the bytes. Hard links (same device and inode)
// are one member, equal without reading.
class ContentPartitioner
{
public:
    struct Budget
    {
        std::size_t openFiles = 64;
        std::size_t bufferBytes = 8u << 20;
    };

    ContentPartitioner(ScanControl& control, ScanProgress& progress, Budget budget);

    // `positions` index into `files`; all have the same recorded fileSize. Classes of
    // two or more positions (ascending) are appended to `classes`. Every
    // position is counted in `processed` once it is settled. Returns false
    // when a stop cut the work short: only settled classes are appended.
    bool partition(const QList<FilePtr>& files, const std::vector<qsizetype>& positions,
                   std::vector<std::vector<qsizetype>>& classes);

    static constexpr std::size_t FirstBlock = 4096;
    static constexpr std::size_t MaxBlock = 1u << 20;
    static constexpr std::size_t MinBlock = 64;
    // Distinct contents a class that was uniform so far is sized for; more
    // than this at one offset sends the rest round again at smaller blocks.
    static constexpr std::size_t ExpectedSplit = 256;
    // Up to this many members, blocks are compared without hashing them.
    static constexpr std::size_t LinearCompareLimit = 8;

private:
    // One inode among the files compared: its first path, and where the
    // rest of its paths (hard links) are kept, which is rare.
    struct Unit
    {
        qsizetype first = 0;
        qint32 moreLinks = -1; // index into m_moreLinks, or none
        int fd = -1;
        quint64 size = 0; // on disk when the search began
        bool failed = false;
    };
    struct Pending
    {
        std::vector<std::size_t> units;
        quint64 offset;
        std::size_t block;
        quint64 size;
        // Nothing is known about these members at this offset yet, so they
        // may all differ: blocks are sized so every one could be kept.
        bool mayAllDiffer;
    };

    int openChecked(const Unit& unit, const QByteArray& path);
    bool readBlock(Unit& unit, const File& file, quint64 offset, char* buffer, std::size_t length);
    void settle(Unit& unit, const QList<FilePtr>& files);
    void emitClass(const std::vector<std::size_t>& members, const QList<FilePtr>& files,
                   std::vector<std::vector<qsizetype>>& classes);
    void closeAll();

    ScanControl& m_control;
    ScanProgress& m_progress;
    Budget m_budget;
    std::size_t linkCount(const Unit& unit) const;
    void appendLinks(const Unit& unit, std::vector<qsizetype>& positions) const;

    std::vector<Unit> m_units;
    std::vector<std::vector<qsizetype>> m_moreLinks;
    std::vector<char> m_arena;
    std::vector<char> m_scratch;
    std::size_t m_openCount = 0;
};
