#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <mutex>

// The paths the user has taken out of every later scan, kept in order in
// exception.plist beside data.plist. Membership is exact byte equality of
// the whole path: no case folding, no trailing-slash or link resolution.
class ExceptionList
{
public:
    // Reads <folder>/exception.plist. A missing file, or one that is not an
    // array, gives an empty list; entries that are neither text nor data
    // are skipped. A file that is there but could not be read is never
    // written over: changes then stay in memory for this run only.
    void load(const QByteArray& folder);

    QByteArray filePath() const;
    const QByteArrayList& exceptionArrayData() const;
    // The same paths as a set, for the collector's lookups.
    const QSet<QByteArray>& pathSet() const;
    bool contains(const QByteArray& path) const;
    bool isEmpty() const;

    // Appends `paths`, drops repeats keeping each path at its first place and
    // writes the file. Returns how many paths were given, repeats included.
    // Nothing is written when `paths` is empty.
    qsizetype addPaths(const QByteArrayList& paths);

    // Appends `paths` without writing, dropping repeats as addPaths does,
    // in time linear in `paths`; save() writes the list afterwards, a long
    // list off the UI thread (see writing()).
    void appendPaths(const QByteArrayList& paths);
    // Room for `more` paths, so a long addition never rebuilds the index.
    void reserve(qsizetype more);
    void save();

    // Empties the list and writes the empty array, even when it was empty.
    void removeAll();

    // Whether the last write reached the disk; a failure is not shown to the
    // user, the in-memory list stays changed until the program quits.
    bool lastWriteSucceeded() const;
    // save() writes a list this long off the UI thread; a later write
    // always wins over an earlier one, and the program waits for the last
    // one when it quits.
    static constexpr qsizetype BackgroundWriteFrom = 20000;
    bool writing() const { return m_writes->pending.load() > 0; }
    // False when exception.plist exists but could not be read as a list.
    bool loadedCleanly() const { return !m_loadFailed; }

private:
    struct Writes
    {
        std::atomic<int> pending{0};
        std::atomic<bool> succeeded{true};
        // Each write has its number; one older than what is on disk is dropped.
        std::mutex fileMutex;
        quint64 asked = 0;
        quint64 onDisk = 0; // guarded by fileMutex
    };

    void write(bool inBackground = false);
    static QByteArray xmlOf(const QByteArrayList& paths);
    static void writeNumbered(Writes& writes, quint64 number, const QByteArray& filePath,
                              const QByteArray& xml);

    QByteArray m_filePath;
    QByteArrayList m_paths;
    QSet<QByteArray> m_index;
    std::shared_ptr<Writes> m_writes = std::make_shared<Writes>();
    bool m_loadFailed = false;
    // Last member: gone first, after the writes in flight are done.
    std::unique_ptr<QThreadPool> m_writer;
};
