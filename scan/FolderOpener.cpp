#include "scan/FolderOpener.h"

#include "scan/File.h"
#include "scan/FileCompare.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>

int FolderOpener::open(const File& file)
{
    // Non-blocking so a path swapped for a FIFO cannot hang the search.
    constexpr int flags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
    const void* key = file.folderKey();
    if (!key || file.folder().size() >= PATH_MAX) {
        return FileCompare::openNoFollow(file.filePath(), O_RDONLY | O_NONBLOCK);
    }
    for (OpenFolder& folder : m_folders) {
        if (folder.key == key) {
            return ::openat(folder.fd.get(), file.fileName().constData(), flags);
        }
    }
    // Either way the folder is reached as the whole path would be, and the
    // file in it without following a link.
    const bool again =
        std::find(std::begin(m_recentMisses), std::end(m_recentMisses), key) != std::end(m_recentMisses);
    if (!again) {
        // One call instead of three (folder, file, and closing the folder).
        m_recentMisses[m_nextMiss] = key;
        m_nextMiss = (m_nextMiss + 1) % Kept;
        m_pathBuffer.resize(0);
        m_pathBuffer.append(file.folder());
        m_pathBuffer.append(file.fileName());
        return FileCompare::openNoFollow(m_pathBuffer, O_RDONLY | O_NONBLOCK);
    }
    UniqueFd dir(::open(file.folder().constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isValid()) {
        return FileCompare::openNoFollow(file.filePath(), O_RDONLY | O_NONBLOCK);
    }
    OpenFolder& slot = m_folders[m_nextFolder];
    m_nextFolder = (m_nextFolder + 1) % Kept;
    slot.key = key;
    slot.fd = std::move(dir);
    return ::openat(slot.fd.get(), file.fileName().constData(), flags);
}

void FolderOpener::closeAll()
{
    for (OpenFolder& folder : m_folders) {
        folder.key = nullptr;
        folder.fd.reset(-1);
    }
    std::fill(std::begin(m_recentMisses), std::end(m_recentMisses), nullptr);
}
