#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <cstddef>

class File;

// Opens collected files for reading without following a link at their last
// step. Members of a class in inode order mostly come folder by folder, so a
// few folders are kept open and their files opened from there; a folder met
// only once costs no descriptor of its own.
class FolderOpener
{
public:
    // A descriptor the caller owns, or -1 with errno set.
    int open(const File& file);
    void closeAll();

private:
    static constexpr std::size_t Kept = 8;
    struct OpenFolder
    {
        const void* key = nullptr;
        UniqueFd fd;
    };
    OpenFolder m_folders[Kept];
    std::size_t m_nextFolder = 0;
    // Folders met once lately: a folder is opened for its files only when
    // it comes round again.
    const void* m_recentMisses[Kept] = {};
    std::size_t m_nextMiss = 0;
    QByteArray m_pathBuffer;
};
