#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

// The properties text of a file, read from the disk at the moment it is
// asked for. A vanished file reads as empty: "0.00 KB", no dates, 0x0.
class FileProperties
{
public:
    static QString getImageProperties(const QByteArray& path);
    static QString getAllProperties(const QByteArray& path);
    // Width and height in points (pixels at 72 dots per inch, or at the
    // resolution the file records); 0x0 when it is not a readable image.
    static QSizeF imageSizeInPoints(const QByteArray& path);
    // A number as text the way the dimensions are written: no decimal point
    // for whole numbers, otherwise the shortest exact form.
    static QString numberText(double value);
};
