#include "locations/FolderBrowser.h"

const QByteArray FolderBrowser::Default = QByteArrayLiteral("Default");

namespace {

// "Default" is one part, "/a/b" three: the depth the history is pruned by.
qsizetype partCount(const QByteArray& item)
{
    return item.count('/') + 1;
}

} // namespace

void FolderBrowser::reset()
{
    m_folderBrowser = {Default};
    m_currentPath = 0;
    m_parentPath = -1;
    m_childPath = -1;
}

void FolderBrowser::clear()
{
    m_folderBrowser.clear();
    m_currentPath = 0;
    m_parentPath = -1;
    m_childPath = -1;
}

FolderBrowser::Page FolderBrowser::didClickFolder(const QByteArray& path, bool hasSubfolders)
{
    if (!hasSubfolders || m_folderBrowser.isEmpty()) {
        return Page::Unchanged;
    }
    const qsizetype known = m_folderBrowser.lastIndexOf(path);
    if (known >= 0) {
        // Visited before: everything from its last visit on is dropped.
        m_folderBrowser.resize(known);
        m_folderBrowser.append(path);
        m_currentPath = m_folderBrowser.size() - 1;
        if (m_currentPath > 0) {
            m_parentPath = m_currentPath - 1;
            m_childPath = -1;
        }
        return pageForCurrent();
    }

    m_folderBrowser.append(path);
    if (m_childPath != -1) {
        ++m_parentPath;
        ++m_childPath;
    } else {
        m_parentPath = m_currentPath;
        m_childPath = -1;
    }
    m_currentPath = m_folderBrowser.size() - 1;

    // Only depth counts: a shallower folder from another branch stays.
    const qsizetype depth = partCount(path);
    const qsizetype before = m_folderBrowser.size();
    m_folderBrowser.removeIf(
        [&](const QByteArray& item) { return item != path && item != Default && partCount(item) >= depth; });
    if (m_folderBrowser.size() != before) {
        m_currentPath = m_folderBrowser.size() - 1;
        if (m_currentPath > 0) {
            m_parentPath = m_currentPath - 1;
            m_childPath = -1;
        }
    }
    return pageForCurrent();
}

FolderBrowser::Page FolderBrowser::backFolderClicked()
{
    if (!backEnabled() || m_parentPath < 0 || m_parentPath >= m_folderBrowser.size()) {
        return Page::Unchanged;
    }
    m_childPath = m_currentPath;
    m_currentPath = m_parentPath;
    if (m_parentPath != -1) {
        --m_parentPath;
    }
    return pageForCurrent();
}

FolderBrowser::Page FolderBrowser::nextFolderClicked()
{
    if (!forwardEnabled()) {
        return Page::Unchanged;
    }
    ++m_currentPath;
    ++m_parentPath;
    ++m_childPath;
    return pageForCurrent();
}

QByteArray FolderBrowser::currentItem() const
{
    if (m_currentPath < 0 || m_currentPath >= m_folderBrowser.size()) {
        return {};
    }
    return m_folderBrowser.at(m_currentPath);
}

bool FolderBrowser::backEnabled() const
{
    return m_currentPath > 0;
}

bool FolderBrowser::forwardEnabled() const
{
    return m_childPath != -1 && m_currentPath < m_folderBrowser.size() - 1;
}

FolderBrowser::Page FolderBrowser::pageForCurrent() const
{
    return currentItem() == Default ? Page::Default : Page::Folder;
}
