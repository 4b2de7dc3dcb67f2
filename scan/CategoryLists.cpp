#include "scan/CategoryLists.h"

QList<FilePtr>& CategoryLists::list(Category category)
{
    switch (category) {
    case Category::Images:
        return arrOfImagesFileObject;
    case Category::Audio:
        return arrOfAudioFileObject;
    case Category::Video:
        return arrOfVideosFileObject;
    case Category::Documents:
        return arrOfDocsFileObject;
    case Category::Others:
        break;
    }
    return arrOfOthersFileObject;
}

const QList<FilePtr>& CategoryLists::list(Category category) const
{
    return const_cast<CategoryLists*>(this)->list(category);
}

bool CategoryLists::allEmpty() const
{
    return totalCount() == 0;
}

quint64 CategoryLists::totalCount() const
{
    return static_cast<quint64>(arrOfImagesFileObject.size() + arrOfAudioFileObject.size() +
                                arrOfVideosFileObject.size() + arrOfDocsFileObject.size() +
                                arrOfOthersFileObject.size());
}

void CategoryLists::clear()
{
    arrOfImagesFileObject.clear();
    arrOfAudioFileObject.clear();
    arrOfVideosFileObject.clear();
    arrOfDocsFileObject.clear();
    arrOfOthersFileObject.clear();
}
