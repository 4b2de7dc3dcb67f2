#pragma once

#include "scan/File.h"
#include "scan/FileCategories.h"

#include <QList>

// The five lists that collection fills and detection empties.
class CategoryLists
{
public:
    QList<FilePtr> arrOfImagesFileObject;
    QList<FilePtr> arrOfAudioFileObject;
    QList<FilePtr> arrOfVideosFileObject;
    QList<FilePtr> arrOfDocsFileObject;
    QList<FilePtr> arrOfOthersFileObject;

    QList<FilePtr>& list(Category category);
    const QList<FilePtr>& list(Category category) const;
    bool allEmpty() const;
    quint64 totalCount() const;
    void clear();
};
