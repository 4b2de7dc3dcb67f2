#include "scan/Formatting.h"

QString Formatting::getFormattedStringForSize(quint64 bytes)
{
    const float v = static_cast<float>(bytes);
    float shown = 0.0f;
    const char* unit = "KB";
    if (bytes == 0) {
        shown = 0.0f;
    } else if (bytes <= 999999ULL) {
        shown = v / 1000.0f;
    } else if (bytes <= 999999999ULL) {
        shown = v / 1000000.0f;
        unit = "MB";
    } else {
        shown = v / 1000000000.0f;
        unit = "GB";
    }
    return QString::asprintf("%.2f %s", static_cast<double>(shown), unit);
}

QString Formatting::dateToString(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
