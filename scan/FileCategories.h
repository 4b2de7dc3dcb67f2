#pragma once

#include <QByteArray>

// Which of the five lists a collected file joins, decided by its extension.
enum class Category
{
    Images = 0,
    Audio,
    Video,
    Documents,
    Others
};
constexpr int CategoryCount = 5;

class FileCategories
{
public:
    static const QByteArray& imageList();
    static const QByteArray& audioList();
    static const QByteArray& videoList();
    static const QByteArray& documentList();

    // Plain case-sensitive substring test; parts under 3 bytes never match.
    static bool isStringPresent(const QByteArray& text, const QByteArray& part);

    // Text after the last dot of the last path component, as it stands. A
    // name whose only dot is its first character has none.
    static QByteArray rawExtension(const QByteArray& path);
    // rawExtension lower-cased, cut at the first space.
    static QByteArray extension(const QByteArray& path);

    static bool isValidImageFile(const QByteArray& path);
    static bool isValidAudioFile(const QByteArray& path);
    static bool isValidVideoFile(const QByteArray& path);
    static bool isValidDocFile(const QByteArray& path);

    // Images, audio, video, documents tested in that order; others otherwise.
    static Category categoryOf(const QByteArray& path);
    // The same for a path given as folder (ending in '/') and name.
    static Category categoryOf(const QByteArray& folder, const QByteArray& name);
    static const char* categoryName(Category category);

private:
    static bool matchesList(const QByteArray& list, const QByteArray& path);
};
