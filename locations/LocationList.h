#pragma once

#include "platform/MountTable.h"
#include "scan/LocationEntry.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// The scan location list of the location page and its rules: default
// entries, what may be added, marks, and which page buttons are enabled.
// Every change of the entries is announced, before and after, so a view's
// model follows it. No widgets: the page shows it through LocationTableModel.
class LocationList : public QObject
{
    Q_OBJECT
public:
    explicit LocationList(QObject* parent = nullptr);

    enum class Notice
    {
        None,
        FolderAlreadyAdded,
        ImageAlreadyAdded,
        FileAlreadyAdded,
        UnsupportedFile
    };
    struct ButtonStates
    {
        bool markAll = false;
        bool unmarkAll = false;
        bool remove = false;
        bool scan = false;
    };
    // Where default entries come from; filled from the system by default.
    struct Environment
    {
        QByteArrayList userFolders; // desktop, documents, pictures, in that order
        QByteArrayList drives;      // "/" first, then mounted volumes
        MountTable mounts;
    };

    // "Folder already added." and the other three notices; empty for None.
    static QString noticeText(Notice notice);

    // The first character, lower-cased, is one of !~`@#$%^&*-+();:={}[],.<>?\/"'
    static bool isSpecialFolder(const QByteArray& name);
    // Subfolders sorted by name; special names skipped; links to folders count.
    static QByteArrayList getFoldersAtPath(const QByteArray& path);
    // The 23 image types of "Add Photos", case ignored.
    static bool isSupportedImage(const QByteArray& path);
    // Equal to an entry, or below an entry whose name has no extension.
    bool imageIsAlreadyThere(const QByteArray& path) const;
    // "mymac.png", "folder.png", "g5_apple_drive.png", "usb_drive.png" or "network_drive.png".
    QString imageNameOfPath(const QByteArray& path) const;

    const QList<LocationEntry>& entries() const { return m_entries; }
    // Replaces every entry at once (a restored or prepared list).
    void setEntries(const QList<LocationEntry>& entries);
    QByteArrayList& stateArray() { return m_stateArray; }
    // The paths made reference locations; like the marked paths they outlive
    // page changes, so a folder page made again shows its references again.
    const QByteArrayList& referenceArray() const { return m_referenceArray; }
    const QByteArrayList& stateArray() const { return m_stateArray; }
    bool scanFolderClicked() const { return m_scanFolderClicked; }
    void setScanFolderClicked(bool folderMode) { m_scanFolderClicked = folderMode; }
    // A fixed environment (tests); every page then shows these folders.
    void setEnvironment(Environment environment);
    // Where each page reads its environment from; by default the system,
    // read afresh every time default entries are made.
    void setEnvironmentReader(std::function<Environment()> reader) { m_reader = std::move(reader); }
    const Environment& environment() const { return m_environment; }
    // The system's user folders (those that exist) and drives, now. Drives
    // are looked for under `driveRoot` (tests), "/" itself always first.
    static Environment systemEnvironment(const QByteArray& driveRoot = {});
    // Folder names in the order a person expects: by name, case-insensitive
    // and locale-aware; equal names by their bytes.
    static void sortByName(QByteArrayList& paths);

    // Appends the default entries of the current mode (network drives never).
    void setInitialState();
    // The commands; each returns the notice to show, if any.
    Notice addFolders(const QByteArrayList& paths);
    Notice addFiles(const QByteArrayList& paths);
    // Inserts dropped paths from `row` on, in order; true when anything was added.
    bool acceptDrop(const QByteArrayList& paths, int row, Notice* notice);
    // The row's check box: its state, and the marked-path list.
    void checkButtonExactFirstpage(int row, bool on);
    void markAllExact();
    void unmarkAllExact();
    void removeFromListExact();
    // Context menu: Mark/Unmark and Remove from list on one row.
    void markUnmarkTable(int row, bool mark);
    void removeFromListMenuClicked(int row);
    // Context menu, "Use as Reference" on one row (a toggle). A reference is
    // scanned like any location, so turning it on marks the entry as well.
    void setReference(int row, bool on);
    // Replaces the entries with a folder page: subfolders, marked when the
    // folder is in the marked-path list (then recorded as marked too).
    void showFolderPage(const QByteArray& folder, const QByteArrayList& subfolders);
    // Empties the entries only: the marked-path list outlives page changes.
    void clear();
    // Home clean-up: the entries and every remembered path.
    void reset();

    ButtonStates reflectMarkStatusForRemoveButton() const;

Q_SIGNALS:
    // Rows first..last (inclusive) are about to appear / have appeared.
    void entriesAboutToBeInserted(int first, int last);
    void entriesInserted(int first, int last);
    void entriesAboutToBeRemoved(int first, int last);
    void entriesRemoved(int first, int last);
    // The marks of rows first..last changed.
    void entriesChanged(int first, int last);
    // Every entry is replaced (another folder page).
    void entriesAboutToBeReset();
    void entriesReset();

private:
    LocationEntry defaultEntry(const QByteArray& path) const;
    void readEnvironment();
    void insertEntry(qsizetype at, const LocationEntry& entry);
    void removeEntries(qsizetype first, qsizetype last);

    QList<LocationEntry> m_entries;
    QByteArrayList m_stateArray;
    QByteArrayList m_referenceArray;
    bool m_scanFolderClicked = false;
    Environment m_environment;
    std::function<Environment()> m_reader; // empty: the system
};
