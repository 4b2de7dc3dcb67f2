#pragma once

#include <QByteArrayList>

// The history of the folder browser: item 0 is "Default" (the page of default
// entries), the others are folder paths. Only positions move here; which page
// to show is the answer of each move.
class FolderBrowser
{
public:
    static const QByteArray Default; // "Default"

    // What the page should do after a move.
    enum class Page
    {
        Default,
        Folder,
        Unchanged
    };

    // Entering the location page: ["Default"], current 0, no back, no forward.
    void reset();
    void clear();

    // A double click on folder `path` in folder mode; `hasSubfolders` from the
    // listing. Without subfolders nothing moves (the page says "No Folders.").
    Page didClickFolder(const QByteArray& path, bool hasSubfolders);
    Page backFolderClicked();
    Page nextFolderClicked();

    // The item at currentPath.
    QByteArray currentItem() const;
    bool backEnabled() const;
    bool forwardEnabled() const;

    const QByteArrayList& folderBrowser() const { return m_folderBrowser; }
    qint64 currentPath() const { return m_currentPath; }
    qint64 parentPath() const { return m_parentPath; }
    qint64 childPath() const { return m_childPath; }

private:
    Page pageForCurrent() const;

    QByteArrayList m_folderBrowser;
    qint64 m_currentPath = 0;
    qint64 m_parentPath = -1;
    qint64 m_childPath = -1;
};
