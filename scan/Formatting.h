#pragma once

#include <QDateTime>
#include <QString>

// Texts for sizes and dates, the same wherever they are shown.
class Formatting
{
public:
    // Decimal units with two decimals, computed in single precision:
    // 0 -> "0.00 KB", 999 -> "1.00 KB", 1500000 -> "1.50 MB".
    static QString getFormattedStringForSize(quint64 bytes);
    // "yyyy-MM-dd HH:mm:ss" in local time.
    static QString dateToString(const QDateTime& date);
};
