#pragma once

#include <QByteArray>

class QFile;

// Opens a file named by its exact bytes for Qt's readers: QFile's own open
// goes through QString and cannot reach names that are not valid UTF-8.
class BytePathFile
{
public:
    static bool openForReading(QFile& file, const QByteArray& path);
};
